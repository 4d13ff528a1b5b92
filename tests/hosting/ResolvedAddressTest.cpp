#include "EventLoop.h"
#include "HostingTestSupport.h"
#include "hosting/SystemHostResolver.h"

#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <array>
#include <deque>
#include <sys/socket.h>

namespace {

using namespace Qt::StringLiterals;

TEST(ResolvedAddress, has_a_canonical_text_a_range_key_and_knows_special_use_blocks)
{
    const std::array<const char*, 3> cases[] = {
        {"10.1.2.3", "10.1.2.3", "10.1.2.0/24"},
        {"198.51.100.34", "198.51.100.34", "198.51.100.0/24"},
        {"2001:db8:4001:82b::200e", "2001:db8:4001:82b::200e", "2001:0db8:4001::/48"},
        {"2001:0DB8:0000:0000:0000:0000:0000:0001", "2001:db8::1", "2001:0db8:0000::/48"},
        {"::ffff:1.2.3.4", "::ffff:1.2.3.4", "0000:0000:0000::/48"},
    };
    for (const auto& [input, text, range_key] : cases) {
        const ResolvedAddress a = address(input);
        EXPECT_EQ(a.text, QString::fromLatin1(text));
        EXPECT_EQ(a.range_key(), QString::fromLatin1(range_key));
    }
    EXPECT_EQ((ResolvedAddress{AF_UNSPEC, QByteArray(2, 'x'), u"odd"_s}.range_key()), u"odd"_s);
    EXPECT_FALSE(ResolvedAddress::from_text(u"fe80::1%lo"_s));
    EXPECT_FALSE(ResolvedAddress::from_text(u"example.com"_s));
    // Special use: blocks no registry assigns to a provider.
    for (const char* special :
         {"10.0.0.1", "127.0.0.1", "100.64.0.1", "172.16.0.1", "172.31.255.255", "192.168.1.1",
          "169.254.1.1", "198.18.0.1", "0.0.0.1", "224.0.0.1", "255.255.255.255", "203.0.113.9",
          "::1", "::", "fe80::1", "fd00::2", "2001:db8::1", "ff02::1", "::ffff:8.8.8.8"})
        EXPECT_TRUE(address(special).is_special_use()) << special;
    for (const char* assigned : {"172.32.0.1", "100.128.0.1", "13.72.183.192", "1.1.1.1",
                                 "2001:4860:4860::8888", "2a00:2381:ffff::1"})
        EXPECT_FALSE(address(assigned).is_special_use()) << assigned;
}

// A getaddrinfo()-style list of entries such as "8.8.8.8", "fe80::1%1" (with a
// zone), "unix" (another family) or "v4-" (no address), so every order can be tried.
class AddressList {
public:
    explicit AddressList(const char* entries)
    {
        for (const QByteArray& entry : QByteArray(entries).split(' ')) {
            if (entry.isEmpty())
                continue;
            addrinfo& node = nodes_.emplace_back();
            node.ai_socktype = SOCK_STREAM;
            node.ai_family = entry == "unix"                         ? AF_UNIX
                             : entry.contains(':') || entry == "v6-" ? AF_INET6
                                                                     : AF_INET;
            if (entry.endsWith('-'))
                continue;
            sockaddr_storage& a = addresses_.emplace_back();
            a.ss_family = sa_family_t(node.ai_family);
            node.ai_addr = reinterpret_cast<sockaddr*>(&a);
            node.ai_addrlen = sizeof a;
            const QList<QByteArray> parts = entry.split('%');
            if (node.ai_family == AF_INET)
                inet_pton(AF_INET, parts[0], &reinterpret_cast<sockaddr_in&>(a).sin_addr);
            if (node.ai_family == AF_INET6) {
                inet_pton(AF_INET6, parts[0], &reinterpret_cast<sockaddr_in6&>(a).sin6_addr);
                reinterpret_cast<sockaddr_in6&>(a).sin6_scope_id = parts.value(1).toUInt();
            }
        }
        for (size_t i = 0; i + 1 < nodes_.size(); ++i)
            nodes_[i].ai_next = &nodes_[i + 1];
    }
    const addrinfo* get() const { return nodes_.empty() ? nullptr : &nodes_.front(); }

private:
    // Deques keep the addresses in place while nodes point at them.
    std::deque<sockaddr_storage> addresses_;
    std::deque<addrinfo> nodes_;
};

TEST(AddressChoice, PrefersPublicThenIpv4AndPassesOverZonesAndOtherFamilies)
{
    const std::pair<const char*, const char*> cases[] = {
        {"2001:4860:4860::8888 2001:4860:4860::8844 8.8.8.8 8.8.4.4", "8.8.8.8"},
        {"fe80::1%1 2001:4860:4860::8888", "2001:4860:4860::8888"},
        {"", nullptr},
        {"unix v4- v6-", nullptr},
        {"10.0.0.5 2001:4860:4860::8888 8.8.8.8", "8.8.8.8"},
        {"10.0.0.5 2001:4860:4860::8888", "2001:4860:4860::8888"},
        {"fd00::1 192.168.1.20 10.0.0.5", "192.168.1.20"},
    };
    for (const auto& [entries, expected] : cases) {
        const auto chosen = SystemHostResolver::choose_address(AddressList(entries).get());
        EXPECT_EQ(chosen ? chosen->text : u"none"_s,
                  QString::fromLatin1(expected ? expected : "none"))
            << entries;
    }
}

TEST(SystemResolver, answers_on_the_calling_thread_and_never_for_an_unusable_name)
{
    EXPECT_EQ(SystemHostResolver::resolve_now(QString()), std::nullopt);
    EXPECT_EQ(SystemHostResolver::resolve_now(QString::fromUtf16(u"bad\0name", 8)), std::nullopt);
    SystemHostResolver resolver;
    std::optional<std::optional<ResolvedAddress>> answer;
    Qt::HANDLE answered_on = nullptr;
    resolver.resolve(QStringLiteral("127.0.0.1"), [&](std::optional<ResolvedAddress> address) {
        answer = std::move(address);
        answered_on = QThread::currentThreadId();
    });
    EXPECT_FALSE(answer) << "the lookup must not run inside the call";
    ASSERT_TRUE(wait_until([&] { return answer.has_value(); }));
    EXPECT_EQ(answered_on, QThread::currentThreadId());
    // AI_ADDRCONFIG hides IPv4 on a machine whose only IPv4 address is the loopback.
    if (!*answer)
        GTEST_SKIP() << "no IPv4 configured besides the loopback";
    EXPECT_EQ(**answer, address("127.0.0.1"));
}

} // namespace
