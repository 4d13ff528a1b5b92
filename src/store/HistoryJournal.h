#pragma once

#include "model/DomainMeasurement.h"
#include "store/FileIdentity.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <QUuid>

#include <optional>

// The journal beside the history file: the measurements recorded since the
// history file was last written whole, oldest first, one a line. Each line is a
// history object of its own, as the history file would hold the measurement:
//
//   {"snapshot":{"device":2049,"inode":1835,"modified_ns":1738315200123456789,"size":412},"version":1}
//   {"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9":[{"id":"...","measured_at":"...",...}]}
//
// A line with an empty list says that the domain's history was cleared there:
// what came before it, in the history file and in earlier lines, is gone.
//
// The first line names the history file the journal extends ("snapshot":null
// when there was none). A journal that names another file than the history
// file on disk is left over from a rewrite cut short: everything in it is in
// the new history file, and it is ignored.
namespace HistoryJournal {

struct Entry {
    // The domain's id text, canonical.
    QString domain_key;
    DomainMeasurement measurement;
    // The history was cleared here; there is no measurement.
    bool clears = false;
};

struct Contents {
    // Whether the first line could be read; without it nothing else counts.
    bool has_header = false;
    std::optional<FileIdentity> snapshot;
    QList<Entry> entries;
    // Bytes up to the end of the last complete line: where the next append goes.
    qint64 complete_length = 0;
    // Of which the entries' lines.
    qint64 entry_bytes = 0;
    // Lines dropped or skipped, for the process that owns the journal.
    QStringList warnings;
};

QByteArray header(const std::optional<FileIdentity>& snapshot);
// Appends the line of one entry, newline included.
void append_entry(QByteArray& lines, const QUuid& domain_id, const DomainMeasurement& measurement);
// Appends the line that clears a domain's history.
void append_clear(QByteArray& lines, const QUuid& domain_id);

Contents parse(QByteArrayView text);

} // namespace HistoryJournal

Q_DECLARE_TYPEINFO(HistoryJournal::Entry, Q_RELOCATABLE_TYPE);
