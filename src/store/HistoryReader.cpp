#include "store/HistoryReader.h"

#include "model/JsonNumber.h"
#include "model/JsonPath.h"
#include "model/JsonRead.h"
#include "model/JsonWrite.h"
#include "model/MeasurementJson.h"
#include "model/StringPool.h"
#include "store/CheckedFileStream.h"
#include "store/MeasurementSlots.h"
#include "store/ParallelHistoryReader.h"

#include <QFile>

#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The file stream checks UTF-8 itself, chunk by chunk; text in memory is
// checked by the parser. Numbers come as text, for exact conversion.
constexpr unsigned unchecked_text_flags =
    rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;
constexpr unsigned parse_flags = unchecked_text_flags | rapidjson::kParseValidateEncodingFlag;

// Where the reader is: the root object maps ids to lists of measurement objects,
// whose "response_x_headers" is an object of strings. Anything nested under an
// unknown key is skipped.
enum class Place { before_root, root, list, measurement, headers, skipping, done };

// Collects each list whole and hands it on with its key.
class ListOutput {
public:
    explicit ListOutput(const HistoryReader::Add& add) : add_(add) {}

    void start() { list_.clear(); }
    qsizetype size() const { return list_.size(); }
    bool add(DomainMeasurement&& measurement)
    {
        list_.append(std::move(measurement));
        return true;
    }
    bool finish(const std::string& key)
    {
        add_(HistoryReader::list_key(key), std::move(list_));
        list_ = {};
        return true;
    }

private:
    QList<DomainMeasurement> list_;
    const HistoryReader::Add& add_;
};

// Constructs the measurements of one list in slots given, exactly as many as
// there are; those constructed are destroyed again unless kept.
class SlotOutput {
public:
    SlotOutput(DomainMeasurement* slots, qsizetype count) : slots_(slots), capacity_(count) {}
    ~SlotOutput() { std::destroy_n(slots_, count_); }
    SlotOutput(const SlotOutput&) = delete;
    SlotOutput& operator=(const SlotOutput&) = delete;

    void start() {}
    qsizetype size() const { return count_; }
    bool add(DomainMeasurement&& measurement)
    {
        if (count_ == capacity_)
            return false;
        new (slots_ + count_) DomainMeasurement(std::move(measurement));
        ++count_;
        return true;
    }
    bool finish(const std::string&) { return count_ == capacity_; }
    void keep() { count_ = 0; }

private:
    DomainMeasurement* slots_;
    qsizetype capacity_;
    qsizetype count_ = 0;
};

template <typename Output>
class Handler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Handler<Output>> {
public:
    Handler(StringPool& pool, Output& output, Place start = Place::before_root)
        : place_(start), pool_(pool), output_(output)
    {}

    std::optional<DecodeError> error;

    bool Null() { return scalar(rapidjson::Value()); }
    bool Bool(bool b) { return scalar(rapidjson::Value(b)); }
    bool Int(int i) { return scalar(rapidjson::Value(i)); }
    bool Uint(unsigned u) { return scalar(rapidjson::Value(u)); }
    bool Int64(int64_t i) { return scalar(rapidjson::Value(i)); }
    bool Uint64(uint64_t u) { return scalar(rapidjson::Value(u)); }
    bool Double(double d) { return scalar(rapidjson::Value(d)); }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        if (place_ == Place::headers) {
            append_header_value(std::string_view(text, length));
            return true;
        }
        return scalar(rapidjson::Value(rapidjson::StringRef(text, length)));
    }

    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        const std::string_view key(text, length);
        switch (place_) {
        case Place::root:
            domain_key_.assign(key);
            break;
        case Place::measurement:
            field_key_.assign(key);
            break;
        case Place::headers:
            header_name_.assign(key);
            break;
        default:
            break;
        }
        return true;
    }

    bool StartObject()
    {
        switch (place_) {
        case Place::before_root:
            place_ = Place::root;
            return true;
        case Place::list:
            builder_.emplace(&pool_);
            place_ = Place::measurement;
            return true;
        case Place::measurement:
            if (field_key_ == "response_x_headers") {
                headers_key_.clear();
                header_pairs_.clear();
                place_ = Place::headers;
                return true;
            }
            return nested_value();
        case Place::skipping:
            ++skip_depth_;
            return true;
        default:
            return wrong_place();
        }
    }

    bool EndObject(rapidjson::SizeType)
    {
        switch (place_) {
        case Place::measurement:
            return finish_measurement();
        case Place::headers:
            builder_->set_headers(headers());
            place_ = Place::measurement;
            return true;
        case Place::skipping:
            return end_skipped();
        case Place::root:
            place_ = Place::done;
            return true;
        default:
            return true;
        }
    }

    bool StartArray()
    {
        switch (place_) {
        case Place::root:
            output_.start();
            place_ = Place::list;
            return true;
        case Place::measurement:
            return nested_value();
        case Place::skipping:
            ++skip_depth_;
            return true;
        default:
            return wrong_place();
        }
    }

    bool EndArray(rapidjson::SizeType)
    {
        if (place_ == Place::skipping)
            return end_skipped();
        if (place_ == Place::list) {
            place_ = Place::root;
            return output_.finish(domain_key_);
        }
        return true;
    }

private:
    // Error paths are made only when an error occurs.
    template <typename Use>
    auto with_path(Use use)
    {
        const JsonPath root;
        const JsonPath domain = root.key(domain_key_);
        const JsonPath element = domain.index(output_.size());
        switch (place_) {
        case Place::before_root:
            return use(root);
        case Place::root:
            return use(domain);
        case Place::list:
            return use(element);
        case Place::headers:
            return use(element.key(field_key_).key(header_name_));
        default:
            return use(element.key(field_key_));
        }
    }

    bool fail(DecodeError decode_error)
    {
        error = std::move(decode_error);
        return false;
    }

    bool wrong_place()
    {
        const char* expected = place_ == Place::before_root ? "an object of histories"
                               : place_ == Place::root      ? "an array of measurements"
                               : place_ == Place::list      ? "a measurement object"
                                                            : "a string";
        return fail(
            with_path([&](const JsonPath& path) { return JsonRead::wrong_type(path, expected); }));
    }

    bool scalar(const rapidjson::Value& value)
    {
        if (place_ == Place::skipping)
            return true;
        if (place_ != Place::measurement)
            return wrong_place();
        auto problem = with_path(
            [&](const JsonPath& path) { return builder_->set_member(field_key_, value, path); });
        return problem ? fail(*std::move(problem)) : true;
    }

    // An object or array as a member value: fine under an unknown key, which is skipped.
    bool nested_value()
    {
        if (!scalar(rapidjson::Value(rapidjson::kObjectType)))
            return false;
        place_ = Place::skipping;
        skip_depth_ = 1;
        return true;
    }

    bool end_skipped()
    {
        if (--skip_depth_ == 0)
            place_ = Place::measurement;
        return true;
    }

    bool finish_measurement()
    {
        place_ = Place::list;
        auto measurement = with_path([&](const JsonPath& path) { return builder_->finish(path); });
        if (!measurement)
            return fail(measurement.error());
        return output_.add(std::move(measurement).value());
    }

    void append_header_value(std::string_view value)
    {
        // Length-prefixed, so any text (even with NUL) has one encoding.
        for (const std::string_view part : {std::string_view(header_name_), value}) {
            const auto size = uint32_t(part.size());
            headers_key_.append(reinterpret_cast<const char*>(&size), sizeof size);
            headers_key_.append(part);
        }
        header_pairs_.emplace_back(header_name_, value);
    }

    QMap<QString, QString> headers()
    {
        if (const auto* known = pool_.find_headers(headers_key_))
            return *known;
        QMap<QString, QString> map;
        for (const auto& [name, value] : header_pairs_)
            map.insert(pool_.text(name), pool_.text(value));
        return pool_.add_headers(headers_key_, std::move(map));
    }

    Place place_;
    std::string domain_key_;
    std::string field_key_;
    std::string header_name_;
    std::string headers_key_;
    std::vector<std::pair<std::string, std::string>> header_pairs_;
    int skip_depth_ = 0;
    std::optional<MeasurementJson::Builder> builder_;
    StringPool& pool_;
    Output& output_;
};

template <unsigned flags, typename Stream, typename Output>
std::optional<DecodeError> parse(Stream& stream, StringPool& pool, Output& output,
                                 Place start = Place::before_root)
{
    Handler<Output> handler(pool, output, start);
    ExactNumbers<Handler<Output>> numbers(handler);
    rapidjson::Reader reader;
    const rapidjson::ParseResult result = reader.Parse<flags>(stream, numbers);
    if (handler.error)
        return *std::move(handler.error);
    if (result.IsError())
        return JsonRead::parse_error(result, numbers.number_out_of_range());
    return std::nullopt;
}

// Into one map: a repeated id keeps its last list, as a JSON reader's would.
template <unsigned flags, typename Stream>
DecodeResult<HistoryReader::Histories> parse_histories(Stream& stream)
{
    StringPool pool;
    HistoryReader::Histories histories;
    const HistoryReader::Add add = [&](const QString& key, QList<DomainMeasurement>&& list) {
        histories.insert(key, MeasurementSlots::with_room(std::move(list)));
    };
    ListOutput output(add);
    if (auto error = parse<flags>(stream, pool, output))
        return *std::move(error);
    return histories;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// From the file's current position, which is left where it is.
std::optional<HistoryReader::Histories> read_in_parallel(std::FILE* file)
{
    const int descriptor = fileno(file);
    const long start = std::ftell(file);
    struct stat status {};
    if (start < 0 || fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    const auto read_at = [&](qint64 offset, char* out, qint64 size) {
        while (size > 0) {
            const ssize_t read = pread(descriptor, out, size_t(size), off_t(start + offset));
            if (read < 0 && errno == EINTR)
                continue;
            if (read <= 0)
                return false;
            out += read;
            offset += read;
            size -= read;
        }
        return true;
    };
    return ParallelHistoryReader::read(qint64(status.st_size) - start, read_at);
}

} // namespace

DecodeResult<HistoryReader::Histories> HistoryReader::read(QByteArrayView text)
{
    rapidjson::MemoryStream stream(text.data(), size_t(text.size()));
    return parse_histories<parse_flags>(stream);
}

std::optional<DecodeError> HistoryReader::read_each(QByteArrayView text, StringPool& pool,
                                                    const Add& add)
{
    // Checked at once rather than character by character in the parser: a
    // journal holds many short lines.
    if (!text.isValidUtf8())
        return DecodeError{{}, QStringLiteral("invalid UTF-8")};
    rapidjson::MemoryStream stream(text.data(), size_t(text.size()));
    ListOutput output(add);
    return parse<unchecked_text_flags>(stream, pool, output);
}

bool HistoryReader::read_list_into(char* text, qsizetype length, StringPool& pool,
                                   DomainMeasurement* slots, qsizetype count)
{
    if (!QByteArrayView(text, length).isValidUtf8() || text[length] != '\0')
        return false;
    // In place: the parser need not copy every string and number it meets.
    rapidjson::InsituStringStream stream(text);
    SlotOutput output(slots, count);
    if (parse<unchecked_text_flags | rapidjson::kParseInsituFlag>(stream, pool, output,
                                                                  Place::root) ||
        stream.Tell() != size_t(length) || output.size() != count)
        return false;
    output.keep();
    return true;
}

QString HistoryReader::list_key(std::string_view member_name)
{
    const auto id = JsonRead::uuid_text(member_name, JsonPath());
    return id ? QString::fromLatin1(JsonWrite::uuid_text(*id).data(), 36)
              : QString::fromUtf8(member_name.data(), qsizetype(member_name.size()));
}

DecodeResult<HistoryReader::Histories> HistoryReader::read_file(const QString& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(
        std::fopen(QFile::encodeName(path).constData(), "rb"));
    if (!file)
        return DecodeError{
            {},
            QStringLiteral("cannot open: %1").arg(QString::fromLocal8Bit(std::strerror(errno)))};
    return read_file(file.get());
}

DecodeResult<HistoryReader::Histories> HistoryReader::read_file(std::FILE* file)
{
    if (auto histories = read_in_parallel(file))
        return *std::move(histories);
    CheckedFileStream stream(file);
    auto histories = parse_histories<unchecked_text_flags>(stream);
    if (std::ferror(file))
        return DecodeError{{}, QStringLiteral("read error")};
    if (const auto offset = stream.invalid_text_offset())
        return DecodeError{{}, QStringLiteral("invalid UTF-8 after byte %1").arg(*offset)};
    return histories;
}
