#include "StoreFixture.h"
#include "store/DomainOrder.h"
#include "store/HistoryJson.h"
#include "store/SuggestionJson.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(HistoryJson, lower_case_ids_are_read_in_canonical_form)
{
    const auto decoded = HistoryJson::decode("{\"0a000000-0000-4000-8000-00000000000b\":[]}");
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->contains(u"0A000000-0000-4000-8000-00000000000B"_s));
    EXPECT_FALSE(HistoryJson::decode("[]"));
}

TEST(SuggestionJson, round_trips_and_requires_every_key)
{
    const DomainRestoreSuggestion suggestion{
        QUuid::createUuid(), u"https://a.example/x"_s, 120, 24, u"Bot"_s, true, true, false};
    const QByteArray text = SuggestionJson::encode_list({suggestion});
    const auto decoded = SuggestionJson::decode_list(text);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, QList<DomainRestoreSuggestion>{suggestion});

    for (const char* key : {"id", "url_string", "interval_seconds", "max_history_hours",
                            "user_agent", "is_active", "notifies_on_anomalies", "is_archived"}) {
        QByteArray without = text;
        without.replace(QByteArray("\"") + key + "\"", "\"renamed\"");
        const auto result = SuggestionJson::decode_list(without);
        ASSERT_FALSE(result) << key;
        EXPECT_TRUE(result.error().message.contains(QString::fromLatin1(key))) << key;
    }
}

TEST(DomainOrder, pinned_first_then_host_ignoring_case_keeping_the_order_of_equal_hosts)
{
    const auto make = [](const char* url, bool pinned) {
        MonitoredDomain d = sample_domain(QString::fromLatin1(url));
        d.is_pinned = pinned;
        return d;
    };
    QList<MonitoredDomain> domains = {make("https://b.example/second", false),
                                      make("https://Zeta.example", true),
                                      make("https://B.example/first", false),
                                      make("https://alpha.example", false),
                                      make("not a url", false),
                                      make("https://ALPHA.example/pinned", true)};
    sort_domains(domains);
    QStringList order;
    for (const MonitoredDomain& d : domains)
        order.append(d.url_string);
    EXPECT_EQ(order, (QStringList{u"https://ALPHA.example/pinned"_s, u"https://Zeta.example"_s,
                                  u"https://alpha.example"_s, u"https://b.example/second"_s,
                                  u"https://B.example/first"_s, u"not a url"_s}));
}

} // namespace
