#include "measurement/CurlEngine.h"

#include "measurement/CertificateExpiry.h"
#include "measurement/ConnectionAdmission.h"

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void initialise_curl_once()
{
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    Q_UNUSED(initialised);
}

bool is_token_character(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != '\0' && QByteArrayView("!#$%&'*+-.^_`|~").contains(c));
}

// Header lines as curl takes them. A control character in a value would end
// the line early and let the rest pass for another header, so it becomes a space.
CurlList header_lines(const HttpHeaderList& headers)
{
    curl_slist* list = nullptr;
    for (const auto& [name, raw_value] : headers) {
        if (name.isEmpty() || !std::all_of(name.cbegin(), name.cend(), is_token_character))
            continue;
        QByteArray value = raw_value;
        for (char& c : value) {
            if ((c >= 0 && c < 0x20 && c != '\t') || c == 0x7f)
                c = ' ';
        }
        value = value.trimmed();
        // "Name;" is curl's way to send a header with an empty value.
        const QByteArray line = value.isEmpty() ? name + ';' : name + ": " + value;
        curl_slist* extended = curl_slist_append(list, line.constData());
        if (extended == nullptr)
            break;
        list = extended;
    }
    return CurlList(list);
}

double seconds(CURL* easy, CURLINFO info)
{
    curl_off_t microseconds = 0;
    if (curl_easy_getinfo(easy, info, &microseconds) != CURLE_OK)
        return 0.0;
    return double(microseconds) / 1e6;
}

} // namespace

// Members go in reverse order: the easy handle before the header list it
// points to and before the connection group its request holds.
struct Transfer {
    CurlEngine::TransferId id = 0;
    HttpRequest request;
    CurlEngine::Completion done;
    CurlEngine::Started started;
    // The admission of its thread, told when the connection is ready.
    ConnectionAdmission* admission = nullptr;
    CurlList header_list;
    QByteArray url;
    char error_buffer[CURL_ERROR_SIZE] = {};
    HttpResult result;
    CurlEasy easy;
};

namespace {

size_t on_header(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    const QByteArrayView line(data, qsizetype(length));
    HttpHeaderList& headers = transfer->result.headers;
    if (line.startsWith("HTTP/")) {
        // A new response begins (after an interim 1xx one): only the last counts.
        headers.clear();
    } else if ((line.startsWith(' ') || line.startsWith('\t')) && !headers.isEmpty()) {
        headers.last().second += ' ' + line.trimmed().toByteArray();
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        headers.append({line.first(colon).trimmed().toByteArray(),
                        line.sliced(colon + 1).trimmed().toByteArray()});
    }
    return length;
}

// The connection is ready (reused or new, TLS done) and the request is about to
// go. Runs inside a socket action: bookkeeping and reading the transfer's own
// info only. The certificate is read here because curl's pointer to the TLS
// session is good only while the connection lives, which it may not once the
// transfer is done.
int on_prerequest(void* user, char*, char*, int, int)
{
    auto* transfer = static_cast<Transfer*>(user);
    transfer->result.certificate_expires_at =
        CertificateExpiry::of_connection(transfer->easy.get());
    if (transfer->admission != nullptr)
        transfer->admission->connected(transfer->id);
    return CURL_PREREQFUNC_OK;
}

size_t on_body(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    const qsizetype limit = transfer->request.body_limit;
    if (limit <= 0)
        return length;
    QByteArray& body = transfer->result.body;
    if (body.size() + qsizetype(length) > limit) {
        transfer->result.body_too_large = true;
        return 0;
    }
    body.append(data, qsizetype(length));
    return length;
}

} // namespace

namespace {

// One handshake at a time per thread: with more, handshakes on the same cores time
// each other's work (measured: 1,000 domains due at once on two cores, median
// 1.35 x the time of a lone request with one, 2 x with two). The hold keeps the
// line moving past slow networks.
constexpr int default_connecting_limit = 1;
// Longer than a handshake's work on this machine, short against a slow network.
constexpr std::chrono::milliseconds default_connecting_hold{50};

} // namespace

// One engine thread with its own multi handle and its own admission.
class CurlEngine::Worker {
public:
    explicit Worker(const Options& options)
        : options_(options),
          admission_(options.connecting_limit > 0 ? options.connecting_limit
                                                  : default_connecting_limit,
                     options.connecting_hold.count() > 0 ? options.connecting_hold
                                                         : default_connecting_hold)
    {
        initialise_curl_once();
        multi_.reset(curl_multi_init());
        epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
        wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        epoll_event wake{};
        wake.events = EPOLLIN;
        wake.data.fd = wake_fd_;
        epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_fd_, &wake);
        // curl's socket interface with epoll: each event costs the same however
        // many transfers are in flight, where polling every socket would not.
        curl_multi_setopt(multi_.get(), CURLMOPT_SOCKETFUNCTION, on_socket);
        curl_multi_setopt(multi_.get(), CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(multi_.get(), CURLMOPT_TIMERFUNCTION, on_timer);
        curl_multi_setopt(multi_.get(), CURLMOPT_TIMERDATA, this);
        thread_ = std::thread([this] { run(); });
    }

    ~Worker()
    {
        stop();
        multi_.reset();
        close(epoll_fd_);
        close(wake_fd_);
    }

    void stop()
    {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            stopping_ = true;
        }
        wake();
        if (thread_.joinable())
            thread_.join();
    }

    void start(TransferId id, HttpRequest request, Completion done, Started started)
    {
        auto transfer = std::make_unique<Transfer>();
        transfer->id = id;
        transfer->request = std::move(request);
        transfer->done = std::move(done);
        transfer->started = std::move(started);
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            incoming_.push_back(std::move(transfer));
        }
        ++in_flight_;
        wake();
    }

    void cancel(TransferId id)
    {
        {
            std::lock_guard lock(mutex_);
            cancels_.push_back(id);
        }
        wake();
    }

    // Closing a pool's connections touches curl state, so it happens on the engine thread.
    void release(CurlShare share)
    {
        {
            std::lock_guard lock(mutex_);
            if (!stopping_) {
                released_.push_back(std::move(share));
                share = nullptr;
            }
        }
        if (share == nullptr)
            wake();
    }

    int in_flight() const { return in_flight_; }

private:
    void wake()
    {
        const quint64 one = 1;
        [[maybe_unused]] const auto written = write(wake_fd_, &one, sizeof one);
    }

    static int on_socket(CURL*, curl_socket_t socket, int what, void* user, void*)
    {
        auto* worker = static_cast<Worker*>(user);
        if (what == CURL_POLL_REMOVE) {
            epoll_ctl(worker->epoll_fd_, EPOLL_CTL_DEL, socket, nullptr);
            return 0;
        }
        epoll_event event{};
        event.events =
            (what & CURL_POLL_IN ? EPOLLIN : 0u) | (what & CURL_POLL_OUT ? EPOLLOUT : 0u);
        event.data.fd = socket;
        if (epoll_ctl(worker->epoll_fd_, EPOLL_CTL_MOD, socket, &event) != 0 && errno == ENOENT)
            epoll_ctl(worker->epoll_fd_, EPOLL_CTL_ADD, socket, &event);
        return 0;
    }

    static int on_timer(CURLM*, long timeout_ms, void* user)
    {
        auto* worker = static_cast<Worker*>(user);
        if (timeout_ms < 0)
            worker->deadline_.reset();
        else
            worker->deadline_ = Clock::now() + std::chrono::milliseconds(timeout_ms);
        return 0;
    }

    void run()
    {
        constexpr int max_events = 256;
        epoll_event events[max_events];
        for (;;) {
            std::vector<std::unique_ptr<Transfer>> incoming;
            std::vector<TransferId> cancels;
            std::vector<CurlShare> released;
            {
                std::lock_guard lock(mutex_);
                if (stopping_)
                    break;
                incoming.swap(incoming_);
                cancels.swap(cancels_);
                released.swap(released_);
            }
            for (std::unique_ptr<Transfer>& transfer : incoming)
                arrive(std::move(transfer));
            for (TransferId id : cancels)
                cancel_running(id);
            released.clear();
            admit_waiting();
            if (deadline_ && *deadline_ <= Clock::now())
                on_deadline();
            take_finished();
            admit_waiting();

            int wait_ms = 1000;
            std::optional<Clock::time_point> wake_at = deadline_;
            if (const auto expiry = admission_.next_expiry())
                wake_at = wake_at ? std::min(*wake_at, *expiry) : *expiry;
            if (wake_at) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(*wake_at - Clock::now());
                wait_ms = int(std::clamp<qint64>(left.count(), 0, wait_ms));
            }
            const int count = epoll_wait(epoll_fd_, events, max_events, wait_ms);
            int running = 0;
            for (int i = 0; i < count; ++i) {
                const int fd = events[i].data.fd;
                if (fd == wake_fd_) {
                    quint64 wakes = 0;
                    [[maybe_unused]] const auto read_bytes = read(wake_fd_, &wakes, sizeof wakes);
                    continue;
                }
                const uint32_t flags = events[i].events;
                const int action = (flags & (EPOLLIN | EPOLLHUP) ? CURL_CSELECT_IN : 0) |
                                   (flags & EPOLLOUT ? CURL_CSELECT_OUT : 0) |
                                   (flags & EPOLLERR ? CURL_CSELECT_ERR : 0);
                curl_multi_socket_action(multi_.get(), fd, action, &running);
            }
            if (deadline_ && *deadline_ <= Clock::now())
                on_deadline();
            take_finished();
            admit_waiting();
        }
        // Dropped without completion: whoever waited is going away with the engine.
        for (auto& [id, transfer] : running_)
            curl_multi_remove_handle(multi_.get(), transfer->easy.get());
        running_.clear();
        waiting_.clear();
        std::lock_guard lock(mutex_);
        incoming_.clear();
        released_.clear();
    }

    void on_deadline()
    {
        deadline_.reset();
        int running = 0;
        curl_multi_socket_action(multi_.get(), CURL_SOCKET_TIMEOUT, 0, &running);
    }

    void take_finished()
    {
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
            if (message->msg == CURLMSG_DONE)
                finish(message->easy_handle, message->data.result);
        }
    }

    // Into the line, or at once for a transfer that does not wait.
    void arrive(std::unique_ptr<Transfer> transfer)
    {
        const TransferId id = transfer->id;
        if (!transfer->request.waits_for_admission) {
            admission_.start_at_once(id, Clock::now());
            begin(std::move(transfer));
            return;
        }
        admission_.enqueue(id);
        waiting_.emplace(id, std::move(transfer));
    }

    void admit_waiting()
    {
        for (const TransferId id : admission_.admit(Clock::now())) {
            const auto found = waiting_.find(id);
            if (found == waiting_.end())
                continue;
            std::unique_ptr<Transfer> transfer = std::move(found->second);
            waiting_.erase(found);
            begin(std::move(transfer));
        }
    }

    void begin(std::unique_ptr<Transfer> transfer)
    {
        Transfer& t = *transfer;
        t.easy.reset(curl_easy_init());
        t.url = t.request.url.toEncoded();
        t.header_list = header_lines(t.request.headers);
        CURL* easy = t.easy.get();
        const bool pooled = t.request.connections != nullptr;

        curl_easy_setopt(easy, CURLOPT_URL, t.url.constData());
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS));
        curl_easy_setopt(easy, CURLOPT_DNS_CACHE_TIMEOUT, 0L);
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, pooled ? 0L : 1L);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, pooled ? 0L : 1L);
        if (pooled)
            curl_easy_setopt(easy, CURLOPT_SHARE, t.request.connections->handle());
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS,
                         long(std::max<qint64>(t.request.timeout.count(), 1)));
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t.header_list.get());
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, t.error_buffer);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, on_header);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_body);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(easy, CURLOPT_PRIVATE, &t);
        curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, on_prerequest);
        curl_easy_setopt(easy, CURLOPT_PREREQDATA, &t);
        t.admission = &admission_;
        if (options_.ca_bundle) {
            curl_easy_setopt(easy, CURLOPT_CAINFO, options_.ca_bundle->constData());
            curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
        }

        t.result.started = Clock::now();
        if (curl_multi_add_handle(multi_.get(), easy) != CURLM_OK) {
            t.result.error = QStringLiteral("Cannot start the transfer");
            complete(std::move(transfer));
            return;
        }
        if (t.started)
            t.started(t.result.started);
        const TransferId id = t.id;
        running_.emplace(id, std::move(transfer));
    }

    void cancel_running(TransferId id)
    {
        if (const auto queued = waiting_.find(id); queued != waiting_.end()) {
            std::unique_ptr<Transfer> transfer = std::move(queued->second);
            waiting_.erase(queued);
            transfer->result.cancelled = true;
            transfer->result.error = QStringLiteral("Transfer cancelled");
            complete(std::move(transfer));
            return;
        }
        const auto found = running_.find(id);
        if (found == running_.end())
            return;
        std::unique_ptr<Transfer> transfer = std::move(found->second);
        running_.erase(found);
        curl_multi_remove_handle(multi_.get(), transfer->easy.get());
        transfer->result.cancelled = true;
        transfer->result.error = QStringLiteral("Transfer cancelled");
        complete(std::move(transfer));
    }

    void finish(CURL* easy, CURLcode code)
    {
        Transfer* raw = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
        const auto found = running_.find(raw->id);
        std::unique_ptr<Transfer> transfer = std::move(found->second);
        running_.erase(found);

        HttpResult& result = transfer->result;
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        if (status > 0)
            result.status = int(status);
        else
            result.headers.clear();
        long connects = 0;
        curl_easy_getinfo(easy, CURLINFO_NUM_CONNECTS, &connects);
        result.times = HttpTransferTimes{
            .name_lookup = seconds(easy, CURLINFO_NAMELOOKUP_TIME_T),
            .connect = seconds(easy, CURLINFO_CONNECT_TIME_T),
            .app_connect = seconds(easy, CURLINFO_APPCONNECT_TIME_T),
            .pre_transfer = seconds(easy, CURLINFO_PRETRANSFER_TIME_T),
            .start_transfer = seconds(easy, CURLINFO_STARTTRANSFER_TIME_T),
            .total = seconds(easy, CURLINFO_TOTAL_TIME_T),
            .new_connection = connects > 0,
        };
        char* location = nullptr;
        if (status >= 300 && status < 400 &&
            curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
            location != nullptr)
            result.redirect_url = QUrl::fromEncoded(QByteArray(location));
        if (code != CURLE_OK) {
            const char* text = transfer->error_buffer[0] != '\0' ? transfer->error_buffer
                                                                 : curl_easy_strerror(code);
            result.error = QString::fromUtf8(text).trimmed();
        }
        curl_multi_remove_handle(multi_.get(), easy);
        complete(std::move(transfer));
    }

    void complete(std::unique_ptr<Transfer> transfer)
    {
        admission_.finished(transfer->id);
        Completion done = std::move(transfer->done);
        HttpResult result = std::move(transfer->result);
        // The easy handle goes before its connection group may be released.
        transfer.reset();
        --in_flight_;
        if (done)
            done(std::move(result));
    }

    Options options_;
    CurlMulti multi_;
    int epoll_fd_ = -1;
    int wake_fd_ = -1;
    std::thread thread_;

    mutable std::mutex mutex_;
    bool stopping_ = false;
    std::vector<std::unique_ptr<Transfer>> incoming_;
    std::vector<TransferId> cancels_;
    std::vector<CurlShare> released_;
    std::atomic<int> in_flight_{0};

    // Engine thread only.
    ConnectionAdmission admission_;
    std::unordered_map<TransferId, std::unique_ptr<Transfer>> waiting_;
    std::unordered_map<TransferId, std::unique_ptr<Transfer>> running_;
    std::optional<Clock::time_point> deadline_;
};

CurlEngine::Options CurlEngine::Options::from_environment()
{
    Options options;
    const QByteArray bundle = qgetenv("TESSARY_CA_BUNDLE");
    if (!bundle.isEmpty())
        options.ca_bundle = bundle;
    return options;
}

namespace {

// A transfer's id names its worker in the low bits.
constexpr int worker_bits = 3;
constexpr int max_workers = 4;

std::atomic<CurlEngine::TransferId> last_serial{0};

int default_thread_count()
{
    return std::clamp(int(std::thread::hardware_concurrency()), 1, max_workers);
}

} // namespace

CurlEngine::CurlEngine(Options options)
{
    const int threads =
        std::clamp(options.threads > 0 ? options.threads : default_thread_count(), 1, max_workers);
    for (int i = 0; i < threads; ++i)
        workers_.push_back(std::make_shared<Worker>(options));
}

CurlEngine::~CurlEngine()
{
    for (const std::shared_ptr<Worker>& worker : workers_)
        worker->stop();
}

CurlEngine& CurlEngine::shared()
{
    static CurlEngine engine;
    return engine;
}

std::size_t CurlEngine::least_busy_worker() const
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < workers_.size(); ++i) {
        if (workers_[i]->in_flight() < workers_[best]->in_flight())
            best = i;
    }
    return best;
}

CurlEngine::TransferId CurlEngine::start(HttpRequest request, Completion done, Started started)
{
    // The transfers of one connection group stay on the thread of its pool.
    const std::size_t worker =
        request.connections ? request.connections->worker() : least_busy_worker();
    const TransferId id = (++last_serial << worker_bits) | TransferId(worker);
    workers_[worker]->start(id, std::move(request), std::move(done), std::move(started));
    return id;
}

void CurlEngine::cancel(TransferId id)
{
    const std::size_t worker = std::size_t(id & ((1u << worker_bits) - 1));
    if (worker < workers_.size())
        workers_[worker]->cancel(id);
}

std::shared_ptr<CurlConnectionGroup> CurlEngine::new_connection_group()
{
    initialise_curl_once();
    CurlShare share(curl_share_init());
    curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    const std::size_t index = least_busy_worker();
    std::weak_ptr<Worker> worker = workers_[index];
    return std::make_shared<CurlConnectionGroup>(
        std::move(share),
        [worker](CurlShare released) {
            if (const std::shared_ptr<Worker> alive = worker.lock())
                alive->release(std::move(released));
        },
        index);
}

int CurlEngine::transfers_in_flight() const
{
    int total = 0;
    for (const std::shared_ptr<Worker>& worker : workers_)
        total += worker->in_flight();
    return total;
}

void CurlEngine::raise_open_file_limit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}
