#include "StoreFixture.h"

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// What a model following the store hears, one line per finer signal.
class DomainChangeSignals : public StoreFixture {
protected:
    void SetUp() override
    {
        open();
        const auto named = [this](const char* what, const QUuid& id) {
            heard.append(QLatin1String(what) + u' ' + store->domain_with_id(id)->url_string);
        };
        QObject::connect(store.get(), &TessaryStore::domains_changed, [this] { ++coarse; });
        QObject::connect(store.get(), &TessaryStore::measurement_recorded,
                         [=](const QUuid& id, const DomainMeasurement&) { named("recorded", id); });
        QObject::connect(store.get(), &TessaryStore::domain_settings_changed,
                         [=](const QUuid& id) { named("settings", id); });
        QObject::connect(
            store.get(), &TessaryStore::domain_running_changed,
            [=](const QUuid& id, bool running) { named(running ? "running" : "idle", id); });
        QObject::connect(store.get(), &TessaryStore::domain_list_changed,
                         [this] { heard.append(QStringLiteral("list")); });
        QObject::connect(store.get(), &TessaryStore::domains_reordered,
                         [this](const QList<qsizetype>& previous) {
                             QStringList indices;
                             for (const qsizetype index : previous)
                                 indices.append(QString::number(index));
                             heard.append(u"reordered "_s + indices.join(u','));
                         });
    }

    // Runs `operation` with clean counts.
    void hear(const std::function<void()>& operation)
    {
        heard.clear();
        coarse = 0;
        operation();
    }

    QStringList heard;
    int coarse = 0;
};

struct Operation {
    const char* name;
    std::function<void(TessaryStore&, const QUuid&)> run;
    QStringList heard;
};

class EachChange : public DomainChangeSignals, public ::testing::WithParamInterface<Operation> {};

TEST_P(EachChange, comes_with_one_finer_signal)
{
    add(QStringLiteral("b.example"));
    const QUuid id = add(QStringLiteral("c.example"));
    hear([&] { GetParam().run(*store, id); });
    EXPECT_EQ(heard, GetParam().heard);
    EXPECT_EQ(coarse, 1);
}

DomainSettings edited(const TessaryStore& store, const QUuid& id, const QString& url)
{
    DomainSettings settings = store.domain_with_id(id)->settings();
    settings.url_string = url;
    settings.interval_seconds = 300;
    return settings;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, EachChange,
    ::testing::Values(
        Operation{
            "record",
            [](TessaryStore& s, const QUuid& id) { s.record_measurement(id, successful(2.0)); },
            {u"recorded https://c.example"_s}},
        Operation{"edit_in_place",
                  [](TessaryStore& s, const QUuid& id) {
                      s.update_domain(id, edited(s, id, u"c.example"_s));
                  },
                  {u"settings https://c.example"_s}},
        Operation{"edit_that_moves",
                  [](TessaryStore& s, const QUuid& id) {
                      // The id of the element the sort moves.
                      s.update_domain(s.domain_with_id(id)->id, edited(s, id, u"a.example"_s));
                  },
                  {u"reordered 1,0"_s, u"settings https://a.example"_s}},
        Operation{"pin",
                  [](TessaryStore& s, const QUuid& id) { s.toggle_pin(id); },
                  {u"reordered 1,0"_s, u"list"_s}},
        Operation{"clear_history",
                  [](TessaryStore& s, const QUuid& id) { s.clear_history(id); },
                  {u"list"_s}},
        Operation{
            "archive", [](TessaryStore& s, const QUuid& id) { s.archive_domain(id); }, {u"list"_s}},
        Operation{
            "remove", [](TessaryStore& s, const QUuid& id) { s.remove_domain(id); }, {u"list"_s}},
        Operation{"add",
                  [](TessaryStore& s, const QUuid&) {
                      s.add_domain(u"a.example"_s, 60, 48, QString(), false, false);
                  },
                  {u"reordered -1,0,1"_s, u"list"_s}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DomainChangeSignals, a_measurement_is_announced_with_its_domain_from_start_to_record)
{
    const QUuid id = add(QStringLiteral("a.example"));
    hear([&] {
        store->measure_now(id);
        clock.advance_by(0);
        source.complete_with(0.3);
    });
    EXPECT_EQ(heard, (QStringList{u"running https://a.example"_s, u"idle https://a.example"_s,
                                  u"recorded https://a.example"_s}));
    EXPECT_EQ(coarse, 1);
}

TEST_F(DomainChangeSignals, a_settings_edit_from_a_stale_copy_keeps_what_happened_since)
{
    const QUuid id = add(QStringLiteral("a.example"));
    MonitoredDomain stale = *store->domain_with_id(id);
    const DomainMeasurement later = successful(0.4);
    store->record_measurement(id, later);
    store->toggle_pin(id);

    stale.interval_seconds = 300;
    stale.user_agent = QStringLiteral("Agent/2");
    store->update_domain(stale);
    const MonitoredDomain& now = *store->domain_with_id(id);
    EXPECT_EQ(now.interval_seconds, 300);
    EXPECT_EQ(now.user_agent, QStringLiteral("Agent/2"));
    ASSERT_EQ(now.measurements.size(), 1);
    EXPECT_EQ(now.measurements.first().id, later.id);
    EXPECT_EQ(now.statistics.average_total_time, 0.4);
    EXPECT_TRUE(now.is_pinned);
}

} // namespace
