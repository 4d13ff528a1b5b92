#include "DetailTestSupport.h"
#include "UiTestMain.h"
#include "i18n/L10n.h"
#include "i18n/Preferences.h"
#include "ui/AppColors.h"
#include "ui/detail/DisturbanceTableModel.h"
#include "ui/detail/DomainDetailHeader.h"
#include "ui/detail/DomainStatus.h"
#include "ui/detail/EditableUrl.h"
#include "ui/detail/MeasurementHistoryColumns.h"
#include "ui/detail/MeasurementHistoryFilter.h"
#include "ui/detail/MeasurementResponseBadges.h"
#include "ui/detail/SchemeHandlerLookup.h"
#include "ui/detail/SummaryCards.h"
#include "ui/detail/TotalTimeChart.h"
#include "ui/detail/TotalTimeChartData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

using namespace TotalTimeChartData;

Q_DECLARE_METATYPE(MeasurementSample)
Q_DECLARE_METATYPE(DomainMeasurement)
Q_DECLARE_METATYPE(std::optional<double>)

namespace {

QList<MeasurementSample> repeated(qsizetype count, const MeasurementSample& sample)
{
    return QList<MeasurementSample>(count, sample);
}

} // namespace

// What the detail pane computes, checked as values.
class DetailValuesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { L10n::set_selected_language(AppLanguage::english); }
    void init() { L10n::set_selected_language(AppLanguage::english); }

    void editable_url_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("scheme and path")
            << u"https://example.com/status"_s << u"example.com/status"_s;
        QTest::newRow("www prefix in any case, query")
            << u"https://WWW.Example.com/a/b?x=1&y=2"_s << u"example.com/a/b?x=1&y=2"_s;
        QTest::newRow("port, user and fragment dropped or kept")
            << u"http://user:pw@www.example.com:8080/p#top"_s << u"example.com/p#top"_s;
        QTest::newRow("empty query and fragment")
            << u"https://example.com/?#"_s << u"example.com/"_s;
        QTest::newRow("percent-encoded path stays encoded")
            << u"https://example.com/a%20b"_s << u"example.com/a%20b"_s;
        QTest::newRow("www inside the host stays")
            << u"https://wwwexample.com"_s << u"wwwexample.com"_s;
        QTest::newRow("no host: unchanged") << u"example.com/path"_s << u"example.com/path"_s;
        QTest::newRow("placeholder") << u"-"_s << u"-"_s;
        QTest::newRow("unparseable") << u"http://exa mple.com"_s << u"http://exa mple.com"_s;
        QTest::newRow("IPv6 literal keeps brackets") << u"https://[::1]:8443/x"_s << u"[::1]/x"_s;
    }
    void editable_url()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(::editable_url(text), shown);
    }

    void status_of_the_latest_measurement_data()
    {
        QTest::addColumn<QList<MeasurementSample>>("history");
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("dutch");
        const QList<MeasurementSample> base = repeated(20, MeasurementSample());
        const auto after = [&](const MeasurementSample& latest) {
            return QList<MeasurementSample>{latest} + base;
        };
        QTest::newRow("measuring wins")
            << base << true << true << u"measuring"_s << u"Measuring"_s << u"Bezig met meten"_s;
        QTest::newRow("inactive") << base << false << false << u"inactive"_s << u"Inactive"_s
                                  << u"Inactief"_s;
        QTest::newRow("waiting") << QList<MeasurementSample>() << true << false << u"waiting"_s
                                 << u"Waiting"_s << u"Wachten"_s;
        QTest::newRow("local network")
            << after(MeasurementSample{.total_time = 12, .local_issue = true}) << true << false
            << u"local_network"_s << u"Local Network"_s << u"Lokaal netwerk"_s;
        QTest::newRow("online") << base << true << false << u"online"_s << u"Online"_s
                                << u"Online"_s;
        QTest::newRow("delay") << after(MeasurementSample{.total_time = 2.0}) << true << false
                               << u"delay"_s << u"Delay"_s << u"Vertraging"_s;
        QTest::newRow("disturbance") << after(MeasurementSample{.total_time = 3.5}) << true << false
                                     << u"disturbance"_s << u"Disturbance"_s << u"Verstoring"_s;
        QTest::newRow("outage") << after(MeasurementSample{.total_time = 9}) << true << false
                                << u"outage"_s << u"Outage"_s << u"Storing"_s;
        QTest::newRow("down") << after(MeasurementSample{.status = 500}) << true << false
                              << u"down"_s << u"Down"_s << u"Down"_s;
    }
    void status_of_the_latest_measurement()
    {
        QFETCH(QList<MeasurementSample>, history);
        QFETCH(bool, active);
        QFETCH(bool, running);
        QFETCH(QString, key);
        QFETCH(QString, english);
        QFETCH(QString, dutch);
        MonitoredDomain domain = make_domain(history);
        domain.is_active = active;
        const DomainStatus status = domain_status(domain, running);
        QCOMPARE(status_key(status), key);
        QCOMPARE(status_text(status), english);
        L10n::set_selected_language(AppLanguage::dutch);
        QCOMPARE(status_text(status), dutch);
    }

    void status_icons_and_colours()
    {
        QCOMPARE(status_image(DomainStatus::online), u"checkmark.circle"_s);
        QCOMPARE(status_color(DomainStatus::online), AppColors::green());
        QCOMPARE(status_image(DomainStatus::down), u"xmark.circle"_s);
        QCOMPARE(status_color(DomainStatus::down), AppColors::red());
        QCOMPARE(status_color(DomainStatus::waiting), AppColors::yellow());
        QCOMPARE(status_image(DomainStatus::local_network), u"wifi.exclamationmark"_s);
        QCOMPARE(status_color(DomainStatus::disturbance), AppColors::orange());
        QCOMPARE(status_color(DomainStatus::measuring), AppColors::secondary());
    }

    void countdown_text_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("active");
        QTest::addColumn<int>("due_in_ms"); // INT_MIN: no date
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("dutch");
        QTest::newRow("running") << true << true << 5000 << u"Measuring now"_s
                                 << u"Nu aan het meten"_s;
        QTest::newRow("paused") << false << false << 5000 << u"Monitoring paused"_s
                                << u"Monitoring gepauzeerd"_s;
        QTest::newRow("no schedule")
            << false << true << INT_MIN << u"Waiting for schedule"_s << u"Wachten op planning"_s;
        QTest::newRow("rounded up") << false << true << 41200 << u"Next measurement in 42s"_s
                                    << u"Nieuwe meting over 42s"_s;
        QTest::newRow("one millisecond")
            << false << true << 1 << u"Next measurement in 1s"_s << u"Nieuwe meting over 1s"_s;
        QTest::newRow("due now") << false << true << 0 << u"Measurement starting"_s
                                 << u"Meting wordt gestart"_s;
        QTest::newRow("overdue") << false << true << -3000 << u"Measurement starting"_s
                                 << u"Meting wordt gestart"_s;
    }
    void countdown_text()
    {
        QFETCH(bool, running);
        QFETCH(bool, active);
        QFETCH(int, due_in_ms);
        QFETCH(QString, english);
        QFETCH(QString, dutch);
        const QDateTime now(QDate(2025, 1, 31), QTime(9, 0), Qt::UTC);
        const std::optional<QDateTime> due =
            due_in_ms == INT_MIN ? std::nullopt : std::optional(now.addMSecs(due_in_ms));
        QCOMPARE(::countdown_text(running, active, due, now), english);
        L10n::set_selected_language(AppLanguage::dutch);
        QCOMPARE(::countdown_text(running, active, due, now), dutch);
    }

    void summary_cards_of_an_empty_and_a_disturbed_domain()
    {
        const MonitoredDomain empty = make_domain({});
        const QList<SummaryCardContent> cards = summary_cards(empty, false);
        QCOMPARE(cards.size(), 5);
        QCOMPARE(cards[0].value, u"Waiting"_s);
        QCOMPARE(cards[1].value, u"-"_s);
        QCOMPARE(cards[3].value, u"0"_s);
        QCOMPARE(cards[3].tint, AppColors::secondary());
        QCOMPARE(cards[4].tint, AppColors::secondary());
        QVERIFY(!cards[0].action_help);
        QCOMPARE(cards[4].action_help, std::optional(u"View all disturbances"_s));

        const MeasurementSample failed{.status = 503};
        QList<MeasurementSample> history = repeated(10, MeasurementSample());
        history.prepend(failed); // recovers at the next minute: 60 s
        history.prepend(MeasurementSample());
        L10n::set_selected_language(AppLanguage::dutch);
        const QList<SummaryCardContent> dutch = summary_cards(make_domain(history), false);
        QCOMPARE(dutch[1].title, u"Gemiddelde P15-P85"_s);
        QCOMPARE(dutch[1].value, u"200 ms"_s);
        QCOMPARE(dutch[3].value, u"1"_s);
        QCOMPARE(dutch[3].tint, AppColors::red());
        QCOMPARE(dutch[4].value, u"1,0 min"_s);
        QCOMPARE(dutch[4].tint, AppColors::orange());
        QCOMPARE(dutch[4].action_help, std::optional(u"Bekijk alle verstoringen"_s));
    }

    // The examples: 302, 404, a local-network issue with 200, exactly 1.0 s.
    void history_filters_data()
    {
        QTest::addColumn<MeasurementSample>("sample");
        QTest::addColumn<QString>("passing");
        QTest::newRow("302") << MeasurementSample{.status = 302} << u"all"_s;
        QTest::newRow("404") << MeasurementSample{.status = 404} << u"all,errors"_s;
        QTest::newRow("local network, 200, 2.5 s")
            << MeasurementSample{.total_time = 2.5, .local_issue = true} << u"all,errors"_s;
        QTest::newRow("exactly 1.0 s") << MeasurementSample{.total_time = 1.0} << u"all"_s;
        QTest::newRow("1.001 s") << MeasurementSample{.total_time = 1.001}
                                 << u"all,over_one_second"_s;
        QTest::newRow("no status") << MeasurementSample{.status = std::nullopt} << u"all,errors"_s;
        QTest::newRow("error text with 200")
            << MeasurementSample{.error = u"reset"_s} << u"all,errors"_s;
        QTest::newRow("9 s outage")
            << MeasurementSample{.total_time = 9.0} << u"all,outages,over_one_second"_s;
    }
    void history_filters()
    {
        QFETCH(MeasurementSample, sample);
        QFETCH(QString, passing);
        // A long history of 0.5 s: average 0.5 s, so nothing up to 1.5 s is a delay.
        const MeasurementSample usual{.total_time = 0.5};
        QList<MeasurementSample> history = repeated(30, usual);
        history.prepend(sample);
        const MonitoredDomain domain = make_domain(history);
        QStringList passed;
        for (MeasurementHistoryFilter filter : all_history_filters()) {
            if (passes_history_filter(domain, domain.measurements.first(), filter))
                passed.append(history_filter_key(filter));
        }
        QCOMPARE(passed.join(u','), passing);
    }

    void delay_and_disturbance_filters_follow_the_levels()
    {
        const MeasurementSample delay{.total_time = 2.0};
        const MeasurementSample disturbance{.total_time = 4.0};
        QList<MeasurementSample> history = repeated(30, MeasurementSample());
        history.prepend(disturbance);
        history.prepend(delay);
        const MonitoredDomain domain = make_domain(history);
        const auto count = [&](MeasurementHistoryFilter filter) {
            return filtered_measurements(domain, domain.measurements, filter, QString()).size();
        };
        QCOMPARE(count(MeasurementHistoryFilter::all), 32);
        QCOMPARE(count(MeasurementHistoryFilter::delays), 1);
        QCOMPARE(count(MeasurementHistoryFilter::disturbances), 1);
        QCOMPARE(count(MeasurementHistoryFilter::outages), 0);
        QCOMPARE(count(MeasurementHistoryFilter::over_one_second), 2);
        const std::vector<qsizetype> indices = filtered_indices(
            domain, domain.measurements, MeasurementHistoryFilter::over_one_second, QString());
        QCOMPARE(indices, (std::vector<qsizetype>{0, 1}));
    }

    void url_selection_and_picker_entries()
    {
        const MeasurementSample other{.url = u"https://example.com/b"_s};
        const MeasurementSample none{.url = std::nullopt};
        const MonitoredDomain domain = make_domain({MeasurementSample(), other, none, other});
        QCOMPARE(history_urls(domain.measurements),
                 (QStringList{u"https://example.com"_s, u"https://example.com/b"_s}));
        const auto count = [&](const QString& url) {
            return filtered_measurements(domain, domain.measurements, MeasurementHistoryFilter::all,
                                         url)
                .size();
        };
        QCOMPARE(count(u"https://example.com/b"_s), 2);
        QCOMPARE(count(QString()), 4);
        QVERIFY(!passes_url_selection(domain.measurements[2], u"-"_s));
        QCOMPARE(history_urls(make_domain({MeasurementSample(), MeasurementSample()}).measurements)
                     .size(),
                 1);
    }

    // Each badge as its text, marked "!" when an error and "~" when local.
    void response_badges_data()
    {
        QTest::addColumn<DomainMeasurement>("measurement");
        QTest::addColumn<QStringList>("badges");
        const QDateTime at = QDateTime::currentDateTimeUtc();
        QTest::newRow("nothing") << make_measurement(at, {.status = std::nullopt}) << QStringList();
        QTest::newRow("500") << make_measurement(at, {.status = 500})
                             << QStringList{u"HTTP 500!"_s};
        QTest::newRow("199") << make_measurement(at, {.status = 199})
                             << QStringList{u"HTTP 199!"_s};
        DomainMeasurement with_headers = make_measurement(at);
        with_headers.response_x_headers.insert(u"x-served-by"_s, u"cache-ams"_s);
        with_headers.response_x_headers.insert(u"x-cache"_s, u"HIT"_s);
        QTest::newRow("headers by name")
            << with_headers
            << QStringList{u"HTTP 200"_s, u"x-cache: HIT"_s, u"x-served-by: cache-ams"_s};
        QTest::newRow("local-network error")
            << make_measurement(
                   at, {.status = std::nullopt, .error = u"Timed out"_s, .local_issue = true})
            << QStringList{u"Timed out!~"_s};
    }
    void response_badges()
    {
        QFETCH(DomainMeasurement, measurement);
        QFETCH(QStringList, badges);
        QStringList got;
        for (const auto& item : response_badge_items(measurement))
            got.append(item.text + (item.is_error ? u"!"_s : QString()) +
                       (item.is_local_network_issue ? u"~"_s : QString()));
        QCOMPARE(got, badges);
    }

    void badge_colours()
    {
        QColor faint_red = AppColors::red();
        faint_red.setAlphaF(0.12f);
        QCOMPARE(badge_colors({u"http"_s, u"HTTP 500"_s, true, false}),
                 (BadgeColors{AppColors::red(), faint_red}));
        QCOMPARE(badge_colors({u"error"_s, u"x"_s, true, true}).text, AppColors::orange());
        QVERIFY(!badge_colors({u"http"_s, u"HTTP 200"_s, false, false}).text.isValid());
    }

    void chart_bucketing_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("points");
        QTest::newRow("600 kept") << 600 << 600;
        QTest::newRow("601 in runs of 2") << 601 << 301;
        QTest::newRow("1200 in runs of 2") << 1200 << 600;
        QTest::newRow("1201 in runs of 3") << 1201 << 401;
    }
    void chart_bucketing()
    {
        QFETCH(int, count);
        QFETCH(int, points);
        const MonitoredDomain domain = make_domain(repeated(count, MeasurementSample()));
        const QList<Point> chart = chart_points(domain, domain.measurements);
        QCOMPARE(chart.size(), points);
        // Oldest first, as drawn.
        QVERIFY(chart.first().measured_at_ms < chart.last().measured_at_ms);
    }

    void chart_runs_keep_their_worst_measurement()
    {
        // 601 measurements in runs of 2; the second run (indices 2 and 3) holds a
        // slow normal one and a failed fast one: the failure wins on level.
        QList<MeasurementSample> history = repeated(601, MeasurementSample());
        history[2].total_time = 0.9;
        history[3].status = 500;
        history[3].total_time = 0.1;
        // Run 3 (indices 4, 5): equal levels, the higher total time wins.
        history[5].total_time = 0.4;
        const MeasurementSample local{.local_issue = true};
        history.insert(7, local); // dropped before bucketing: still 601 usable
        const MonitoredDomain domain = make_domain(history);
        const QList<Point> chart = chart_points(domain, domain.measurements);
        QCOMPARE(chart.size(), 301);
        // Drawn oldest first: the runs from the newest end are at the back.
        const Point& second_run = chart[chart.size() - 2];
        QCOMPARE(second_run.level, DomainMeasurementLevel::error);
        QCOMPARE(second_run.total_time, 0.1);
        QCOMPARE(chart[chart.size() - 3].total_time, 0.4);
        QCOMPARE(chart.last().measured_at_ms,
                 domain.measurements.first().measured_at.toMSecsSinceEpoch());
    }

    // The curve goes through every point and never runs back in time between two.
    void smoothed_curve_passes_through_every_point()
    {
        const QList<QPointF> points{{0, 50}, {10, 5}, {12, 80}, {40, 40}, {41, 41}};
        const QPainterPath path = TotalTimeChart::smoothed_path(points);
        QCOMPARE(path.elementCount(), 1 + 3 * (points.size() - 1));
        QCOMPARE(QPointF(path.elementAt(0)), points[0]);
        for (qsizetype i = 1; i < points.size(); ++i) {
            const int end = int(3 * i);
            QCOMPARE(QPointF(path.elementAt(end)), points[i]);
            for (int control : {end - 2, end - 1}) {
                QVERIFY(path.elementAt(control).x >= points[i - 1].x());
                QVERIFY(path.elementAt(control).x <= points[i].x());
            }
        }
        QVERIFY(TotalTimeChart::smoothed_path({}).isEmpty());
    }

    void the_chart_paints_one_point_or_none()
    {
        TotalTimeChart chart;
        chart.resize(500, 220);
        chart.set_data({}, TotalTimeChartData::threshold_lines(std::nullopt));
        QVERIFY(!chart.grab().isNull());
        chart.set_data({{qint64(1700000000) * 1000, 0.3, DomainMeasurementLevel::outage}},
                       TotalTimeChartData::threshold_lines(0.3));
        QVERIFY(!chart.grab().isNull());
        QCOMPARE(chart.maximum_total_time(), 8.8);
    }

    void chart_scale_bound_data()
    {
        QTest::addColumn<QList<double>>("totals");
        QTest::addColumn<double>("bound");
        QTest::newRow("empty") << QList<double>() << 8.8;
        QTest::newRow("2.0 s") << QList<double>{0.3, 2.0} << 8.8;
        QTest::newRow("8.0 s: 8.8") << QList<double>{8.0} << 8.8;
        QTest::newRow("8.5 s: 9.35") << QList<double>{8.5} << 1.1 * 8.5;
        QTest::newRow("9.5 s: capped") << QList<double>{9.5} << 10.0;
        QTest::newRow("timeout") << QList<double>{15.0, 0.2} << 10.0;
    }
    void chart_scale_bound()
    {
        QFETCH(QList<double>, totals);
        QFETCH(double, bound);
        QList<Point> points;
        for (double t : totals)
            points.append({0, t, DomainMeasurementLevel::normal});
        QCOMPARE(chart_maximum_total_time(points), bound);
    }

    // Each line as its series name and height (to six digits).
    void threshold_lines_data()
    {
        QTest::addColumn<std::optional<double>>("average");
        QTest::addColumn<QString>("lines");
        const auto all = [](const char* delay, const char* disturbance) {
            return u"Delay threshold %1, Disturbance threshold %2, Outage threshold 8"_s.arg(
                QLatin1String(delay), QLatin1String(disturbance));
        };
        const QString no_disturbance = u"Delay threshold 1.5, Outage threshold 8"_s;
        QTest::newRow("average 0.4") << std::optional(0.4) << all("1.2", "3");
        QTest::newRow("average 2.0") << std::optional(2.0) << no_disturbance;
        QTest::newRow("average 1.0") << std::optional(1.0) << all("1.5", "5");
        QTest::newRow("average 1.6: 8.0 is not below 8.0") << std::optional(1.6) << no_disturbance;
        QTest::newRow("no average") << std::optional<double>() << no_disturbance;
        QTest::newRow("zero average") << std::optional(0.0) << all("1.5", "3");
    }
    void threshold_lines()
    {
        QFETCH(std::optional<double>, average);
        QFETCH(QString, lines);
        QStringList got;
        for (const ThresholdLine& line : TotalTimeChartData::threshold_lines(average))
            got.append(line.series_name + u' ' + QString::number(line.y));
        QCOMPARE(got.join(u", "_s), lines);
    }

    void threshold_annotations_and_dashes()
    {
        const QList<ThresholdLine> lines = TotalTimeChartData::threshold_lines(0.4);
        QCOMPARE(lines[0].annotation(), u"Delay: 1.20 s"_s);
        QCOMPARE(lines[0].color, AppColors::yellow());
        QCOMPARE((QList<qreal>{lines[0].dash_on, lines[1].dash_on, lines[2].dash_on}),
                 (QList<qreal>{3, 5, 7}));
        L10n::set_selected_language(AppLanguage::dutch);
        const QList<ThresholdLine> dutch = TotalTimeChartData::threshold_lines(0.4);
        QCOMPARE(dutch[1].annotation(), u"Verstoring: 3,00 s"_s);
        QCOMPARE(dutch[2].annotation(), u"Storing: 8,00 s"_s);
    }

    void disturbance_durations_data()
    {
        QTest::addColumn<std::optional<double>>("seconds");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("dutch");
        QTest::newRow("unknown") << std::optional<double>() << u"Unknown"_s << u"Onbekend"_s;
        QTest::newRow("45 s") << std::optional(45.0) << u"< 1 min"_s << u"< 1 min"_s;
        QTest::newRow("150 s") << std::optional(150.0) << u"2.5 min"_s << u"2,5 min"_s;
        QTest::newRow("60 s") << std::optional(60.0) << u"1.0 min"_s << u"1,0 min"_s;
    }
    void disturbance_durations()
    {
        QFETCH(std::optional<double>, seconds);
        QFETCH(QString, english);
        QFETCH(QString, dutch);
        QCOMPARE(DisturbanceTableModel::duration_text(seconds), english);
        L10n::set_selected_language(AppLanguage::dutch);
        QCOMPARE(DisturbanceTableModel::duration_text(seconds), dutch);
    }

    void column_layout_encoding_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("layout");
        QTest::newRow("round trip")
            << u"time,date,!url,dns,connect,ssl,ttfb,total,network,response_details"_s
            << u"time,date,!url,dns,connect,ssl,ttfb,total,network,response_details"_s;
        QTest::newRow("missing columns come back in place")
            << u"total,!date"_s
            << u"total,network,response_details,!date,time,url,dns,connect,ssl,ttfb"_s;
        QTest::newRow("unknown and repeated ids skipped")
            << u"bogus,!dns,dns,!!x"_s
            << u"date,time,url,!dns,connect,ssl,ttfb,total,network,response_details"_s;
        QTest::newRow("all hidden shows all")
            << u"!date,!time,!url,!dns,!connect,!ssl,!ttfb,!total,!network,!response_details"_s
            << u"date,time,url,dns,connect,ssl,ttfb,total,network,response_details"_s;
        QTest::newRow("garbage")
            << u"\x01;;"_s
            << u"date,time,url,dns,connect,ssl,ttfb,total,network,response_details"_s;
    }
    void column_layout_encoding()
    {
        QFETCH(QString, stored);
        QFETCH(QString, layout);
        QCOMPARE(MeasurementHistoryColumns::Layout::decoded(stored).encoded(), layout);
    }

    // Each case is a set of files below a fresh XDG tree: path -> content.
    void scheme_handler_lookup_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("handler");
        const QString desktop = u"[Desktop Entry]\nType=Application\nName=Nestory\n"_s;
        QTest::newRow("nothing") << QStringList() << QString();
        QTest::newRow("user default")
            << QStringList{u"config/mimeapps.list"_s,
                           u"[Default Applications]\nx-scheme-handler/nestory=nestory.desktop;\n"_s,
                           u"data/applications/nestory.desktop"_s, desktop}
            << u"nestory.desktop"_s;
        QTest::newRow("default of an uninstalled application")
            << QStringList{u"config/mimeapps.list"_s,
                           u"[Default Applications]\nx-scheme-handler/nestory=gone.desktop\n"_s}
            << QString();
        QTest::newRow("added association in a system list")
            << QStringList{u"system/applications/mimeapps.list"_s,
                           u"[Added Associations]\nx-scheme-handler/nestory=vendor-nestory.desktop\n"_s,
                           u"system/applications/vendor/nestory.desktop"_s, desktop}
            << u"vendor-nestory.desktop"_s;
        QTest::newRow("desktop database cache")
            << QStringList{u"system/applications/mimeinfo.cache"_s,
                           u"[MIME Cache]\nx-scheme-handler/http=firefox.desktop;\n"
                           "x-scheme-handler/nestory=nestory.desktop;\n"_s,
                           u"system/applications/nestory.desktop"_s, desktop}
            << u"nestory.desktop"_s;
        QTest::newRow("user desktop file not yet cached")
            << QStringList{u"data/applications/nestory-app.desktop"_s,
                           desktop + u"MimeType=text/plain;x-scheme-handler/nestory;\n"_s}
            << u"nestory-app.desktop"_s;
        QTest::newRow("another scheme only")
            << QStringList{u"data/applications/other.desktop"_s,
                           desktop + u"MimeType=x-scheme-handler/nestoryx;\n"_s}
            << QString();
    }
    void scheme_handler_lookup()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, handler);
        QTemporaryDir root;
        for (qsizetype i = 0; i + 1 < files.size(); i += 2)
            QVERIFY(write_file(root.filePath(files[i]), files[i + 1].toUtf8()));
        const char* const names[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME",
                                     "XDG_DATA_DIRS"};
        const char* const dirs[] = {"config", "etc", "data", "system"};
        QByteArray saved[4];
        for (int i = 0; i < 4; ++i) {
            saved[i] = qgetenv(names[i]);
            qputenv(names[i], root.filePath(QString::fromLatin1(dirs[i])).toLocal8Bit());
        }
        const std::optional<QString> found = SchemeHandlerLookup::find_handler(u"nestory"_s);
        for (int i = 0; i < 4; ++i)
            qputenv(names[i], saved[i]);
        QCOMPARE(found.value_or(QString()), handler);
    }

    void nestory_lookup_url_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("lookup");
        QTest::newRow("host") << u"https://www.example.com/x?y=1"_s
                              << u"nestory://lookup?value=www.example.com"_s;
        QTest::newRow("international host in ASCII")
            << u"https://bücher.example/"_s << u"nestory://lookup?value=xn--bcher-kva.example"_s;
        QTest::newRow("no host") << u"-"_s << u""_s;
    }
    void nestory_lookup_url()
    {
        QFETCH(QString, url);
        QFETCH(QString, lookup);
        const std::optional<QUrl> built = DomainDetailHeader::nestory_lookup_url(url);
        QCOMPARE(built ? built->toString(QUrl::FullyEncoded) : QString(), lookup);
    }
};

TESSARY_UI_TEST_MAIN(DetailValuesTest)
#include "DetailValuesTest.moc"
