#pragma once

#include "store/HistoryReader.h"

#include <QByteArrayView>
#include <QThread>

#include <functional>
#include <optional>

// Reads a history file on several threads. The calling thread reads the file in
// blocks and scans it (HistoryScanner); as each domain's list is found, its
// pieces are decoded on the other threads straight into their place in a list
// with room at its head. When the scan is done the calling thread decodes too.
//
// Gives up, returning none, on a text the scanner refuses and on any error: the
// sequential reader then reads the file and says what is wrong and where.
namespace ParallelHistoryReader {

struct Options {
    // Threads besides the calling one.
    int helpers = QThread::idealThreadCount() - 1;
    // Big enough that a piece costs far more to decode than to hand over.
    qint64 piece_bytes = qint64(1) << 20;
    qint64 block_bytes = qint64(4) << 20;
};

// Reads `size` bytes at `offset` into `out`; false when it cannot.
using ReadAt = std::function<bool(qint64 offset, char* out, qint64 size)>;

std::optional<HistoryReader::Histories> read(qint64 size, const ReadAt& read_at,
                                             const Options& options = {});
std::optional<HistoryReader::Histories> read(QByteArrayView text, const Options& options = {});

} // namespace ParallelHistoryReader
