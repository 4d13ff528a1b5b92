#include "measurement/TessaryService.h"

#include "i18n/L10n.h"
#include "measurement/HttpTransaction.h"
#include "measurement/MeasurementBuilder.h"
#include "measurement/ThreadInbox.h"
#include "model/DomainSettings.h"
#include "model/HttpStatus.h"

#include <QUuid>

#include <algorithm>

namespace {

using Steady = std::chrono::steady_clock;

} // namespace

class TessaryService::State : public std::enable_shared_from_this<State> {
public:
    State(HttpEngine& engine, Clock& clock, std::shared_ptr<SharedBaselineProbe> probe,
          Limits limits)
        : engine_(engine), clock_(clock), limits_(limits), probe_(std::move(probe))
    {}

    ~State()
    {
        if (transfer_ && !completed_)
            engine_.cancel(*transfer_);
    }

    void measure(const QUrl& url, const QString& user_agent, Done done)
    {
        if (done_ || completed_)
            return;
        done_ = std::move(done);
        std::weak_ptr<State> weak = weak_from_this();
        probe_->measure([weak, url, user_agent](NetworkBaselineResult probe) {
            if (const std::shared_ptr<State> self = weak.lock())
                self->on_probe(probe, url, user_agent);
        });
    }

private:
    void on_probe(const NetworkBaselineResult& probe, const QUrl& url, const QString& user_agent)
    {
        outcome_.network_baseline_time = probe.duration;
        outcome_.is_local_network_issue =
            MeasurementBuilder::is_local_network_issue(probe, limits_.slow_probe_seconds);
        if (!probe.is_available) {
            completed_ = true;
            deliver(std::nullopt);
            return;
        }

        outcome_.requested_url = url.toString(QUrl::FullyEncoded);
        outcome_.time_limit_seconds = int(limits_.watchdog.count() / 1000);
        // Normalised as the store normalises the setting.
        user_agent_ = ::normalized_user_agent(user_agent).toUtf8();
        connections_ = engine_.new_connection_group();
        start_hop(url);
    }

    // The first hop left the engine's line at `started` (on the engine's clock):
    // the measurement's time starts there, not when this thread heard of it.
    void on_started(Steady::time_point started)
    {
        if (completed_ || started_at_.isValid())
            return;
        const qint64 late_ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - started).count();
        started_at_ = clock_.now().addMSecs(-std::max<qint64>(late_ms, 0));
        requested_at_ = started;
        watchdog_ =
            clock_.call_after(limits_.watchdog.count() - late_ms, [this] { on_watchdog(); });
    }

    void start_hop(const QUrl& url)
    {
        // curl's limit covers the whole chain, as a single task's would.
        const bool first = outcome_.transactions.isEmpty();
        const auto spent = first ? std::chrono::milliseconds(0)
                                 : std::chrono::duration_cast<std::chrono::milliseconds>(
                                       Steady::now() - requested_at_);
        HttpRequest request;
        request.url = url;
        request.headers = {{"Cache-Control", "no-cache"}, {"User-Agent", user_agent_}};
        request.timeout = std::max(limits_.request_timeout - spent, std::chrono::milliseconds(1));
        request.connections = connections_;

        const std::shared_ptr<ThreadInbox> inbox = ThreadInbox::current();
        std::weak_ptr<State> weak = weak_from_this();
        HttpEngine::Started started;
        if (first) {
            started = [inbox, weak](Steady::time_point instant) {
                inbox->post([weak, instant] {
                    if (const std::shared_ptr<State> self = weak.lock())
                        self->on_started(instant);
                });
            };
        }
        transfer_ = engine_.start(
            std::move(request),
            [inbox, weak](HttpResult result) {
                inbox->post([weak, result = std::move(result)] {
                    if (const std::shared_ptr<State> self = weak.lock())
                        self->on_hop(result);
                });
            },
            std::move(started));
    }

    void on_hop(const HttpResult& result)
    {
        if (completed_)
            return;
        // Hops back to back: the gap between two (this thread's turn, the engine's
        // line) is Tessary's, not the site's.
        const double offset = outcome_.task_duration.value_or(0.0);
        outcome_.transactions.append(HttpTransaction::from_transfer(result.times, offset));
        outcome_.task_duration = offset + result.times.total;
        outcome_.status = result.status;
        outcome_.response_headers = result.headers;
        // The certificate of the monitored site: the first one of the chain. That
        // is the URL's own host, or, when a plain http:// URL is sent on to
        // https://, the host that serves it securely; later hops may well be
        // someone else's (a login service, a CDN).
        if (!outcome_.certificate_expires_at.isValid())
            outcome_.certificate_expires_at = result.certificate_expires_at;

        if (result.error) {
            complete(result.error);
            return;
        }
        if (result.status && is_followed_redirect(*result.status) && result.redirect_url) {
            if (outcome_.transactions.size() > limits_.max_redirects) {
                complete(too_many_redirects_message(limits_.max_redirects));
                return;
            }
            start_hop(*result.redirect_url);
            return;
        }
        complete(std::nullopt);
    }

    void on_watchdog()
    {
        if (completed_)
            return;
        outcome_.timed_out = true;
        // Like a task's metrics, a hop's times arrive only when it ends.
        outcome_.transactions.clear();
        outcome_.task_duration.reset();
        outcome_.status.reset();
        outcome_.response_headers.clear();
        if (transfer_)
            engine_.cancel(*transfer_);
        complete(std::nullopt);
    }

    void complete(std::optional<QString> error)
    {
        completed_ = true;
        watchdog_.reset();
        connections_.reset();
        outcome_.id = QUuid::createUuid();
        const QDateTime now = clock_.now();
        // A transfer that never started (the engine refused it) has no start of its own.
        outcome_.measured_at = started_at_.isValid() ? started_at_ : now;
        outcome_.elapsed = double(outcome_.measured_at.msecsTo(now)) / 1000.0;
        outcome_.error = std::move(error);
        deliver(MeasurementBuilder::build(outcome_));
    }

    void deliver(std::optional<DomainMeasurement> measurement)
    {
        // `done` may well delete the service.
        const std::shared_ptr<State> keep = shared_from_this();
        Done done = std::move(done_);
        if (done)
            done(std::move(measurement));
    }

    HttpEngine& engine_;
    Clock& clock_;
    Limits limits_;
    std::shared_ptr<SharedBaselineProbe> probe_;
    Done done_;
    bool completed_ = false;

    QDateTime started_at_;
    Steady::time_point requested_at_;
    QByteArray user_agent_;
    std::shared_ptr<CurlConnectionGroup> connections_;
    std::optional<HttpEngine::TransferId> transfer_;
    std::unique_ptr<ScheduledCall> watchdog_;
    MeasurementBuilder::RequestOutcome outcome_;
};

TessaryService::TessaryService(HttpEngine& engine, Clock& clock, QUrl probe_endpoint, Limits limits)
    : TessaryService(engine, clock,
                     std::make_shared<SharedBaselineProbe>(engine, clock, std::move(probe_endpoint),
                                                           limits.probe_limit),
                     limits)
{}

TessaryService::TessaryService(HttpEngine& engine, Clock& clock,
                               std::shared_ptr<SharedBaselineProbe> probe, Limits limits)
    : state_(std::make_shared<State>(engine, clock, std::move(probe), limits))
{}

TessaryService::~TessaryService() = default;

void TessaryService::measure(const QUrl& url, const QString& user_agent, Done done)
{
    state_->measure(url, user_agent, std::move(done));
}

QString TessaryService::too_many_redirects_message(int max_redirects)
{
    return L10n::text(u"Too many redirects (more than %1).",
                      u"Te veel doorverwijzingen (meer dan %1).")
        .arg(max_redirects);
}
