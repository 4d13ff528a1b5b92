#include "model/UrlNormalizer.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(NormalizeUrlTest, GivesTheMonitoredUrl)
{
    const std::pair<const char*, const char*> cases[] = {
        {" Example.com/status ", "https://example.com/status"},
        {"HTTP://www.Example.com/a", "https://example.com/a"},
        {"https://example.com:8443/x?y=1#z", "https://example.com:8443/x?y=1#z"},
        {"shop.www.example.com", "https://shop.www.example.com"},
        {"\n\tWWW.example.com\r\n", "https://example.com"},
        {"127.0.0.1:8080/health", "https://127.0.0.1:8080/health"},
        // nullptr: does not normalise.
        {" \n\t ", nullptr},
        {"https://", nullptr},
        {"www.", nullptr},
        {"exa mple.com", nullptr},
        {"example.com:99999", nullptr},
    };
    for (const auto& [input, expected] : cases) {
        const std::optional<QUrl> url = UrlNormalizer::normalize_url(QString::fromUtf8(input));
        if (expected == nullptr) {
            EXPECT_FALSE(url) << input;
        } else {
            ASSERT_TRUE(url) << input;
            EXPECT_EQ(UrlNormalizer::absolute_string(*url), QString::fromUtf8(expected));
        }
    }
}

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
