#pragma once

#include "hosting/HostResolver.h"
#include "hosting/HostingProviderLimits.h"
#include "hosting/HostingProviderProfile.h"
#include "hosting/RDAPBootstrap.h"
#include "hosting/RDAPResult.h"
#include "hosting/ResolvedAddress.h"
#include "measurement/CurlEngine.h"
#include "model/Clock.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

// Finds who hosts an address: the registry's RDAP server comes from IANA's
// bootstrap files (fetched once per family and kept while the process runs),
// and that server's answer names the holder of the address block. All HTTP goes
// through the engine's thread; every callback runs later, on the thread that
// made the call, which must run a Qt event loop. Failures give no result and
// are not reported.
class HostingProviderService {
public:
    using Limits = HostingProviderLimits;

    using ProfileDone = std::function<void(std::optional<HostingProviderProfile>)>;
    using AddressDone = HostResolver::Done;
    using LookupDone = std::function<void(std::optional<RDAPResult>)>;
    using BootstrapDone = std::function<void(std::optional<RDAPBootstrap>)>;

    // `engine`, `resolver` and `clock` must outlive the service. `bootstrap_base`
    // is the directory that holds ipv4.json and ipv6.json.
    HostingProviderService(CurlEngine& engine, HostResolver& resolver, Clock& clock,
                           QUrl bootstrap_base = configured_bootstrap_base(), Limits limits = {});
    // Lookups still running are abandoned; their callbacks are not called.
    ~HostingProviderService();
    HostingProviderService(const HostingProviderService&) = delete;
    HostingProviderService& operator=(const HostingProviderService&) = delete;

    // The process-wide instance on the application's engine, the system resolver
    // and clock; made on first use. The store takes another one in its place
    // (TessaryStore::Environment).
    static HostingProviderService& shared();

    // A fresh profile of the host; none when it does not resolve. A host whose
    // registry gives no answer, or whose address no registry assigns (private,
    // loopback and other special-use blocks, which are not queried), is named
    // by its range key and has no network range.
    void profile_for(const QString& host_key, ProfileDone done);

    void resolve(const QString& host, AddressDone done);
    void lookup_provider(const ResolvedAddress& address, LookupDone done);
    // The bootstrap file of AF_INET, or of IPv6 for any other family.
    void bootstrap_for(int family, BootstrapDone done);

    // TESSARY_RDAP_BOOTSTRAP_URL when it holds an http(s) URL, else the default.
    static QUrl configured_bootstrap_base();
    // IANA's registry, https://data.iana.org/rdap/.
    static QUrl default_bootstrap_base();
    static QUrl bootstrap_file_url(const QUrl& base, int family);
    // The server URL followed by "ip/" and the address.
    static QUrl query_url(const QUrl& server, const ResolvedAddress& address);

private:
    class State;
    std::shared_ptr<State> state_;
};
