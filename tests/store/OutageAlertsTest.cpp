#include "store/OutageAlerts.h"

#include "DataFolder.h"
#include "StoreTestEnvironment.h"
#include "i18n/L10n.h"
#include "model/DomainJson.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

const QDateTime start(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

// "ok", "503", "error" or "local", measured `minute` minutes after the start.
DomainMeasurement measurement(const std::string& kind, int minute)
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = start.addSecs(60 * minute);
    m.total_time = 0.3;
    m.http_status = kind == "503" ? 503 : 200;
    if (kind == "error") {
        m.http_status.reset();
        m.error_message = QStringLiteral("Connection refused");
    }
    m.is_local_network_issue = kind == "local";
    return m;
}

// "down at 3 since 1": the alert at the measurement of minute 3, for an outage
// whose first failure was at minute 1.
std::string describe(const DomainAlert& alert)
{
    const auto minute = [](const QDateTime& at) { return std::to_string(start.secsTo(at) / 60); };
    return std::string(alert.kind == DomainAlert::Kind::down ? "down" : "up") + " at " +
           minute(alert.measurement.measured_at) + " since " + minute(alert.outage_started_at);
}

struct RunCase {
    const char* name;
    // Recorded before a restart (oldest first); the rest is recorded after it.
    std::vector<std::string> history;
    std::vector<std::string> recorded;
    bool notifies;
    std::vector<std::string> expected;
};

void PrintTo(const RunCase& c, std::ostream* out)
{
    *out << c.name;
}

class OutageRun : public ::testing::TestWithParam<RunCase> {};

// One measurement a minute; the history holds the first minutes, newest first.
TEST_P(OutageRun, announces_each_outage_once_and_its_end)
{
    const RunCase& c = GetParam();
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = QStringLiteral("https://example.com/status");
    domain.notifies_on_anomalies = c.notifies;
    int minute = 0;
    for (const std::string& kind : c.history)
        domain.measurements.prepend(measurement(kind, minute++));
    OutageAlerts alerts;
    alerts.resume(domain);
    std::vector<std::string> raised;
    for (const std::string& kind : c.recorded) {
        if (const auto alert = alerts.record(domain, measurement(kind, minute++))) {
            EXPECT_EQ(alert->domain_id, domain.id);
            EXPECT_EQ(alert->domain_name, QStringLiteral("example.com"));
            raised.push_back(describe(*alert));
        }
    }
    EXPECT_EQ(raised, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutageRun,
    ::testing::Values(
        RunCase{"two_failures_make_one_outage",
                {},
                {"ok", "503", "error", "503", "503"},
                true,
                {"down at 2 since 1"}},
        RunCase{"local_issues_neither_count_nor_break_the_run",
                {},
                {"503", "local", "local", "error", "local", "ok"},
                true,
                {"down at 3 since 0", "up at 5 since 0"}},
        RunCase{"a_single_failure_then_success_is_nothing",
                {},
                {"503", "ok", "error", "local", "ok", "503"},
                true,
                {}},
        RunCase{"recovery_ends_the_outage_and_the_next_one_is_new",
                {},
                {"503", "503", "503", "ok", "ok", "error", "error"},
                true,
                {"down at 1 since 0", "up at 3 since 0", "down at 6 since 5"}},
        RunCase{"notifications_off_announce_nothing", {}, {"503", "503", "ok"}, false, {}},
        RunCase{"restart_in_an_outage_repeats_no_down_but_announces_its_end",
                {"ok", "503", "503"},
                {"error", "ok"},
                true,
                {"up at 4 since 1"}},
        RunCase{"restart_after_one_failure_counts_it",
                {"ok", "503", "local"},
                {"503", "ok"},
                true,
                {"down at 3 since 1", "up at 4 since 1"}},
        RunCase{"restart_after_a_recovery_starts_afresh", {"503", "503", "ok"}, {"ok"}, true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The store feeds what it records in and posts the alerts, across a restart.
TEST(StoreOutageAlerts, notifies_once_down_and_once_up_also_across_a_restart)
{
    L10n::set_selected_language(AppLanguage::english);
    DataFolder folder;
    StoreTestEnvironment services;
    auto store = std::move(TessaryStore::open(services.environment(folder.path()))).value();
    for (const bool notifies : {true, false}) // inactive: measured only here
        store->add_domain(notifies ? u"example.com"_s : u"quiet.example"_s, 60, 48, {}, false,
                          notifies);
    QSignalSpy alerts(store.get(), &TessaryStore::domain_alert);
    const auto record = [&](const char* kind) {
        services.clock.advance_by(60'000);
        for (const MonitoredDomain& domain : QList(store->domains())) {
            DomainMeasurement m = measurement(kind, 0);
            m.measured_at = services.clock.now();
            store->record_measurement(domain.id, m);
        }
    };
    for (const char* kind : {"503", "local", "503", "503"})
        record(kind);
    store->flush_persistence();
    store.reset();
    store = std::move(TessaryStore::open(services.environment(folder.path()))).value();
    record("503");
    record("ok");
    QStringList titles;
    for (const NotificationRequest& request : services.notification_sink.posted)
        titles.append(request.title);
    EXPECT_EQ(titles.join(u" | "_s).toStdString(),
              "example.com is down | example.com is up again after 5 min");
    EXPECT_EQ(alerts.size(), 1); // before the restart
    L10n::set_selected_language(AppLanguage::system);
}

} // namespace
