#include "ui/SaveFileName.h"

#include <QRegularExpression>

QString SaveFileName::filter_extension(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    return pattern.match(filter).captured(1);
}

QString SaveFileName::with_extension(const QString& path, const QString& extension)
{
    const QString suffix = u'.' + extension;
    const QString file_name = path.section(u'/', -1);
    if (extension.isEmpty() || file_name.isEmpty() ||
        file_name.endsWith(suffix, Qt::CaseInsensitive))
        return path;
    if (path.endsWith(u'.'))
        return path + extension;
    return path + suffix;
}
