#include "EventLoop.h"
#include "HostingTestSupport.h"
#include "hosting/SystemHostResolver.h"

#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <deque>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

TEST(RangeKey, is_the_slash_24_or_the_zero_padded_slash_48)
{
    EXPECT_EQ(address("10.1.2.3").range_key(), QStringLiteral("10.1.2.0/24"));
    EXPECT_EQ(address("198.51.100.34").range_key(), QStringLiteral("198.51.100.0/24"));
    EXPECT_EQ(address("2001:db8:4001:82b::200e").range_key(),
              QStringLiteral("2001:0db8:4001::/48"));
    EXPECT_EQ(address("2001:db8::1").range_key(), QStringLiteral("2001:0db8:0000::/48"));
    EXPECT_EQ(address("::ffff:1.2.3.4").range_key(), QStringLiteral("0000:0000:0000::/48"));
    const ResolvedAddress odd{AF_UNSPEC, QByteArray(2, 'x'), QStringLiteral("odd")};
    EXPECT_EQ(odd.range_key(), QStringLiteral("odd"));
}

TEST(ResolvedAddressText, is_the_canonical_form_and_reads_back)
{
    const ResolvedAddress v6 = address("2001:0DB8:0000:0000:0000:0000:0000:0001");
    EXPECT_EQ(v6.family, AF_INET6);
    EXPECT_EQ(v6.text, QStringLiteral("2001:db8::1"));
    EXPECT_EQ(v6.bytes.size(), 16);
    EXPECT_FALSE(ResolvedAddress::from_text(QStringLiteral("fe80::1%lo")));
    EXPECT_FALSE(ResolvedAddress::from_text(QStringLiteral("example.com")));
}

TEST(SpecialUse, CoversBlocksNoRegistryAssignsToAProvider)
{
    for (const char* special :
         {"10.0.0.1", "127.0.0.1", "100.64.0.1", "172.16.0.1", "172.31.255.255", "192.168.1.1",
          "169.254.1.1", "198.18.0.1", "0.0.0.1", "224.0.0.1", "255.255.255.255", "203.0.113.9",
          "::1", "::", "fe80::1", "fd00::2", "2001:db8::1", "ff02::1", "::ffff:8.8.8.8"})
        EXPECT_TRUE(address(special).is_special_use()) << special;
    for (const char* assigned : {"172.32.0.1", "100.128.0.1", "13.72.183.192", "1.1.1.1",
                                 "2001:4860:4860::8888", "2a00:2381:ffff::1"})
        EXPECT_FALSE(address(assigned).is_special_use()) << assigned;
}

// getaddrinfo()-style lists built by hand, so every order and family can be tried.
class AddressList {
public:
    AddressList& ipv4(const char* text)
    {
        sockaddr_in& a = v4_.emplace_back();
        a.sin_family = AF_INET;
        inet_pton(AF_INET, text, &a.sin_addr);
        return add(AF_INET, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    AddressList& ipv6(const char* text, uint32_t scope_id = 0)
    {
        sockaddr_in6& a = v6_.emplace_back();
        a.sin6_family = AF_INET6;
        a.sin6_scope_id = scope_id;
        inet_pton(AF_INET6, text, &a.sin6_addr);
        return add(AF_INET6, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    AddressList& unix_socket()
    {
        sockaddr_un& a = unix_.emplace_back();
        a.sun_family = AF_UNIX;
        return add(AF_UNIX, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    AddressList& without_address(int family) { return add(family, nullptr, 0); }

    const addrinfo* get()
    {
        for (size_t i = 0; i + 1 < nodes_.size(); ++i)
            nodes_[i].ai_next = &nodes_[i + 1];
        return nodes_.empty() ? nullptr : &nodes_.front();
    }

private:
    AddressList& add(int family, sockaddr* address, socklen_t length)
    {
        addrinfo& node = nodes_.emplace_back();
        node.ai_family = family;
        node.ai_socktype = SOCK_STREAM;
        node.ai_addr = address;
        node.ai_addrlen = length;
        return *this;
    }

    // Deques keep the addresses in place while nodes point at them.
    std::deque<sockaddr_in> v4_;
    std::deque<sockaddr_in6> v6_;
    std::deque<sockaddr_un> unix_;
    std::deque<addrinfo> nodes_;
};

TEST(AddressChoice, PrefersPublicThenIpv4AndPassesOverZonesAndOtherFamilies)
{
    const std::pair<std::function<void(AddressList&)>, std::optional<QString>> cases[] = {
        {[](AddressList& l) {
             l.ipv6("2001:4860:4860::8888")
                 .ipv6("2001:4860:4860::8844")
                 .ipv4("8.8.8.8")
                 .ipv4("8.8.4.4");
         },
         QStringLiteral("8.8.8.8")},
        {[](AddressList& l) { l.ipv6("fe80::1", 1).ipv6("2001:4860:4860::8888"); },
         QStringLiteral("2001:4860:4860::8888")},
        {[](AddressList&) {}, std::nullopt},
        {[](AddressList& l) { l.unix_socket().without_address(AF_INET).without_address(AF_INET6); },
         std::nullopt},
        {[](AddressList& l) { l.ipv4("10.0.0.5").ipv6("2001:4860:4860::8888").ipv4("8.8.8.8"); },
         QStringLiteral("8.8.8.8")},
        {[](AddressList& l) { l.ipv4("10.0.0.5").ipv6("2001:4860:4860::8888"); },
         QStringLiteral("2001:4860:4860::8888")},
        {[](AddressList& l) { l.ipv6("fd00::1").ipv4("192.168.1.20").ipv4("10.0.0.5"); },
         QStringLiteral("192.168.1.20")},
    };
    for (const auto& [build, expected] : cases) {
        AddressList list;
        build(list);
        const auto address = SystemHostResolver::choose_address(list.get());
        EXPECT_EQ(address ? std::optional(address->text) : std::nullopt, expected)
            << expected.value_or(QStringLiteral("none")).toStdString();
    }
}

TEST(SystemResolver, gives_nothing_for_names_it_cannot_pass_on)
{
    EXPECT_EQ(SystemHostResolver::resolve_now(QString()), std::nullopt);
    EXPECT_EQ(SystemHostResolver::resolve_now(QString::fromUtf16(u"bad\0name", 8)), std::nullopt);
}

TEST(SystemResolver, answers_on_the_calling_thread)
{
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
