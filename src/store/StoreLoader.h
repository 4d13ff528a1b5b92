#pragma once

#include "model/MonitoredDomain.h"
#include "store/DomainRestoreSuggestion.h"
#include "store/HistoryOnDisk.h"
#include "store/StoreFiles.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// What the data files of a support directory hold, merged: each domain with its
// history (the history file, then the journal's measurements) and statistics.
// Loading reads and changes nothing, so read-only commands and the store share
// it; it needs no lock, and a history file replaced while it reads is read again.
struct LoadedStore {
    // File order; a repeated id keeps its first record.
    QList<MonitoredDomain> domains;
    QList<DomainRestoreSuggestion> deleted_domain_suggestions;
    // Histories were found only inside domains.json: they must move to the history file.
    bool needs_migration = false;
    // Files that exist but were left unread or could not be decoded. Whoever writes
    // over one of them must first move it aside, so the user's data is never destroyed.
    QSet<QString> unreadable_files;
    // One line per file that could not be used, for messages.
    QStringList problems;
    // Journal lines that were dropped, for the process that owns the files (to
    // a reader, an incomplete last line may be an append under way).
    QStringList warnings;
    HistoryOnDisk history_on_disk;
};

namespace StoreLoader {

LoadedStore load(const StoreFiles& files);

} // namespace StoreLoader
