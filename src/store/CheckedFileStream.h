#pragma once

#include <cstdio>
#include <optional>
#include <vector>

// A RapidJSON input stream over a file, read in large chunks that are each
// checked for valid UTF-8 with Qt's vectorised validator, so the parser need not
// check every character itself. Invalid text ends the stream early; the reader
// then reports where.
class CheckedFileStream {
public:
    using Ch = char;

    explicit CheckedFileStream(std::FILE* file);

    Ch Peek() const { return *current_; }
    Ch Take()
    {
        const Ch c = *current_;
        if (++current_ == end_)
            refill();
        return c;
    }
    size_t Tell() const { return consumed_ + size_t(current_ - buffer_.data()); }

    // The offset of the chunk holding invalid UTF-8, if any was met.
    std::optional<size_t> invalid_text_offset() const { return invalid_text_offset_; }

    // Output side of the stream concept; never used for reading.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    size_t PutEnd(Ch*) { return 0; }

private:
    void refill();
    void end_of_text();

    std::FILE* file_;
    std::vector<char> buffer_;
    char* current_;
    char* end_;
    size_t consumed_ = 0;
    // Bytes after end_ that start a character completed by the next chunk.
    size_t carried_ = 0;
    bool at_end_of_text_ = false;
    std::optional<size_t> invalid_text_offset_;
};
