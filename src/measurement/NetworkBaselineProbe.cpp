#include "measurement/NetworkBaselineProbe.h"

#include "measurement/ThreadInbox.h"

#include <algorithm>
#include <optional>

namespace {

bool succeeded(const HttpResult& result)
{
    return !result.error && result.status && *result.status >= 200 && *result.status <= 399;
}

} // namespace

class NetworkBaselineProbe::State : public std::enable_shared_from_this<State> {
public:
    State(HttpEngine& engine, Clock& clock, QUrl endpoint, std::chrono::milliseconds limit)
        : engine_(engine), clock_(clock), endpoint_(std::move(endpoint)), limit_(limit)
    {}

    ~State()
    {
        if (transfer_ && !completed_)
            engine_.cancel(*transfer_);
    }

    void measure(std::function<void(NetworkBaselineResult)> done)
    {
        if (started_)
            return;
        started_ = true;
        done_ = std::move(done);

        HttpRequest request;
        request.url = endpoint_;
        request.timeout = limit_;
        request.waits_for_admission = false;
        const std::shared_ptr<ThreadInbox> inbox = ThreadInbox::current();
        std::weak_ptr<State> weak = weak_from_this();
        transfer_ = engine_.start(std::move(request), [inbox, weak](HttpResult result) {
            const bool available = succeeded(result);
            // The request's own time: how long this thread took to hear of its
            // end (with a thousand measurements starting) is no trait of the network.
            const double seconds = result.times.total;
            inbox->post([weak, available, seconds] {
                if (const std::shared_ptr<State> self = weak.lock())
                    self->finish(available, seconds);
            });
        });
        // The handle lives in this object, so the call never outlives it.
        watchdog_ = clock_.call_after(limit_.count(), [this] { finish(false, std::nullopt); });
    }

private:
    // `seconds` is the request's time, none when the watchdog ended it.
    void finish(bool available, std::optional<double> seconds)
    {
        if (completed_)
            return;
        completed_ = true;
        const bool by_watchdog = !seconds;
        const double limit_seconds = std::chrono::duration<double>(limit_).count();
        const NetworkBaselineResult result{
            .duration = std::min(seconds.value_or(limit_seconds), limit_seconds),
            .is_available = available,
        };
        watchdog_.reset();
        if (by_watchdog && transfer_)
            engine_.cancel(*transfer_);
        // `done` may well delete the probe.
        const std::shared_ptr<State> keep = shared_from_this();
        std::function<void(NetworkBaselineResult)> done = std::move(done_);
        if (done)
            done(result);
    }

    HttpEngine& engine_;
    Clock& clock_;
    QUrl endpoint_;
    std::chrono::milliseconds limit_;
    bool started_ = false;
    bool completed_ = false;
    std::optional<HttpEngine::TransferId> transfer_;
    std::unique_ptr<ScheduledCall> watchdog_;
    std::function<void(NetworkBaselineResult)> done_;
};

NetworkBaselineProbe::NetworkBaselineProbe(HttpEngine& engine, Clock& clock, QUrl endpoint,
                                           std::chrono::milliseconds limit)
    : state_(std::make_shared<State>(engine, clock, std::move(endpoint), limit))
{}

NetworkBaselineProbe::~NetworkBaselineProbe() = default;

void NetworkBaselineProbe::measure(std::function<void(NetworkBaselineResult)> done)
{
    state_->measure(std::move(done));
}

QUrl NetworkBaselineProbe::configured_endpoint()
{
    const QUrl configured(QString::fromUtf8(qgetenv("TESSARY_PROBE_URL")), QUrl::StrictMode);
    const QString scheme = configured.scheme().toLower();
    if (configured.isValid() && !configured.host().isEmpty() &&
        (scheme == u"https" || scheme == u"http"))
        return configured;
    return default_endpoint();
}

QUrl NetworkBaselineProbe::default_endpoint()
{
    return QUrl(QStringLiteral("https://connectivitycheck.gstatic.com/generate_204"));
}
