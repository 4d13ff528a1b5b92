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
        QTest::newRow("scheme and path") << "https://example.com/status"
                                         << "example.com/status";
        QTest::newRow("www prefix in any case, query") << "https://WWW.Example.com/a/b?x=1&y=2"
                                                       << "example.com/a/b?x=1&y=2";
        QTest::newRow("port, user and fragment dropped or kept")
            << "http://user:pw@www.example.com:8080/p#top"
            << "example.com/p#top";
        QTest::newRow("empty query and fragment") << "https://example.com/?#"
                                                  << "example.com/";
        QTest::newRow("percent-encoded path stays encoded") << "https://example.com/a%20b"
                                                            << "example.com/a%20b";
        QTest::newRow("www inside the host stays") << "https://wwwexample.com"
                                                   << "wwwexample.com";
        QTest::newRow("no host: unchanged") << "example.com/path"
                                            << "example.com/path";
        QTest::newRow("placeholder") << "-"
                                     << "-";
        QTest::newRow("unparseable") << "http://exa mple.com"
                                     << "http://exa mple.com";
        QTest::newRow("IPv6 literal keeps brackets") << "https://[::1]:8443/x"
                                                     << "[::1]/x";
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
        const MeasurementSample fast;
        MeasurementSample local;
        local.local_issue = true;
        local.total_time = 12;
        MeasurementSample slow;
        slow.total_time = 2.0;
        MeasurementSample disturbed;
        disturbed.total_time = 3.5;
        MeasurementSample outage;
        outage.total_time = 9;
        MeasurementSample failed;
        failed.status = 500;
        QList<MeasurementSample> base = repeated(20, fast);
        QTest::newRow("measuring wins") << base << true << true << "measuring"
                                        << "Measuring"
                                        << "Bezig met meten";
        QTest::newRow("inactive") << base << false << false << "inactive"
                                  << "Inactive"
                                  << "Inactief";
        QTest::newRow("waiting") << QList<MeasurementSample>() << true << false << "waiting"
                                 << "Waiting"
                                 << "Wachten";
        QTest::newRow("local network")
            << (QList<MeasurementSample>{local} + base) << true << false << "local_network"
            << "Local Network"
            << "Lokaal netwerk";
        QTest::newRow("online") << base << true << false << "online"
                                << "Online"
                                << "Online";
        QTest::newRow("delay") << (QList<MeasurementSample>{slow} + base) << true << false << "delay"
                               << "Delay"
                               << "Vertraging";
        QTest::newRow("disturbance")
            << (QList<MeasurementSample>{disturbed} + base) << true << false << "disturbance"
            << "Disturbance"
            << "Verstoring";
        QTest::newRow("outage") << (QList<MeasurementSample>{outage} + base) << true << false
                                << "outage"
                                << "Outage"
                                << "Storing";
        QTest::newRow("down") << (QList<MeasurementSample>{failed} + base) << true << false << "down"
                              << "Down"
                              << "Down";
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
        QCOMPARE(status_image(DomainStatus::online), QStringLiteral("checkmark.circle"));
        QCOMPARE(status_color(DomainStatus::online), AppColors::green());
        QCOMPARE(status_image(DomainStatus::down), QStringLiteral("xmark.circle"));
        QCOMPARE(status_color(DomainStatus::down), AppColors::red());
        QCOMPARE(status_color(DomainStatus::waiting), AppColors::yellow());
        QCOMPARE(status_image(DomainStatus::local_network), QStringLiteral("wifi.exclamationmark"));
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
        QTest::newRow("running") << true << true << 5000 << "Measuring now"
                                 << "Nu aan het meten";
        QTest::newRow("paused") << false << false << 5000 << "Monitoring paused"
                                << "Monitoring gepauzeerd";
        QTest::newRow("no schedule") << false << true << INT_MIN << "Waiting for schedule"
                                     << "Wachten op planning";
        QTest::newRow("rounded up") << false << true << 41200 << "Next measurement in 42s"
                                    << "Nieuwe meting over 42s";
        QTest::newRow("one millisecond") << false << true << 1 << "Next measurement in 1s"
                                         << "Nieuwe meting over 1s";
        QTest::newRow("due now") << false << true << 0 << "Measurement starting"
                                 << "Meting wordt gestart";
        QTest::newRow("overdue") << false << true << -3000 << "Measurement starting"
                                 << "Meting wordt gestart";
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
        QCOMPARE(cards[0].value, QStringLiteral("Waiting"));
        QCOMPARE(cards[1].value, QStringLiteral("-"));
        QCOMPARE(cards[3].value, QStringLiteral("0"));
        QCOMPARE(cards[3].tint, AppColors::secondary());
        QCOMPARE(cards[4].tint, AppColors::secondary());
        QVERIFY(!cards[0].action_help);
        QCOMPARE(cards[4].action_help, std::optional(QStringLiteral("View all disturbances")));

        MeasurementSample failed;
        failed.status = 503;
        QList<MeasurementSample> history = repeated(10, MeasurementSample());
        history.prepend(failed); // recovers at the next minute: 60 s
        history.prepend(MeasurementSample());
        L10n::set_selected_language(AppLanguage::dutch);
        const QList<SummaryCardContent> dutch = summary_cards(make_domain(history), false);
        QCOMPARE(dutch[1].title, QStringLiteral("Gemiddelde P15-P85"));
        QCOMPARE(dutch[1].value, QStringLiteral("200 ms"));
        QCOMPARE(dutch[3].value, QStringLiteral("1"));
        QCOMPARE(dutch[3].tint, AppColors::red());
        QCOMPARE(dutch[4].value, QStringLiteral("1,0 min"));
        QCOMPARE(dutch[4].tint, AppColors::orange());
        QCOMPARE(dutch[4].action_help, std::optional(QStringLiteral("Bekijk alle verstoringen")));
    }

    // The examples: 302, 404, a local-network issue with 200, exactly 1.0 s.
    void history_filters_data()
    {
        QTest::addColumn<MeasurementSample>("sample");
        QTest::addColumn<QStringList>("passing");
        MeasurementSample redirect;
        redirect.status = 302;
        MeasurementSample not_found;
        not_found.status = 404;
        MeasurementSample local;
        local.local_issue = true;
        local.total_time = 2.5;
        MeasurementSample one_second;
        one_second.total_time = 1.0;
        MeasurementSample just_over;
        just_over.total_time = 1.001;
        MeasurementSample no_status;
        no_status.status = std::nullopt;
        MeasurementSample error_with_ok;
        error_with_ok.error = QStringLiteral("reset");
        MeasurementSample outage;
        outage.total_time = 9.0;
        QTest::newRow("302") << redirect << QStringList{u"all"_s};
        QTest::newRow("404") << not_found << QStringList{u"all"_s, u"errors"_s};
        QTest::newRow("local network, 200, 2.5 s") << local << QStringList{u"all"_s, u"errors"_s};
        QTest::newRow("exactly 1.0 s") << one_second << QStringList{u"all"_s};
        QTest::newRow("1.001 s") << just_over << QStringList{u"all"_s, u"over_one_second"_s};
        QTest::newRow("no status") << no_status << QStringList{u"all"_s, u"errors"_s};
        QTest::newRow("error text with 200") << error_with_ok << QStringList{u"all"_s, u"errors"_s};
        QTest::newRow("9 s outage")
            << outage << QStringList{u"all"_s, u"outages"_s, u"over_one_second"_s};
    }
    void history_filters()
    {
        QFETCH(MeasurementSample, sample);
        QFETCH(QStringList, passing);
        // A long history of 0.5 s: average 0.5 s, so nothing up to 1.5 s is a delay.
        MeasurementSample usual;
        usual.total_time = 0.5;
        QList<MeasurementSample> history = repeated(30, usual);
        history.prepend(sample);
        const MonitoredDomain domain = make_domain(history);
        QStringList passed;
        for (MeasurementHistoryFilter filter : all_history_filters()) {
            if (passes_history_filter(domain, domain.measurements.first(), filter))
                passed.append(history_filter_key(filter));
        }
        QCOMPARE(passed, passing);
    }

    void delay_and_disturbance_filters_follow_the_levels()
    {
        MeasurementSample delay;
        delay.total_time = 2.0;
        MeasurementSample disturbance;
        disturbance.total_time = 4.0;
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
        MeasurementSample other;
        other.url = QStringLiteral("https://example.com/b");
        MeasurementSample none;
        none.url = std::nullopt;
        const MonitoredDomain domain = make_domain({MeasurementSample(), other, none, other});
        QCOMPARE(history_urls(domain.measurements),
                 (QStringList{u"https://example.com"_s, u"https://example.com/b"_s}));
        QCOMPARE(filtered_measurements(domain, domain.measurements, MeasurementHistoryFilter::all,
                                       QStringLiteral("https://example.com/b"))
                     .size(),
                 2);
        QCOMPARE(filtered_measurements(domain, domain.measurements, MeasurementHistoryFilter::all,
                                       QString())
                     .size(),
                 4);
        QVERIFY(!passes_url_selection(domain.measurements[2], QStringLiteral("-")));
        QCOMPARE(
            history_urls(make_domain({MeasurementSample(), MeasurementSample()}).measurements).size(),
            1);
    }

    void filter_titles_in_both_languages()
    {
        QCOMPARE(history_filter_title(MeasurementHistoryFilter::over_one_second),
                 QStringLiteral("Calls over 1s"));
        L10n::set_selected_language(AppLanguage::dutch);
        QCOMPARE(history_filter_title(MeasurementHistoryFilter::over_one_second),
                 QStringLiteral("Calls boven 1s"));
        QCOMPARE(history_filter_title(MeasurementHistoryFilter::all),
                 QStringLiteral("Alle metingen"));
    }

    void response_badges_data()
    {
        QTest::addColumn<DomainMeasurement>("measurement");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<bool>>("errors");
        QTest::addColumn<QList<bool>>("local");
        const QDateTime at = QDateTime::currentDateTimeUtc();
        MeasurementSample bare;
        bare.status = std::nullopt;
        QTest::newRow("nothing") << make_measurement(at, bare) << QStringList() << QList<bool>()
                                 << QList<bool>();
        MeasurementSample server_error;
        server_error.status = 500;
        QTest::newRow("500") << make_measurement(at, server_error) << QStringList{u"HTTP 500"_s}
                             << QList<bool>{true} << QList<bool>{false};
        MeasurementSample informational;
        informational.status = 199;
        QTest::newRow("199") << make_measurement(at, informational) << QStringList{u"HTTP 199"_s}
                             << QList<bool>{true} << QList<bool>{false};
        DomainMeasurement with_headers = make_measurement(at);
        with_headers.response_x_headers.insert(QStringLiteral("x-served-by"),
                                               QStringLiteral("cache-ams"));
        with_headers.response_x_headers.insert(QStringLiteral("x-cache"), QStringLiteral("HIT"));
        QTest::newRow("headers by name")
            << with_headers
            << QStringList{u"HTTP 200"_s, u"x-cache: HIT"_s, u"x-served-by: cache-ams"_s}
            << QList<bool>{false, false, false} << QList<bool>{false, false, false};
        MeasurementSample local;
        local.status = std::nullopt;
        local.local_issue = true;
        local.error = QStringLiteral("Timed out");
        QTest::newRow("local-network error")
            << make_measurement(at, local) << QStringList{u"Timed out"_s} << QList<bool>{true}
            << QList<bool>{true};
    }
    void response_badges()
    {
        QFETCH(DomainMeasurement, measurement);
        QFETCH(QStringList, texts);
        QFETCH(QList<bool>, errors);
        QFETCH(QList<bool>, local);
        const QList<MeasurementResponseBadgeItem> items = response_badge_items(measurement);
        QStringList got_texts;
        QList<bool> got_errors;
        QList<bool> got_local;
        for (const auto& item : items) {
            got_texts.append(item.text);
            got_errors.append(item.is_error);
            got_local.append(item.is_local_network_issue);
        }
        QCOMPARE(got_texts, texts);
        QCOMPARE(got_errors, errors);
        QCOMPARE(got_local, local);
    }

    void badge_colours()
    {
        QColor faint_red = AppColors::red();
        faint_red.setAlphaF(0.12f);
        QCOMPARE(badge_colors({QStringLiteral("http"), QStringLiteral("HTTP 500"), true, false}),
                 (BadgeColors{AppColors::red(), faint_red}));
        QCOMPARE(badge_colors({QStringLiteral("error"), QStringLiteral("x"), true, true}).text,
                 AppColors::orange());
        QVERIFY(!badge_colors({QStringLiteral("http"), QStringLiteral("HTTP 200"), false, false})
                     .text.isValid());
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
        MeasurementSample local;
        local.local_issue = true;
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

    void threshold_lines_data()
    {
        QTest::addColumn<std::optional<double>>("average");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<double>>("ys");
        const QStringList all{u"Delay threshold"_s, u"Disturbance threshold"_s,
                              u"Outage threshold"_s};
        const QStringList no_disturbance{u"Delay threshold"_s, u"Outage threshold"_s};
        QTest::newRow("average 0.4") << std::optional(0.4) << all << QList<double>{1.2, 3.0, 8.0};
        QTest::newRow("average 2.0")
            << std::optional(2.0) << no_disturbance << QList<double>{1.5, 8.0};
        QTest::newRow("average 1.0") << std::optional(1.0) << all << QList<double>{1.5, 5.0, 8.0};
        QTest::newRow("average 1.6: 8.0 is not below 8.0")
            << std::optional(1.6) << no_disturbance << QList<double>{1.5, 8.0};
        QTest::newRow("no average")
            << std::optional<double>() << no_disturbance << QList<double>{1.5, 8.0};
        QTest::newRow("zero average") << std::optional(0.0) << all << QList<double>{1.5, 3.0, 8.0};
    }
    void threshold_lines()
    {
        QFETCH(std::optional<double>, average);
        QFETCH(QStringList, names);
        QFETCH(QList<double>, ys);
        QStringList got_names;
        QList<double> got_ys;
        for (const ThresholdLine& line : TotalTimeChartData::threshold_lines(average)) {
            got_names.append(line.series_name);
            got_ys.append(line.y);
        }
        QCOMPARE(got_names, names);
        QCOMPARE(got_ys.size(), ys.size());
        for (qsizetype i = 0; i < ys.size(); ++i)
            QVERIFY2(qFuzzyCompare(got_ys[i], ys[i]), qPrintable(QString::number(got_ys[i])));
    }

    void threshold_annotations_and_dashes()
    {
        const QList<ThresholdLine> lines = TotalTimeChartData::threshold_lines(0.4);
        QCOMPARE(lines[0].annotation(), QStringLiteral("Delay: 1.20 s"));
        QCOMPARE(lines[0].color, AppColors::yellow());
        QCOMPARE((QList<qreal>{lines[0].dash_on, lines[1].dash_on, lines[2].dash_on}),
                 (QList<qreal>{3, 5, 7}));
        L10n::set_selected_language(AppLanguage::dutch);
        const QList<ThresholdLine> dutch = TotalTimeChartData::threshold_lines(0.4);
        QCOMPARE(dutch[1].annotation(), QStringLiteral("Verstoring: 3,00 s"));
        QCOMPARE(dutch[2].annotation(), QStringLiteral("Storing: 8,00 s"));
    }

    void disturbance_durations_data()
    {
        QTest::addColumn<std::optional<double>>("seconds");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("dutch");
        QTest::newRow("unknown") << std::optional<double>() << "Unknown"
                                 << "Onbekend";
        QTest::newRow("45 s") << std::optional(45.0) << "< 1 min"
                              << "< 1 min";
        QTest::newRow("150 s") << std::optional(150.0) << "2.5 min"
                               << "2,5 min";
        QTest::newRow("60 s") << std::optional(60.0) << "1.0 min"
                              << "1,0 min";
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
            << "time,date,!url,dns,connect,ssl,ttfb,total,network,response_details"
            << "time,date,!url,dns,connect,ssl,ttfb,total,network,response_details";
        QTest::newRow("missing columns come back in place")
            << "total,!date"
            << "total,network,response_details,!date,time,url,dns,connect,ssl,ttfb";
        QTest::newRow("unknown and repeated ids skipped")
            << "bogus,!dns,dns,!!x"
            << "date,time,url,!dns,connect,ssl,ttfb,total,network,response_details";
        QTest::newRow("all hidden shows all")
            << "!date,!time,!url,!dns,!connect,!ssl,!ttfb,!total,!network,!response_details"
            << "date,time,url,dns,connect,ssl,ttfb,total,network,response_details";
        QTest::newRow("garbage")
            << "\x01;;"
            << "date,time,url,dns,connect,ssl,ttfb,total,network,response_details";
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
        for (qsizetype i = 0; i + 1 < files.size(); i += 2) {
            const QString path = root.filePath(files[i]);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(files[i + 1].toUtf8());
        }
        const QByteArray saved[] = {qgetenv("XDG_CONFIG_HOME"), qgetenv("XDG_CONFIG_DIRS"),
                                    qgetenv("XDG_DATA_HOME"), qgetenv("XDG_DATA_DIRS")};
        qputenv("XDG_CONFIG_HOME", root.filePath(u"config"_s).toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", root.filePath(u"etc"_s).toLocal8Bit());
        qputenv("XDG_DATA_HOME", root.filePath(u"data"_s).toLocal8Bit());
        qputenv("XDG_DATA_DIRS", root.filePath(u"system"_s).toLocal8Bit());
        const std::optional<QString> found = SchemeHandlerLookup::find_handler(u"nestory"_s);
        qputenv("XDG_CONFIG_HOME", saved[0]);
        qputenv("XDG_CONFIG_DIRS", saved[1]);
        qputenv("XDG_DATA_HOME", saved[2]);
        qputenv("XDG_DATA_DIRS", saved[3]);
        QCOMPARE(found.value_or(QString()), handler);
    }

    void nestory_lookup_url_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("lookup");
        QTest::newRow("host") << "https://www.example.com/x?y=1"
                              << "nestory://lookup?value=www.example.com";
        QTest::newRow("international host in ASCII")
            << "https://bücher.example/"
            << "nestory://lookup?value=xn--bcher-kva.example";
        QTest::newRow("no host") << "-"
                                 << "";
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
