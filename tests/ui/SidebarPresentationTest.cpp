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

// A failure (no status) carries an error text.
DomainMeasurement measurement(qint64 seconds_before_now, std::optional<int> status = 200,
                              double total_time = 0.25, bool local_issue = false)
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = now.addSecs(-seconds_before_now);
    m.total_time = total_time;
    m.http_status = status;
    if (!status)
        m.error_message = u"The request timed out."_s;
    m.is_local_network_issue = local_issue;
    return m;
}
const auto failed = [](qint64 ago) { return measurement(ago, std::nullopt); };
const auto local_issue = [](qint64 ago) { return measurement(ago, 200, 0.25, true); };

// A domain with the measurements as given (newest first) and the statistics
// set by hand, so each case states the levels it means.
MonitoredDomain domain_with(QList<DomainMeasurement> measurements)
{
    MonitoredDomain domain;
    domain.url_string = u"https://www.example.com/"_s;
    domain.max_history_hours = 1;
    domain.measurements = std::move(measurements);
    return domain;
}

enum class Mark { delay, disturbance, outage };

// The domain with its measurement `index` marked at `level`.
MonitoredDomain marked(MonitoredDomain domain, int index, Mark level)
{
    const QUuid id = domain.measurements[index].id;
    if (level == Mark::delay)
        domain.statistics.delay_measurement_ids.insert(id);
    if (level == Mark::disturbance || level == Mark::outage)
        domain.statistics.disturbance_measurement_ids.insert(id);
    if (level == Mark::outage)
        domain.statistics.outage_measurement_ids.insert(id);
    return domain;
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
        QTest::newRow("normal after a failure")
            << domain_with({measurement(10), failed(20)}) << AppColors::green();
        const MonitoredDomain plain = domain_with({measurement(10)});
        QTest::newRow("delay") << marked(plain, 0, Mark::delay) << AppColors::yellow();
        QTest::newRow("disturbance") << marked(plain, 0, Mark::disturbance) << AppColors::orange();
        QTest::newRow("outage") << marked(plain, 0, Mark::outage) << AppColors::red();
    }

    void status_dot()
    {
        QFETCH(MonitoredDomain, domain);
        QFETCH(QColor, expected);
        QCOMPARE(DomainSidebarRow::status_color(domain), expected);
    }

    // The row's caption line, and what a screen reader says for the whole row.
    void detail_text_and_row_name_data()
    {
        QTest::addColumn<MonitoredDomain>("domain");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("name");

        MonitoredDomain inactive = domain_with({});
        inactive.is_active = false;
        MonitoredDomain measured =
            marked(domain_with({measurement(10, 200, 0.2346), failed(70)}), 1, Mark::disturbance);
        measured.statistics.average_total_time = 1.5;
        measured.is_pinned = true;

        QTest::newRow("waiting") << domain_with({}) << false << false
                                 << u"Waiting · 0 calls · 0 disturbances"_s
                                 << u"www.example.com, waiting, 0 disturbances"_s;
        QTest::newRow("inactive, Dutch")
            << inactive << false << true << u"Inactief · 0 calls · 0 verstoringen"_s
            << u"www.example.com, inactief, 0 verstoringen"_s;
        QTest::newRow("measured")
            << measured << false << false
            << QStringLiteral("235 ms · avg 1.50 s · 2 calls · 1 disturbance")
            << u"www.example.com, online, 235 ms, average 1.50 s, 1 disturbance, pinned"_s;
        QTest::newRow("measuring, Dutch")
            << measured << true << true
            << u"Bezig met meten... · 235 ms · gem 1,50 s · 2 calls · 1 verstoring"_s
            << u"www.example.com, bezig met meten, 235 ms, gemiddeld 1,50 s, 1 verstoring, "
               u"vastgemaakt"_s;
        QTest::newRow("no average yet")
            << domain_with({local_issue(10)}) << false << false
            << u"250 ms · avg - · 1 call · 0 disturbances"_s
            << u"www.example.com, local network, 250 ms, average -, 0 disturbances"_s;
    }

    void detail_text_and_row_name()
    {
        QFETCH(MonitoredDomain, domain);
        QFETCH(bool, running);
        QFETCH(bool, dutch);
        QFETCH(QString, expected);
        QFETCH(QString, name);
        L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
        QCOMPARE(DomainSidebarRow::detail_text(domain, running), expected);
        QCOMPARE(DomainSidebarRow::accessible_name(domain, running), name);
    }

    void monitoring_duration()
    {
        const auto duration = [](const QList<DomainMeasurement>& measurements) {
            return DomainSidebarRow::monitoring_duration(domain_with(measurements), now);
        };
        QCOMPARE(duration({}), u"-"_s);
        QCOMPARE(duration({measurement(60), measurement(2 * 3600 + 5)}), u"2 hours"_s);
        QCOMPARE(duration({measurement(-600)}), u"< 1 hour"_s); // a clock set back
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

        const MonitoredDomain disturbed =
            marked(marked(domain_with({measurement(900), measurement(1800)}), 0, Mark::delay), 1,
                   Mark::disturbance);
        QTest::newRow("disturbance and delay") << disturbed
                                               << Segments{{0, 50, AppColors::orange()},
                                                           {50, 25, AppColors::orange()},
                                                           {75, 25, AppColors::yellow()}}
                                               << Segments{{48.5, 3, AppColors::orange()}};

        QTest::newRow("local network issues are marked only when disturbed")
            << marked(domain_with({local_issue(900), local_issue(1800)}), 1, Mark::disturbance)
            << Segments{{0, 50, AppColors::orange()},
                        {50, 25, AppColors::orange()},
                        {75, 25, AppColors::orange()}}
            << Segments{{48.5, 3, AppColors::orange()}};

        QTest::newRow("outage without failure")
            << marked(domain_with({measurement(1800)}), 0, Mark::outage)
            << Segments{{0, 50, AppColors::red()}, {50, 50, AppColors::red()}}
            << Segments{{48.5, 3, AppColors::red()}};
    }

    void heartbeat_segments()
    {
        QFETCH(MonitoredDomain, domain);
        QFETCH(Segments, segments);
        QFETCH(Segments, markers);
        const DomainHeartbeat::Strip strip = DomainHeartbeat::strip(domain, now, 100.0);
        // Positions to a thousandth of the width, which QCOMPARE of doubles cannot say.
        const auto text = [](const Segments& list) {
            QStringList parts;
            for (const DomainHeartbeat::Segment& s : list)
                parts.append(
                    u"%1+%2 %3"_s.arg(s.x, 0, 'f', 3).arg(s.width, 0, 'f', 3).arg(s.color.name()));
            return parts.join(u", "_s);
        };
        QCOMPARE(text(strip.segments), text(segments));
        QCOMPARE(text(strip.markers), text(markers));
    }

    void heartbeat_tooltip_and_description()
    {
        QCOMPARE(DomainHeartbeat::tooltip(1), u"Heartbeat: last 1 hour"_s);
        QCOMPARE(DomainHeartbeat::tooltip(50), u"Heartbeat: last 50 hours (2.1 days)"_s);

        // In the hour: a failure that began an outage, a disturbance after it, and
        // a slow local network issue, which the highest time leaves out. Before
        // the hour: a disturbance that does not count.
        MonitoredDomain domain =
            marked(domain_with({measurement(600), measurement(900, 200, 4.0, true), failed(1200),
                                measurement(1800, 200, 0.4), measurement(7200)}),
                   0, Mark::disturbance);
        const auto period = [&](int index, bool failure) {
            const DomainMeasurement& m = domain.measurements[index];
            domain.statistics.disturbance_periods.append({m.id, m.measured_at, {}, m, failure});
        };
        period(4, false);
        period(2, true);
        period(0, false);
        QCOMPARE(DomainHeartbeat::description(domain, now),
                 u"Heartbeat: last 1 hour: 4 measurements over < 1 hour, highest 400 ms, "
                 u"1 outage, 1 disturbance"_s);
        L10n::set_selected_language(AppLanguage::dutch);
        QCOMPARE(DomainHeartbeat::tooltip(36), u"Heartbeat: afgelopen 36 uur (1,5 dagen)"_s);
        QCOMPARE(DomainHeartbeat::description(domain_with({}), now),
                 u"Heartbeat: afgelopen 1 uur: Geen metingen beschikbaar."_s);
    }
};

TESSARY_UI_TEST_MAIN(SidebarPresentationTest)
#include "SidebarPresentationTest.moc"
