#include "hosting/SystemHostResolver.h"

#include "hosting/AddressInfoList.h"
#include "measurement/ThreadInbox.h"

#include <QUrl>

#include <sys/socket.h>
#include <system_error>
#include <thread>

std::optional<ResolvedAddress> SystemHostResolver::choose_address(const addrinfo* list)
{
    // Best first: public IPv4, public IPv6, special-use IPv4, special-use IPv6.
    std::optional<ResolvedAddress> found[4];
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        const bool is_ipv4 = entry->ai_family == AF_INET;
        if (!is_ipv4 && entry->ai_family != AF_INET6)
            continue;
        if (found[is_ipv4 ? 0 : 1])
            continue;
        std::optional<ResolvedAddress> address = ResolvedAddress::from_info(*entry);
        if (!address)
            continue;
        const int rank = (is_ipv4 ? 0 : 1) + (address->is_special_use() ? 2 : 0);
        if (!found[rank])
            found[rank] = std::move(address);
        if (found[0])
            break;
    }
    for (std::optional<ResolvedAddress>& address : found) {
        if (address)
            return std::move(address);
    }
    return std::nullopt;
}

std::optional<ResolvedAddress> SystemHostResolver::resolve_now(const QString& host)
{
    // The resolver knows only the ASCII form of an international name.
    QByteArray name = QUrl::toAce(host);
    if (name.isEmpty())
        name = host.toUtf8();
    if (name.isEmpty() || name.contains('\0'))
        return std::nullopt;

    addrinfo hints{};
    hints.ai_flags = AI_ADDRCONFIG;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* raw_list = nullptr;
    if (getaddrinfo(name.constData(), nullptr, &hints, &raw_list) != 0)
        return std::nullopt;
    const AddressInfoList list(raw_list);
    return choose_address(list.get());
}

void SystemHostResolver::resolve(const QString& host, Done done)
{
    const std::shared_ptr<ThreadInbox> inbox = ThreadInbox::current();
    auto deliver = [inbox, done = std::move(done)](std::optional<ResolvedAddress> address) {
        inbox->post([done, address = std::move(address)]() mutable { done(std::move(address)); });
    };
    try {
        std::thread([host, deliver] { deliver(resolve_now(host)); }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the host counts as unresolved.
        deliver(std::nullopt);
    }
}

SystemHostResolver& SystemHostResolver::shared()
{
    static SystemHostResolver resolver;
    return resolver;
}
