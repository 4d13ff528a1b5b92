#include "UiTestMain.h"
#include "i18n/L10n.h"
#include "ui/AppColors.h"
#include "ui/DomainHeartbeat.h"
#include "ui/DomainSidebarRow.h"

#include <QObject>

using namespace Qt::StringLiterals;

namespace {

using Segments = QList<DomainHeartbeat::Segment>;

const QDateTime now = QDateTime(QDate(2025, 1, 31), QTime(12, 0), Qt::UTC);

DomainMeasurement measurement(qint64 seconds_before_now, std::optional<int> status = 200,
                              double total_time = 0.25)
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = now.addSecs(-seconds_before_now);
    m.total_time = total_time;
    m.http_status = status;
    return m;
}

DomainMeasurement failed(qint64 seconds_before_now)
{
    DomainMeasurement m = measurement(seconds_before_now, std::nullopt);
    m.error_message = u"The request timed out."_s;
    return m;
}

DomainMeasurement local_issue(qint64 seconds_before_now)
{
    DomainMeasurement m = measurement(seconds_before_now);
    m.is_local_network_issue = true;
    return m;
}

// A domain with the measurements as given (newest first) and the statistics
// set by hand, so each case states the levels it means.
MonitoredDomain domain_with(QList<DomainMeasurement> measurements, int hours = 1)
{
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = u"https://example.com/"_s;
    domain.max_history_hours = hours;
    domain.measurements = std::move(measurements);
    return domain;
}

enum class Mark { none, delay, disturbance, outage };

void mark(MonitoredDomain& domain, int index, Mark level)
{
    const QUuid id = domain.measurements[index].id;
    switch (level) {
    case Mark::none:
        break;
    case Mark::delay:
        domain.statistics.delay_measurement_ids.insert(id);
        break;
    case Mark::outage:
        domain.statistics.outage_measurement_ids.insert(id);
        [[fallthrough]];
    case Mark::disturbance:
        domain.statistics.disturbance_measurement_ids.insert(id);
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(MonitoredDomain)
Q_DECLARE_METATYPE(DomainHeartbeat::Segment)

class SidebarPresentationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { L10n::set_selected_language(AppLanguage::english); }

    void status_dot_data()
    {
        QTest::addColumn<MonitoredDomain>("domain");
        QTest::addColumn<QColor>("expected");

        MonitoredDomain inactive = domain_with({measurement(10)});
        inactive.is_active = false;
        QTest::newRow("inactive") << inactive << AppColors::secondary();
        QTest::newRow("no measurement") << domain_with({}) << AppColors::orange();
        QTest::newRow("latest a local network issue")
            << domain_with({local_issue(10), failed(20)}) << AppColors::orange();
        QTest::newRow("latest failed")
            << domain_with({failed(10), measurement(20)}) << AppColors::red();
        QTest::newRow("latest 404") << domain_with({measurement(10, 404)}) << AppColors::red();
        QTest::newRow("latest 304") << domain_with({measurement(10, 304)}) << AppColors::green();
        QTest::newRow("normal after a failure")
            << domain_with({measurement(10), failed(20)}) << AppColors::green();
        MonitoredDomain delayed = domain_with({measurement(10)});
        mark(delayed, 0, Mark::delay);
        QTest::newRow("delay") << delayed << AppColors::yellow();
        MonitoredDomain disturbed = domain_with({measurement(10)});
        mark(disturbed, 0, Mark::disturbance);
        QTest::newRow("disturbance") << disturbed << AppColors::orange();
        MonitoredDomain outage = domain_with({measurement(10)});
        mark(outage, 0, Mark::outage);
        QTest::newRow("outage") << outage << AppColors::red();
    }

    void status_dot()
    {
        QFETCH(MonitoredDomain, domain);
        QFETCH(QColor, expected);
        QCOMPARE(DomainSidebarRow::status_color(domain), expected);
    }

    void detail_text_data()
    {
        QTest::addColumn<MonitoredDomain>("domain");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<QString>("expected");

        MonitoredDomain inactive = domain_with({});
        inactive.is_active = false;
        MonitoredDomain measured = domain_with({measurement(10, 200, 0.2346), failed(70)});
        measured.statistics.average_total_time = 1.5;
        mark(measured, 1, Mark::disturbance);

        QTest::newRow("waiting") << domain_with({}) << false << false
                                 << u"Waiting · 0 calls · 0 disturbances"_s;
        QTest::newRow("waiting while measuring")
            << domain_with({}) << true << false << u"Waiting · 0 calls · 0 disturbances"_s;
        QTest::newRow("inactive") << inactive << false << false
                                  << u"Inactive · 0 calls · 0 disturbances"_s;
        QTest::newRow("inactive, Dutch")
            << inactive << false << true << u"Inactief · 0 calls · 0 verstoringen"_s;
        QTest::newRow("measured") << measured << false << false
                                  << QStringLiteral(
                                         "235 ms · avg 1.50 s · 2 calls · 1 disturbance");
        QTest::newRow("measuring")
            << measured << true << false
            << u"Measuring... · 235 ms · avg 1.50 s · 2 calls · 1 disturbance"_s;
        QTest::newRow("measuring, Dutch")
            << measured << true << true
            << u"Bezig met meten... · 235 ms · gem 1,50 s · 2 calls · 1 verstoring"_s;
        MonitoredDomain no_average = domain_with({local_issue(10)});
        QTest::newRow("no average yet")
            << no_average << false << false << u"250 ms · avg - · 1 call · 0 disturbances"_s;
    }

    void detail_text()
    {
        QFETCH(MonitoredDomain, domain);
        QFETCH(bool, running);
        QFETCH(bool, dutch);
        QFETCH(QString, expected);
        L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
        QCOMPARE(DomainSidebarRow::detail_text(domain, running), expected);
    }

    void monitoring_duration_data()
    {
        QTest::addColumn<MonitoredDomain>("domain");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no measurement") << domain_with({}) << u"-"_s;
        QTest::newRow("from the oldest measurement")
            << domain_with({measurement(60), measurement(2 * 3600 + 5)}) << u"2 hours"_s;
        QTest::newRow("days") << domain_with({measurement(3 * 86400)}) << u"3 days"_s;
        QTest::newRow("a clock set back") << domain_with({measurement(-600)}) << u"< 1 hour"_s;
    }

    void monitoring_duration()
    {
        QFETCH(MonitoredDomain, domain);
        QFETCH(QString, expected);
        QCOMPARE(DomainSidebarRow::monitoring_duration(domain, now), expected);
    }

    void heartbeat_segments_data()
    {
        QTest::addColumn<MonitoredDomain>("domain");
        QTest::addColumn<Segments>("segments");
        QTest::addColumn<Segments>("markers");

        const QColor accent = AppColors::primary();
        QTest::newRow("no measurement") << domain_with({}) << Segments{} << Segments{};
        QTest::newRow("only older than the window")
            << domain_with({measurement(2 * 3600)}) << Segments{{0, 100, accent}} << Segments{};
        QTest::newRow("one measurement half-way colours the whole strip")
            << domain_with({measurement(1800)}) << Segments{{0, 50, accent}, {50, 50, accent}}
            << Segments{};
        QTest::newRow("a measurement at the window start is the anchor")
            << domain_with({measurement(3600, 404)}) << Segments{{0, 100, AppColors::red()}}
            << Segments{{0, 5, AppColors::red()}};
        QTest::newRow("a failure turns the strip red until the next measurement")
            << domain_with({measurement(900), failed(1800), measurement(5400)})
            << Segments{{0, 50, accent}, {50, 25, AppColors::red()}, {75, 25, accent}}
            << Segments{{47.5, 5, AppColors::red()}};
        QTest::newRow("measurements in the future are skipped")
            << domain_with({failed(-600), measurement(1800)})
            << Segments{{0, 50, accent}, {50, 50, accent}} << Segments{};
        QTest::newRow("a marker at the edge stays inside the strip")
            << domain_with({failed(0)})
            << Segments{{0, 100, AppColors::red()}, {100, 0, AppColors::red()}}
            << Segments{{95, 5, AppColors::red()}};

        MonitoredDomain disturbed = domain_with({measurement(900), measurement(1800)});
        mark(disturbed, 0, Mark::delay);
        mark(disturbed, 1, Mark::disturbance);
        QTest::newRow("disturbance and delay") << disturbed
                                               << Segments{{0, 50, AppColors::orange()},
                                                           {50, 25, AppColors::orange()},
                                                           {75, 25, AppColors::yellow()}}
                                               << Segments{{48.5, 3, AppColors::orange()}};

        MonitoredDomain local = domain_with({local_issue(900), local_issue(1800)});
        mark(local, 1, Mark::disturbance);
        QTest::newRow("local network issues are marked only when disturbed")
            << local
            << Segments{{0, 50, AppColors::orange()},
                        {50, 25, AppColors::orange()},
                        {75, 25, AppColors::orange()}}
            << Segments{{48.5, 3, AppColors::orange()}};

        MonitoredDomain outage = domain_with({measurement(1800)});
        mark(outage, 0, Mark::outage);
        QTest::newRow("outage without failure")
            << outage << Segments{{0, 50, AppColors::red()}, {50, 50, AppColors::red()}}
            << Segments{{48.5, 3, AppColors::red()}};
    }

    void heartbeat_segments()
    {
        QFETCH(MonitoredDomain, domain);
        QFETCH(Segments, segments);
        QFETCH(Segments, markers);
        const DomainHeartbeat::Strip strip = DomainHeartbeat::strip(domain, now, 100.0);
        QCOMPARE(strip.segments.size(), segments.size());
        for (qsizetype i = 0; i < segments.size(); ++i) {
            QVERIFY2(qFuzzyCompare(1.0 + strip.segments[i].x, 1.0 + segments[i].x),
                     qPrintable(QString::number(strip.segments[i].x)));
            QVERIFY2(qFuzzyCompare(1.0 + strip.segments[i].width, 1.0 + segments[i].width),
                     qPrintable(QString::number(strip.segments[i].width)));
            QCOMPARE(strip.segments[i].color, segments[i].color);
        }
        QCOMPARE(strip.markers.size(), markers.size());
        for (qsizetype i = 0; i < markers.size(); ++i) {
            QVERIFY(qFuzzyCompare(1.0 + strip.markers[i].x, 1.0 + markers[i].x));
            QCOMPARE(strip.markers[i].width, markers[i].width);
            QCOMPARE(strip.markers[i].color, markers[i].color);
        }
    }

    void heartbeat_tooltip_data()
    {
        QTest::addColumn<int>("hours");
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1 hour") << 1 << false << u"Heartbeat: last 1 hour"_s;
        QTest::newRow("23 hours") << 23 << false << u"Heartbeat: last 23 hours"_s;
        QTest::newRow("1 uur") << 1 << true << u"Heartbeat: afgelopen 1 uur"_s;
        QTest::newRow("24 hours") << 24 << false << u"Heartbeat: last 24 hours (1 day)"_s;
        QTest::newRow("24 uur") << 24 << true << u"Heartbeat: afgelopen 24 uur (1 dag)"_s;
        QTest::newRow("36 hours") << 36 << false << u"Heartbeat: last 36 hours (1.5 days)"_s;
        QTest::newRow("48 hours") << 48 << false << u"Heartbeat: last 48 hours (2 days)"_s;
        QTest::newRow("36 uur") << 36 << true << u"Heartbeat: afgelopen 36 uur (1,5 dagen)"_s;
        QTest::newRow("50 hours rounds to one decimal")
            << 50 << false << u"Heartbeat: last 50 hours (2.1 days)"_s;
    }

    void heartbeat_tooltip()
    {
        QFETCH(int, hours);
        QFETCH(bool, dutch);
        QFETCH(QString, expected);
        L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
        QCOMPARE(DomainHeartbeat::tooltip(hours), expected);
    }
};

TESSARY_UI_TEST_MAIN(SidebarPresentationTest)
#include "SidebarPresentationTest.moc"
