#include "hosting/HostingProviderService.h"

#include "hosting/RDAPResponse.h"
#include "hosting/SystemHostResolver.h"
#include "measurement/ThreadInbox.h"
#include "model/DomainSettings.h"
#include "model/HttpStatus.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <sys/socket.h>
#include <unordered_map>
#include <utility>

namespace {

bool is_web_url(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"https" || scheme == u"http");
}

int bootstrap_family(int family)
{
    return family == AF_INET ? AF_INET : AF_INET6;
}

} // namespace

class HostingProviderService::State : public std::enable_shared_from_this<State> {
public:
    State(CurlEngine& engine, HostResolver& resolver, Clock& clock, QUrl bootstrap_base,
          Limits limits)
        : engine_(engine), resolver_(resolver), clock_(clock),
          bootstrap_base_(std::move(bootstrap_base)), limits_(limits)
    {}

    ~State()
    {
        for (const CurlEngine::TransferId id : std::as_const(transfers_))
            engine_.cancel(id);
    }

    // Wraps `done` so it runs on this thread's next turn, and only while the
    // service exists: callers never see a callback inside their own call.
    template <typename T>
    std::function<void(T)> later(std::function<void(T)> done)
    {
        return [inbox = ThreadInbox::current(), weak = weak_from_this(),
                done = std::move(done)](T value) {
            inbox->post([weak, done, value = std::move(value)]() mutable {
                if (const std::shared_ptr<State> self = weak.lock())
                    done(std::move(value));
            });
        };
    }

    void profile_for(const QString& host, ProfileDone done)
    {
        resolve(host, [this, weak = weak_from_this(), host,
                       done = std::move(done)](std::optional<ResolvedAddress> address) mutable {
            if (weak.expired())
                return;
            if (!address) {
                done(std::nullopt);
                return;
            }
            if (address->is_special_use()) {
                done(make_profile(host, *address, std::nullopt));
                return;
            }
            lookup_provider(*address, [this, weak, host, address = *address,
                                       done = std::move(done)](std::optional<RDAPResult> result) {
                if (!weak.expired())
                    done(make_profile(host, address, result));
            });
        });
    }

    void resolve(const QString& host, AddressDone done)
    {
        const quint64 token = ++last_token_;
        const std::weak_ptr<State> weak = weak_from_this();
        PendingResolve& pending = resolves_[token];
        pending.done = std::move(done);
        pending.watchdog = clock_.call_after(limits_.resolve_timeout_ms, [weak, token] {
            if (const std::shared_ptr<State> self = weak.lock())
                self->finish_resolve(token, std::nullopt);
        });
        resolver_.resolve(host, [weak, token](std::optional<ResolvedAddress> address) {
            if (const std::shared_ptr<State> self = weak.lock())
                self->finish_resolve(token, std::move(address));
        });
    }

    void lookup_provider(const ResolvedAddress& address, LookupDone done)
    {
        bootstrap_for(
            address.family, [this, weak = weak_from_this(), address, done = std::move(done)](
                                std::optional<RDAPBootstrap> bootstrap) mutable {
                if (weak.expired())
                    return;
                const std::optional<QUrl> server =
                    bootstrap ? bootstrap->service_url(address.bytes) : std::nullopt;
                if (!server) {
                    done(std::nullopt);
                    return;
                }
                HttpRequest request;
                request.url = query_url(*server, address);
                request.headers = {{"Accept", "application/rdap+json"},
                                   {"User-Agent", DomainSettings::default_user_agent().toUtf8()}};
                request.timeout = limits_.rdap_timeout;
                fetch(std::move(request), limits_.max_redirects,
                      [done = std::move(done)](std::optional<QByteArray> body) {
                          done(body ? RDAPResponse::read(*body) : std::nullopt);
                      });
            });
    }

    void bootstrap_for(int family, BootstrapDone done)
    {
        const int key = bootstrap_family(family);
        if (const auto cached = bootstrap_cache_.constFind(key);
            cached != bootstrap_cache_.cend()) {
            done(*cached);
            return;
        }
        // One fetch per family at a time; whoever asks meanwhile waits for it.
        QList<BootstrapDone>& waiters = bootstrap_waiters_[key];
        waiters.append(std::move(done));
        if (waiters.size() > 1)
            return;
        HttpRequest request;
        request.url = bootstrap_file_url(bootstrap_base_, key);
        request.timeout = limits_.bootstrap_timeout;
        fetch(std::move(request), limits_.max_redirects,
              [this, weak = weak_from_this(), key](std::optional<QByteArray> body) {
                  if (!weak.expired())
                      finish_bootstrap(key, body);
              });
    }

private:
    struct PendingResolve {
        AddressDone done;
        std::unique_ptr<ScheduledCall> watchdog;
    };

    using BodyDone = std::function<void(std::optional<QByteArray>)>;

    void finish_resolve(quint64 token, std::optional<ResolvedAddress> address)
    {
        const auto pending = resolves_.find(token);
        if (pending == resolves_.end())
            return;
        const AddressDone done = std::move(pending->second.done);
        resolves_.erase(pending);
        const std::shared_ptr<State> keep = shared_from_this();
        done(std::move(address));
    }

    void finish_bootstrap(int key, const std::optional<QByteArray>& body)
    {
        std::optional<RDAPBootstrap> bootstrap;
        if (body) {
            if (auto decoded = RDAPBootstrap::decode(*body)) {
                bootstrap = std::move(decoded).value();
                bootstrap_cache_.insert(key, *bootstrap);
            }
        }
        const QList<BootstrapDone> waiters = bootstrap_waiters_.take(key);
        const std::shared_ptr<State> keep = shared_from_this();
        for (const BootstrapDone& waiter : waiters)
            waiter(bootstrap);
    }

    // The body of a 2xx answer, after following up to `redirects_left` redirects.
    void fetch(HttpRequest request, int redirects_left, BodyDone done)
    {
        request.body_limit = limits_.body_limit;
        HttpRequest next = request;
        const auto id = std::make_shared<CurlEngine::TransferId>(0);
        *id = engine_.start(std::move(request), [inbox = ThreadInbox::current(),
                                                 weak = weak_from_this(), id, next, redirects_left,
                                                 done =
                                                     std::move(done)](HttpResult result) mutable {
            inbox->post([weak, id, next = std::move(next), redirects_left, done = std::move(done),
                         result = std::move(result)]() mutable {
                if (const std::shared_ptr<State> self = weak.lock())
                    self->on_fetched(*id, std::move(next), redirects_left, std::move(done), result);
            });
        });
        transfers_.insert(*id);
    }

    void on_fetched(CurlEngine::TransferId id, HttpRequest request, int redirects_left,
                    BodyDone done, const HttpResult& result)
    {
        transfers_.remove(id);
        if (result.error || result.cancelled || result.body_too_large || !result.status) {
            done(std::nullopt);
            return;
        }
        const int status = *result.status;
        if (is_followed_redirect(status) && result.redirect_url && redirects_left > 0 &&
            is_web_url(*result.redirect_url)) {
            request.url = *result.redirect_url;
            fetch(std::move(request), redirects_left - 1, std::move(done));
            return;
        }
        if (status < 200 || status > 299) {
            done(std::nullopt);
            return;
        }
        done(result.body);
    }

    HostingProviderProfile make_profile(const QString& host, const ResolvedAddress& address,
                                        const std::optional<RDAPResult>& result) const
    {
        HostingProviderProfile profile;
        profile.host = host;
        profile.ip_address = address.text;
        profile.range_key = address.range_key();
        if (result) {
            profile.network_range = result->network_range;
            profile.provider_name = result->provider_name;
        } else {
            profile.provider_name = profile.range_key;
        }
        // Whole seconds, as the file keeps it.
        const QDateTime now = clock_.now().toUTC();
        profile.updated_at = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch(), Qt::UTC);
        return profile;
    }

    CurlEngine& engine_;
    HostResolver& resolver_;
    Clock& clock_;
    QUrl bootstrap_base_;
    Limits limits_;
    QHash<int, RDAPBootstrap> bootstrap_cache_;
    QHash<int, QList<BootstrapDone>> bootstrap_waiters_;
    QSet<CurlEngine::TransferId> transfers_;
    std::unordered_map<quint64, PendingResolve> resolves_;
    quint64 last_token_ = 0;
};

HostingProviderService::HostingProviderService(CurlEngine& engine, HostResolver& resolver,
                                               Clock& clock, QUrl bootstrap_base, Limits limits)
    : state_(std::make_shared<State>(engine, resolver, clock, std::move(bootstrap_base), limits))
{}

HostingProviderService::~HostingProviderService() = default;

HostingProviderService& HostingProviderService::shared()
{
    // Never destroyed: callbacks may still be on their way at exit.
    static auto* const instance = new HostingProviderService(
        CurlEngine::shared(), SystemHostResolver::shared(), Clock::system());
    return *instance;
}

void HostingProviderService::profile_for(const QString& host_key, ProfileDone done)
{
    state_->profile_for(host_key, state_->later(std::move(done)));
}

void HostingProviderService::resolve(const QString& host, AddressDone done)
{
    state_->resolve(host, state_->later(std::move(done)));
}

void HostingProviderService::lookup_provider(const ResolvedAddress& address, LookupDone done)
{
    state_->lookup_provider(address, state_->later(std::move(done)));
}

void HostingProviderService::bootstrap_for(int family, BootstrapDone done)
{
    state_->bootstrap_for(family, state_->later(std::move(done)));
}

QUrl HostingProviderService::configured_bootstrap_base()
{
    QUrl configured(QString::fromUtf8(qgetenv("TESSARY_RDAP_BOOTSTRAP_URL")), QUrl::StrictMode);
    if (!is_web_url(configured))
        return default_bootstrap_base();
    // A directory: the file names are resolved against it.
    if (!configured.path().endsWith(u'/'))
        configured.setPath(configured.path() + u'/');
    return configured;
}

QUrl HostingProviderService::default_bootstrap_base()
{
    return QUrl(QStringLiteral("https://data.iana.org/rdap/"));
}

QUrl HostingProviderService::bootstrap_file_url(const QUrl& base, int family)
{
    return base.resolved(
        QUrl(family == AF_INET ? QStringLiteral("ipv4.json") : QStringLiteral("ipv6.json")));
}

QUrl HostingProviderService::query_url(const QUrl& server, const ResolvedAddress& address)
{
    return server.resolved(QUrl(QStringLiteral("ip/") + address.text));
}
