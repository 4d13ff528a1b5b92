#include "model/UrlNormalizer.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct NormalizeCase {
    const char* name;
    const char* input;
    const char* expected; // nullptr: does not normalise
};

class NormalizeUrlTest : public testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeUrlTest, GivesTheMonitoredUrl)
{
    const NormalizeCase& c = GetParam();
    const std::optional<QUrl> url = UrlNormalizer::normalize_url(QString::fromUtf8(c.input));
    if (c.expected == nullptr) {
        EXPECT_FALSE(url) << url->toString().toStdString();
    } else {
        ASSERT_TRUE(url);
        EXPECT_EQ(UrlNormalizer::absolute_string(*url), QString::fromUtf8(c.expected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NormalizeUrlTest,
    testing::Values(
        NormalizeCase{"bare_domain_with_blanks", " Example.com/status ",
                      "https://example.com/status"},
        NormalizeCase{"http_becomes_https", "http://www.example.com", "https://example.com"},
        NormalizeCase{"scheme_in_any_case", "HTTP://Example.com/a", "https://example.com/a"},
        NormalizeCase{"https_kept", "https://example.com:8443/x?y=1#z",
                      "https://example.com:8443/x?y=1#z"},
        NormalizeCase{"www_only_at_the_start", "shop.www.example.com",
                      "https://shop.www.example.com"},
        NormalizeCase{"www_in_capitals", "WWW.Example.com", "https://example.com"},
        NormalizeCase{"line_breaks_trimmed", "\n\texample.com\r\n", "https://example.com"},
        NormalizeCase{"ip_address", "127.0.0.1:8080/health", "https://127.0.0.1:8080/health"},
        NormalizeCase{"empty", "", nullptr}, NormalizeCase{"blank", " \n\t ", nullptr},
        NormalizeCase{"scheme_without_host", "https://", nullptr},
        NormalizeCase{"only_www", "www.", nullptr},
        NormalizeCase{"space_inside", "exa mple.com", nullptr},
        NormalizeCase{"bad_port", "example.com:99999", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UrlKeyTest, SameDomainSameKey)
{
    EXPECT_EQ(UrlNormalizer::url_key(u"http://WWW.Example.com/Status"_s),
              u"https://example.com/status"_s);
    EXPECT_EQ(UrlNormalizer::url_key(u"example.com/status"_s),
              UrlNormalizer::url_key(u" https://www.EXAMPLE.com/status"_s));
    // Input that does not normalise is its own key, lower-cased but not trimmed.
    EXPECT_EQ(UrlNormalizer::url_key(u" Not A URL"_s), u" not a url"_s);
}

} // namespace
