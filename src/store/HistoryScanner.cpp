#include "store/HistoryScanner.h"

#include <cstring>

namespace {

bool is_whitespace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

// Whether the quote at `quote` ends the string begun at `start`: an even run of
// backslashes before it escapes only themselves.
bool ends_string(const char* start, const char* quote)
{
    const char* run = quote;
    while (run > start && run[-1] == '\\')
        --run;
    return (quote - run) % 2 == 0;
}

} // namespace

HistoryScanner::HistoryScanner(qint64 piece_bytes, ListFound found)
    : piece_bytes_(piece_bytes), found_(std::move(found))
{}

bool HistoryScanner::feed(QByteArrayView bytes)
{
    block_ = bytes.data();
    const char* p = block_;
    const char* const end = p + bytes.size();
    while (p < end && state_ != State::refused)
        p = state_ == State::measurement ? skip_measurement(p, end) : step(p, end);
    block_offset_ += bytes.size();
    return state_ != State::refused;
}

bool HistoryScanner::finished() const
{
    return state_ == State::after_root;
}

// Outside the measurements: whitespace, then the one character that may come next.
const char* HistoryScanner::step(const char* p, const char* end)
{
    if (state_ == State::key)
        return read_key(p, end);
    while (p < end && is_whitespace(*p))
        ++p;
    if (p == end)
        return p;
    const char c = *p;
    const State state = state_;
    state_ = State::refused;
    if (state == State::before_root && c == '{') {
        state_ = State::before_first_key;
    } else if ((state == State::before_first_key || state == State::before_key) && c == '"') {
        state_ = State::key;
    } else if ((state == State::before_first_key || state == State::after_list) && c == '}') {
        state_ = State::after_root;
    } else if (state == State::after_key && c == ':') {
        state_ = State::before_list;
    } else if (state == State::before_list && c == '[') {
        state_ = State::before_first_measurement;
    } else if ((state == State::before_first_measurement || state == State::before_measurement) &&
               c == '{') {
        start_measurement(offset_of(p));
    } else if ((state == State::before_first_measurement || state == State::after_measurement) &&
               c == ']') {
        end_list();
    } else if (state == State::after_measurement && c == ',') {
        state_ = State::before_measurement;
    } else if (state == State::after_list && c == ',') {
        state_ = State::before_key;
    }
    return p + 1;
}

// A key is taken as it stands: one that would need unescaping is left to the
// sequential reader, and so is a control character, which JSON forbids.
const char* HistoryScanner::read_key(const char* p, const char* end)
{
    const char* const start = p;
    for (; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '\\' || c < 0x20) {
            state_ = State::refused;
            return p;
        }
        if (c == '"')
            break;
    }
    list_.key.append(start, size_t(p - start));
    if (p == end)
        return p;
    state_ = QByteArrayView(list_.key).isValidUtf8() ? State::after_key : State::refused;
    return p + 1;
}

void HistoryScanner::start_measurement(qint64 offset)
{
    if (piece_.count == 0) {
        piece_.begin = offset;
        piece_.first = list_.count;
    }
    depth_ = 1;
    in_string_ = false;
    escaped_ = false;
    state_ = State::measurement;
}

void HistoryScanner::end_measurement(qint64 offset)
{
    ++list_.count;
    ++piece_.count;
    piece_.end = offset;
    if (piece_.end - piece_.begin >= piece_bytes_) {
        list_.pieces.push_back(piece_);
        piece_ = {};
    }
    state_ = State::after_measurement;
}

void HistoryScanner::end_list()
{
    if (piece_.count > 0)
        list_.pieces.push_back(piece_);
    found_(std::move(list_));
    list_ = {};
    piece_ = {};
    state_ = State::after_list;
}

// The rest of a string, character by character: one begun in an earlier block,
// or one that runs past the end of this one.
const char* HistoryScanner::finish_string(const char* p, const char* end)
{
    for (; p < end; ++p) {
        if (escaped_) {
            escaped_ = false;
        } else if (*p == '\\') {
            escaped_ = true;
        } else if (*p == '"') {
            in_string_ = false;
            return p + 1;
        }
    }
    return p;
}

// Inside a measurement, only strings and nesting matter: whether the text is
// valid JSON is for the decoder of its piece to say.
const char* HistoryScanner::skip_measurement(const char* p, const char* end)
{
    if (in_string_)
        p = finish_string(p, end);
    while (p < end) {
        switch (*p++) {
        case '"': {
            // Strings are short and rarely escape: jump from quote to quote.
            const char* const start = p;
            const char* quote = nullptr;
            for (const char* from = p;; from = quote + 1) {
                quote = static_cast<const char*>(std::memchr(from, '"', size_t(end - from)));
                if (quote == nullptr || ends_string(start, quote))
                    break;
            }
            if (quote == nullptr) {
                in_string_ = true;
                return finish_string(start, end);
            }
            p = quote + 1;
            break;
        }
        case '{':
        case '[':
            ++depth_;
            break;
        case '}':
        case ']':
            if (--depth_ == 0) {
                end_measurement(offset_of(p));
                return p;
            }
            break;
        default:
            break;
        }
    }
    return p;
}
