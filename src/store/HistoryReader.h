#pragma once

#include "model/DomainMeasurement.h"
#include "model/Expected.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <cstdio>

// Reads the history file as a stream of parse events, straight into measurement
// records: a history of a million measurements never exists as a document tree,
// and repeated texts are shared between records.
namespace HistoryReader {

using Histories = QHash<QString, QList<DomainMeasurement>>;

DecodeResult<Histories> read(QByteArrayView text);
DecodeResult<Histories> read_file(const QString& path);
// From a file already open, read from its current position.
DecodeResult<Histories> read_file(std::FILE* file);

} // namespace HistoryReader
