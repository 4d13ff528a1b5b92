#include "store/StoreFiles.h"

#include <QDir>
#include <QStandardPaths>

StoreFiles StoreFiles::in(const QString& support_directory)
{
    const QDir directory(support_directory);
    return StoreFiles{
        .support_directory = directory.absolutePath(),
        .persistence_url = directory.absoluteFilePath(QStringLiteral("domains.json")),
        .history_url = directory.absoluteFilePath(QStringLiteral("measurement_history.json")),
        .journal_url = directory.absoluteFilePath(QStringLiteral("measurement_history.journal")),
        .hosting_profiles_url = directory.absoluteFilePath(QStringLiteral("hosting_profiles.json")),
        .deleted_domain_suggestions_url =
            directory.absoluteFilePath(QStringLiteral("deleted_domain_suggestions.json")),
    };
}

QStringList StoreFiles::data_files() const
{
    return {persistence_url, history_url, journal_url, hosting_profiles_url,
            deleted_domain_suggestions_url};
}

QString StoreFiles::default_support_directory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tessary");
}
