#pragma once

#include "model/Expected.h"
#include "store/HistorySnapshot.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>

// The history file: one object whose members map a domain's id text to its
// measurements, newest first.
namespace HistoryJson {

QByteArray encode(const HistorySnapshot& history);

// Writes the history file through AtomicFile without holding its text in memory;
// an error text on failure.
std::optional<QString> write_file(const QString& path, const HistorySnapshot& history);

// Member names that are UUIDs come back in canonical upper-case form, so a
// hand-edited lower-case id still finds its domain.
DecodeResult<QHash<QString, QList<DomainMeasurement>>> decode(QByteArrayView text);
// Streams the file from disk; an unreadable file is an error like a malformed one.
DecodeResult<QHash<QString, QList<DomainMeasurement>>> read_file(const QString& path);

} // namespace HistoryJson
