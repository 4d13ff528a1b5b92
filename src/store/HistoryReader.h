#pragma once

#include "model/DomainMeasurement.h"
#include "model/Expected.h"
#include "model/StringPool.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <cstdio>
#include <functional>
#include <optional>
#include <string_view>

// Reads the history file as a stream of parse events, straight into measurement
// records: a history of a million measurements never exists as a document tree,
// and repeated texts are shared between records.
namespace HistoryReader {

using Histories = QHash<QString, QList<DomainMeasurement>>;
// Takes one domain's measurements: its id text (canonical when it is an id) and list.
using Add = std::function<void(const QString& key, QList<DomainMeasurement>&& measurements)>;

DecodeResult<Histories> read(QByteArrayView text);
DecodeResult<Histories> read_file(const QString& path);
// From a file already open, read from its current position.
DecodeResult<Histories> read_file(std::FILE* file);
// Reads a history object, handing each member to `add` in text order; for the
// journal's lines. `pool` shares texts between calls.
std::optional<DecodeError> read_each(QByteArrayView text, StringPool& pool, const Add& add);
// Reads one list of measurements, "[{...},...]" followed by a NUL, constructing
// them in `slots`; false, with nothing left constructed, unless the text is
// that list and holds exactly `count` valid measurements. Decodes in place,
// overwriting the text. For readers that split a history file themselves.
bool read_list_into(char* text, qsizetype length, StringPool& pool, DomainMeasurement* slots,
                    qsizetype count);
// The key a list is filed under: the canonical text of an id, or else the
// member name itself.
QString list_key(std::string_view member_name);

} // namespace HistoryReader
