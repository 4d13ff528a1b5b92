#include "store/ParallelHistoryReader.h"

#include "store/HistoryScanner.h"
#include "store/MeasurementSlots.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct ListRead {
    QString key;
    MeasurementSlots slots;
    std::vector<HistoryScanner::Piece> pieces;
    // Per piece: its measurements are constructed. Each is written by one thread
    // and read once all have finished.
    std::vector<char> decoded;
};

struct Task {
    ListRead* list = nullptr;
    size_t piece = 0;
};

// The lists found so far and the pieces still to decode, shared by the threads.
class Decoding {
public:
    explicit Decoding(const ParallelHistoryReader::ReadAt& read_at) : read_at_(read_at) {}
    ~Decoding();

    void add(HistoryScanner::List&& list);
    // No more lists will come.
    void close();
    void fail();
    bool failed() const { return failed_; }
    // Decodes pieces until none are left or one fails.
    void work();
    // Once every thread has finished working, and none failed.
    HistoryReader::Histories take();

private:
    std::optional<Task> next();
    bool decode(const Task& task, StringPool& pool, std::vector<char>& buffer);

    const ParallelHistoryReader::ReadAt& read_at_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Task> tasks_;
    bool closed_ = false;
    std::atomic<bool> failed_ = false;
    std::vector<std::unique_ptr<ListRead>> lists_;
};

Decoding::~Decoding()
{
    // After a failure: what was decoded is destroyed; the slots only free their storage.
    for (const auto& list : lists_) {
        for (size_t i = 0; i < list->pieces.size(); ++i) {
            if (list->decoded[i])
                std::destroy_n(list->slots.slot(list->pieces[i].first), list->pieces[i].count);
        }
    }
}

void Decoding::add(HistoryScanner::List&& found)
{
    std::unique_ptr<ListRead> list(new ListRead{HistoryReader::list_key(found.key),
                                                MeasurementSlots(found.count),
                                                std::move(found.pieces),
                                                {}});
    list->decoded.resize(list->pieces.size());
    const std::lock_guard lock(mutex_);
    for (size_t i = 0; i < list->pieces.size(); ++i)
        tasks_.push_back({list.get(), i});
    lists_.push_back(std::move(list));
    ready_.notify_all();
}

void Decoding::close()
{
    const std::lock_guard lock(mutex_);
    closed_ = true;
    ready_.notify_all();
}

void Decoding::fail()
{
    const std::lock_guard lock(mutex_);
    failed_ = true;
    ready_.notify_all();
}

std::optional<Task> Decoding::next()
{
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return failed_ || closed_ || !tasks_.empty(); });
    if (failed_ || tasks_.empty())
        return std::nullopt;
    const Task task = tasks_.front();
    tasks_.pop_front();
    return task;
}

void Decoding::work()
{
    // Each thread shares texts among its own measurements.
    StringPool pool;
    std::vector<char> buffer;
    while (const std::optional<Task> task = next()) {
        if (!decode(*task, pool, buffer)) {
            fail();
            return;
        }
    }
}

bool Decoding::decode(const Task& task, StringPool& pool, std::vector<char>& buffer)
{
    const HistoryScanner::Piece& piece = task.list->pieces[task.piece];
    // The piece's measurements as a list of their own.
    const qint64 length = piece.end - piece.begin;
    buffer.resize(size_t(length) + 3);
    buffer[0] = '[';
    buffer[size_t(length) + 1] = ']';
    buffer[size_t(length) + 2] = '\0';
    if (!read_at_(piece.begin, buffer.data() + 1, length))
        return false;
    if (!HistoryReader::read_list_into(buffer.data(), qsizetype(length) + 2, pool,
                                       task.list->slots.slot(piece.first), piece.count))
        return false;
    task.list->decoded[task.piece] = 1;
    return true;
}

HistoryReader::Histories Decoding::take()
{
    // In file order, so that a repeated key keeps its last list.
    HistoryReader::Histories histories;
    for (const auto& list : lists_)
        histories.insert(list->key, list->slots.take());
    lists_.clear();
    return histories;
}

} // namespace

std::optional<HistoryReader::Histories>
ParallelHistoryReader::read(qint64 size, const ReadAt& read_at, const Options& options)
{
    Decoding decoding(read_at);
    HistoryScanner scanner(options.piece_bytes,
                           [&](HistoryScanner::List&& list) { decoding.add(std::move(list)); });
    std::vector<std::future<void>> helpers;
    // Whatever happens here, the helpers must be let go before they are waited for.
    const struct Release {
        Decoding& decoding;
        ~Release() { decoding.close(); }
    } release{decoding};
    for (int i = 0; i < options.helpers; ++i)
        helpers.push_back(std::async(std::launch::async, [&] { decoding.work(); }));

    std::vector<char> block(size_t(std::min(size, options.block_bytes)));
    bool scanned = true;
    for (qint64 offset = 0; scanned && offset < size && !decoding.failed();) {
        const qint64 length = std::min(size - offset, qint64(block.size()));
        scanned = read_at(offset, block.data(), length) &&
                  scanner.feed(QByteArrayView(block.data(), qsizetype(length)));
        offset += length;
    }
    if (!scanned || !scanner.finished())
        decoding.fail();
    decoding.close();
    decoding.work();
    for (std::future<void>& helper : helpers)
        helper.get();
    if (decoding.failed())
        return std::nullopt;
    return decoding.take();
}

std::optional<HistoryReader::Histories> ParallelHistoryReader::read(QByteArrayView text,
                                                                    const Options& options)
{
    return read(
        text.size(),
        [&](qint64 offset, char* out, qint64 size) {
            std::memcpy(out, text.data() + offset, size_t(size));
            return true;
        },
        options);
}
