#include "store/CheckedFileStream.h"

#include <QByteArrayView>

#include <cstring>

namespace {

constexpr size_t chunk_size = size_t(1) << 20;

bool is_continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

size_t sequence_length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    return 4;
}

// Where the last complete character of `data` ends.
size_t complete_prefix(const char* data, size_t size)
{
    size_t start = size;
    for (int back = 0; back < 3 && start > 0 && is_continuation(uchar(data[start - 1])); ++back)
        --start;
    if (start == 0)
        return size;
    const size_t lead = start - 1;
    const auto lead_byte = uchar(data[lead]);
    if (lead_byte < 0x80)
        return size;
    return lead + sequence_length(lead_byte) > size ? lead : size;
}

} // namespace

CheckedFileStream::CheckedFileStream(std::FILE* file)
    : file_(file), buffer_(chunk_size), current_(buffer_.data()), end_(buffer_.data())
{
    refill();
}

void CheckedFileStream::end_of_text()
{
    at_end_of_text_ = true;
    buffer_[0] = '\0';
    current_ = buffer_.data();
    end_ = buffer_.data() + 1;
}

void CheckedFileStream::refill()
{
    if (at_end_of_text_) {
        current_ = buffer_.data();
        return;
    }
    const size_t used = size_t(end_ - buffer_.data());
    consumed_ += used;
    std::memmove(buffer_.data(), buffer_.data() + used, carried_);

    size_t size = carried_;
    bool at_end = false;
    while (size < chunk_size) {
        const size_t read = std::fread(buffer_.data() + size, 1, chunk_size - size, file_);
        if (read == 0) {
            at_end = true;
            break;
        }
        size += read;
    }
    // At the end of the file an unfinished character is simply invalid.
    const size_t complete = at_end ? size : complete_prefix(buffer_.data(), size);
    if (complete == 0) {
        end_of_text();
        return;
    }
    if (!QByteArrayView(buffer_.data(), qsizetype(complete)).isValidUtf8()) {
        invalid_text_offset_ = consumed_;
        end_of_text();
        return;
    }
    carried_ = size - complete;
    current_ = buffer_.data();
    end_ = buffer_.data() + complete;
}
