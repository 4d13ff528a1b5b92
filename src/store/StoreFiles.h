#pragma once

#include <QString>
#include <QStringList>

// The support directory and the data files in it.
struct StoreFiles {
    QString support_directory;
    QString persistence_url;
    QString history_url;
    // What was recorded since the history file was last written whole.
    QString journal_url;
    QString hosting_profiles_url;
    QString deleted_domain_suggestions_url;

    static StoreFiles in(const QString& support_directory);

    // Every data file (not the lock): what start-up tidies. A new data file is
    // listed here, and written through AtomicFile or opened through PrivateFile,
    // so it is the user's alone like the others.
    QStringList data_files() const;

    // $XDG_DATA_HOME/Tessary, by default ~/.local/share/Tessary.
    static QString default_support_directory();
};
