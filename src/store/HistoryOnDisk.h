#pragma once

#include <QtGlobal>

#include <optional>

// What start-up found of the history files, for the writer that carries them on.
struct HistoryOnDisk {
    // The history file was read (or is absent) and the journal extends it (or
    // is absent). Otherwise the first save rewrites both.
    bool regular = true;
    qint64 history_bytes = 0;
    // The bytes of complete lines of a journal that extends the history file.
    std::optional<qint64> journal_length;
    // Of which the entries' lines.
    qint64 journal_entry_bytes = 0;
};
