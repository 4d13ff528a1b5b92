#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <functional>
#include <string>
#include <vector>

// The quick first pass over a history file: finds where each domain's list and
// each measurement object lies, without decoding them, so that the lists can be
// decoded on several threads. It follows strings and escapes and the nesting of
// the measurement objects, checks the text between them, and cuts each list
// into pieces of whole measurements.
//
// It accepts only the plain form the writer produces: one object whose members
// are lists of objects, with keys that need no unescaping. Anything else stops
// it; the sequential reader then reads the file and reports any error.
class HistoryScanner {
public:
    // Measurements [first, first + count) of a list, the text from the opening
    // brace of the first to the closing brace of the last.
    struct Piece {
        qint64 begin = 0;
        qint64 end = 0;
        qsizetype first = 0;
        qsizetype count = 0;
    };
    struct List {
        // The member name as it stands in the file (valid UTF-8, nothing escaped).
        std::string key;
        qsizetype count = 0;
        std::vector<Piece> pieces;
    };
    // Called as each list ends, in file order.
    using ListFound = std::function<void(List&&)>;

    // Pieces end after the first measurement that takes them to `piece_bytes`.
    HistoryScanner(qint64 piece_bytes, ListFound found);

    // The next bytes of the text; false once the text is not of the plain form.
    bool feed(QByteArrayView bytes);
    // After the last bytes: whether the text was one whole object, followed by
    // whitespace only.
    bool finished() const;

private:
    enum class State {
        before_root,
        before_first_key,
        before_key,
        key,
        after_key,
        before_list,
        before_first_measurement,
        before_measurement,
        measurement,
        after_measurement,
        after_list,
        after_root,
        refused,
    };

    const char* step(const char* p, const char* end);
    const char* skip_measurement(const char* p, const char* end);
    const char* finish_string(const char* p, const char* end);
    const char* read_key(const char* p, const char* end);
    void start_measurement(qint64 offset);
    void end_measurement(qint64 offset);
    void end_list();
    qint64 offset_of(const char* p) const { return block_offset_ + (p - block_); }

    qint64 piece_bytes_;
    ListFound found_;
    State state_ = State::before_root;
    List list_;
    Piece piece_;
    // Inside a measurement: how deep, and whether in a string or just after a
    // backslash in one.
    qint64 depth_ = 0;
    bool in_string_ = false;
    bool escaped_ = false;
    const char* block_ = nullptr;
    qint64 block_offset_ = 0;
};
