#include "store/OutageAlerts.h"

#include "StoreFixture.h"
#include "i18n/L10n.h"

#include <QSignalSpy>

#include <string>

namespace {

using namespace Qt::StringLiterals;

// "ok", "503", "error" or "local", measured `minute` minutes after the start.
DomainMeasurement measurement(const QString& kind, int minute)
{
    const qint64 at = 60 * minute;
    if (kind == u"error"_s)
        return failed(0, at);
    return kind == u"local"_s ? local_issue(0, at)
                              : successful(0, at, kind == u"503"_s ? 503 : 200);
}

struct RunCase {
    const char* name;
    // One measurement a minute: the history before a restart, then the rest.
    const char* history;
    const char* recorded;
    bool notifies;
    // "down 2 since 1": at the measurement of minute 2, the first failure at 1.
    const char* expected;
};

class OutageRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(OutageRun, announces_each_outage_once_and_its_end)
{
    const RunCase& c = GetParam();
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = u"https://example.com/status"_s;
    domain.notifies_on_anomalies = c.notifies;
    int minute = 0;
    for (const QString& kind : QString::fromLatin1(c.history).split(u' ', Qt::SkipEmptyParts))
        domain.measurements.prepend(measurement(kind, minute++));
    OutageAlerts alerts;
    alerts.resume(domain);
    QStringList raised;
    for (const QString& kind : QString::fromLatin1(c.recorded).split(u' ')) {
        if (const auto alert = alerts.record(domain, measurement(kind, minute++))) {
            EXPECT_EQ(alert->domain_name, u"example.com"_s);
            raised.append(u"%1 %2 since %3"_s.arg(
                alert->kind == DomainAlert::Kind::down ? u"down"_s : u"up"_s,
                QString::number(test_epoch().secsTo(alert->measurement.measured_at) / 60),
                QString::number(test_epoch().secsTo(alert->outage_started_at) / 60)));
        }
    }
    EXPECT_EQ(raised.join(u", "_s).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutageRun,
    ::testing::Values(
        RunCase{"two_failures_make_one_outage", "", "ok 503 error 503 503", true, "down 2 since 1"},
        RunCase{"local_issues_neither_count_nor_break", "", "503 local local error local ok", true,
                "down 3 since 0, up 5 since 0"},
        RunCase{"one_failure_then_success_is_nothing", "", "503 ok error local ok 503", true, ""},
        RunCase{"after_recovery_a_new_outage", "", "503 503 503 ok ok error error", true,
                "down 1 since 0, up 3 since 0, down 6 since 5"},
        RunCase{"notifications_off", "", "503 503 ok", false, ""},
        RunCase{"restart_in_an_outage_announces_only_its_end", "ok 503 503", "error ok", true,
                "up 4 since 1"},
        RunCase{"restart_after_one_failure_counts_it", "ok 503 local", "503 ok", true,
                "down 3 since 1, up 4 since 1"},
        RunCase{"restart_after_a_recovery", "503 503 ok", "ok", true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

class StoreOutageAlerts : public StoreFixture {
    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }
};

// The store feeds what it records in and posts the alerts, across a restart.
TEST_F(StoreOutageAlerts, notify_once_down_and_once_up_also_across_a_restart)
{
    L10n::set_selected_language(AppLanguage::english);
    open();
    add(u"example.com"_s, false, true);
    add(u"quiet.example"_s);
    QSignalSpy alerts(store.get(), &TessaryStore::domain_alert);
    const auto record = [&](const char* kind) {
        clock.advance_by(60'000);
        for (const MonitoredDomain& domain : QList(store->domains())) {
            DomainMeasurement m = measurement(QString::fromLatin1(kind), 0);
            m.measured_at = clock.now();
            store->record_measurement(domain.id, m);
        }
    };
    for (const char* kind : {"503", "local", "503", "503"})
        record(kind);
    store->flush_persistence();
    open();
    record("503");
    record("ok");
    QStringList titles;
    for (const NotificationRequest& request : services.notification_sink.posted)
        titles.append(request.title);
    EXPECT_EQ(titles.join(u" | "_s).toStdString(),
              "example.com is down | example.com is up again after 5 min");
    EXPECT_EQ(alerts.size(), 1); // before the restart
}

// An outage ends with the domain's monitoring and with its address: neither a
// revival (also after a restart) nor a new URL posts "up again" on success.
class StoreOutageForgotten : public StoreOutageAlerts,
                             public ::testing::WithParamInterface<std::string> {};

TEST_P(StoreOutageForgotten, after_archiving_or_a_new_url)
{
    open();
    const QUuid id = add(u"example.com"_s, false, true);
    const auto record = [&](const char* kind) {
        clock.advance_by(60'000);
        DomainMeasurement m = measurement(QString::fromLatin1(kind), 0);
        m.measured_at = clock.now();
        store->record_measurement(id, m);
    };
    record("503");
    record("503");
    if (GetParam() == "new_url") {
        DomainSettings settings = domain(id).settings();
        settings.url_string = u"other.example"_s;
        store->update_domain(id, settings);
    } else {
        GetParam() == "archive_all" ? store->archive_all() : store->archive_domain(id);
        if (GetParam() == "restart_archived")
            open();
        add(u"example.com"_s, false, true);
    }
    record("ok");
    EXPECT_EQ(services.notification_sink.posted.size(), 1); // the down alert only
}

INSTANTIATE_TEST_SUITE_P(Cases, StoreOutageForgotten,
                         ::testing::Values("archive", "archive_all", "restart_archived", "new_url"),
                         [](const auto& info) { return info.param; });

} // namespace
