#include "DetailTestSupport.h"
#include "UiTestMain.h"
#include "i18n/L10n.h"
#include "ui/AppColors.h"
#include "ui/detail/DomainDetailHeader.h"
#include "ui/detail/DomainStatus.h"
#include "ui/detail/EditableUrl.h"
#include "ui/detail/MeasurementHistoryColumns.h"
#include "ui/detail/MeasurementHistoryFilter.h"
#include "ui/detail/MeasurementResponseBadges.h"
#include "ui/detail/MeasurementTableModel.h"
#include "ui/detail/ResponseBadgeDelegate.h"
#include "ui/detail/SchemeHandlerLookup.h"
#include "ui/detail/SummaryCards.h"
#include "ui/detail/TotalTimeChart.h"
#include "ui/detail/TotalTimeChartData.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace TotalTimeChartData;

Q_DECLARE_METATYPE(MeasurementSample)
Q_DECLARE_METATYPE(DomainMeasurement)
Q_DECLARE_METATYPE(std::optional<double>)

// What the detail pane computes, checked as values.
class DetailValuesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { L10n::set_selected_language(AppLanguage::english); }

    void editable_url_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("www in any case, query")
            << u"https://WWW.Example.com/a/b?x=1"_s << u"example.com/a/b?x=1"_s;
        QTest::newRow("port and user dropped, fragment kept")
            << u"http://user:pw@www.example.com:8080/p#top"_s << u"example.com/p#top"_s;
        QTest::newRow("www inside the host stays")
            << u"https://wwwexample.com"_s << u"wwwexample.com"_s;
        QTest::newRow("no host: unchanged") << u"example.com/path"_s << u"example.com/path"_s;
        QTest::newRow("IPv6 literal keeps brackets") << u"https://[::1]:8443/x"_s << u"[::1]/x"_s;
    }
    void editable_url()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(::editable_url(text), shown);
    }

    // The levels themselves are the model's; here each status is reached once.
    void status_of_the_latest_measurement_data()
    {
        QTest::addColumn<QList<MeasurementSample>>("history");
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("text");
        const QList<MeasurementSample> base(20, MeasurementSample());
        const auto after = [&](const MeasurementSample& latest) { return QList{latest} + base; };
        QTest::newRow("measuring wins") << base << true << true << u"Measuring"_s;
        QTest::newRow("inactive") << base << false << false << u"Inactive"_s;
        QTest::newRow("waiting") << QList<MeasurementSample>() << true << false << u"Waiting"_s;
        QTest::newRow("local network") << after({.total_time = 12, .local_issue = true}) << true
                                       << false << u"Local Network"_s;
        QTest::newRow("delay") << after({.total_time = 2.0}) << true << false << u"Delay"_s;
        QTest::newRow("down") << after({.status = 500}) << true << false << u"Down"_s;
    }
    void status_of_the_latest_measurement()
    {
        QFETCH(QList<MeasurementSample>, history);
        QFETCH(bool, active);
        QFETCH(bool, running);
        QFETCH(QString, text);
        MonitoredDomain domain = make_domain(history);
        domain.is_active = active;
        QCOMPARE(status_text(domain_status(domain, running)), text);
    }

    void countdown_text_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("active");
        QTest::addColumn<int>("due_in_ms"); // INT_MIN: no date
        QTest::addColumn<QString>("text");
        QTest::newRow("running") << true << true << 5000 << u"Measuring now"_s;
        QTest::newRow("paused") << false << false << 5000 << u"Monitoring paused"_s;
        QTest::newRow("no schedule") << false << true << INT_MIN << u"Waiting for schedule"_s;
        QTest::newRow("rounded up") << false << true << 41200 << u"Next measurement in 42s"_s;
        QTest::newRow("overdue") << false << true << -3000 << u"Measurement starting"_s;
    }
    void countdown_text()
    {
        QFETCH(bool, running);
        QFETCH(bool, active);
        QFETCH(int, due_in_ms);
        QFETCH(QString, text);
        const QDateTime now(QDate(2025, 1, 31), QTime(9, 0), Qt::UTC);
        const std::optional<QDateTime> due =
            due_in_ms == INT_MIN ? std::nullopt : std::optional(now.addMSecs(due_in_ms));
        QCOMPARE(::countdown_text(running, active, due, now), text);
    }

    void summary_cards_of_an_empty_and_a_disturbed_domain()
    {
        const QList<SummaryCardContent> cards = summary_cards(make_domain({}), false);
        QCOMPARE(cards.size(), 5);
        QCOMPARE(cards[0].value, u"Waiting"_s);
        QCOMPARE(cards[3].value, u"0"_s);
        QCOMPARE(cards[3].tint, AppColors::secondary());

        QList<MeasurementSample> history(10, MeasurementSample());
        history.prepend({.status = 503}); // recovers at the next minute: 60 s
        history.prepend(MeasurementSample());
        L10n::set_selected_language(AppLanguage::dutch);
        const QList<SummaryCardContent> dutch = summary_cards(make_domain(history), false);
        QCOMPARE(dutch[1].value, u"200 ms"_s);
        QCOMPARE(dutch[3].value, u"1"_s);
        QCOMPARE(dutch[3].tint, AppColors::red());
        QCOMPARE(dutch[4].value, u"1,0 min"_s);
        QCOMPARE(dutch[4].action_help, std::optional(u"Bekijk alle verstoringen"_s));
    }

    // The newest measurement after 30 of 0.5 s, and the filters it passes.
    void history_filters_data()
    {
        QTest::addColumn<MeasurementSample>("sample");
        QTest::addColumn<QString>("passing");
        QTest::newRow("302") << MeasurementSample{.status = 302} << u"all"_s;
        QTest::newRow("404") << MeasurementSample{.status = 404} << u"all,errors"_s;
        QTest::newRow("local network, 200")
            << MeasurementSample{.total_time = 0.5, .local_issue = true} << u"all,errors"_s;
        QTest::newRow("exactly 1.0 s") << MeasurementSample{.total_time = 1.0} << u"all"_s;
        QTest::newRow("delay") << MeasurementSample{.total_time = 2.0}
                               << u"all,delays,over_one_second"_s;
        QTest::newRow("disturbance")
            << MeasurementSample{.total_time = 4.0} << u"all,disturbances,over_one_second"_s;
        QTest::newRow("outage") << MeasurementSample{.total_time = 9.0}
                                << u"all,outages,over_one_second"_s;
    }
    void history_filters()
    {
        QFETCH(MeasurementSample, sample);
        QFETCH(QString, passing);
        // Averaging 0.5 s: delays start above 1.5 s, disturbances above 3 s.
        QList<MeasurementSample> history(30, {.total_time = 0.5});
        history.prepend(sample);
        const MonitoredDomain domain = make_domain(history);
        QStringList passed;
        for (MeasurementHistoryFilter filter : all_history_filters()) {
            if (passes_history_filter(domain, domain.measurements.first(), filter))
                passed.append(history_filter_key(filter));
        }
        QCOMPARE(passed.join(u','), passing);
    }

    void url_selection_and_picker_entries()
    {
        const MeasurementSample other{.url = u"https://example.com/b"_s};
        const MonitoredDomain domain =
            make_domain({MeasurementSample(), other, {.url = std::nullopt}, other});
        QCOMPARE(history_urls(domain.measurements),
                 (QStringList{u"https://example.com"_s, u"https://example.com/b"_s}));
        const auto count = [&](const QString& url) {
            return filtered_indices(domain, domain.measurements, MeasurementHistoryFilter::all,
                                    url);
        };
        QCOMPARE(count(u"https://example.com/b"_s), (std::vector<qsizetype>{1, 3}));
        QCOMPARE(count(QString()).size(), std::size_t(4));
    }

    // Each badge as its text, marked "!" when an error and "~" when local.
    void response_badges_data()
    {
        QTest::addColumn<DomainMeasurement>("measurement");
        QTest::addColumn<QStringList>("badges");
        const QDateTime at = QDateTime::currentDateTimeUtc();
        QTest::newRow("nothing") << make_measurement(at, {.status = std::nullopt}) << QStringList();
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

    void chart_bucketing_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("points");
        QTest::newRow("600 kept") << 600 << 600;
        QTest::newRow("601 in runs of 2") << 601 << 301;
        QTest::newRow("1201 in runs of 3") << 1201 << 401;
    }
    void chart_bucketing()
    {
        QFETCH(int, count);
        QFETCH(int, points);
        const MonitoredDomain domain = make_domain(QList<MeasurementSample>(count));
        const QList<Point> chart = chart_points(domain, domain.measurements);
        QCOMPARE(chart.size(), points);
        QVERIFY(chart.first().measured_at_ms < chart.last().measured_at_ms); // oldest first
    }

    void chart_runs_keep_their_worst_measurement()
    {
        // 601 measurements in runs of 2; the second run (indices 2 and 3) holds a
        // slow normal one and a failed fast one: the failure wins on level.
        QList<MeasurementSample> history(601, MeasurementSample());
        history[2].total_time = 0.9;
        history[3] = {.total_time = 0.1, .status = 500};
        history[5].total_time = 0.4;              // run 3: equal levels, the higher total wins
        history.insert(7, {.local_issue = true}); // dropped before bucketing
        const MonitoredDomain domain = make_domain(history);
        const QList<Point> chart = chart_points(domain, domain.measurements);
        QCOMPARE(chart.size(), 301);
        const Point& second_run = chart[chart.size() - 2]; // drawn oldest first
        QCOMPARE(second_run.level, DomainMeasurementLevel::error);
        QCOMPARE(second_run.total_time, 0.1);
        QCOMPARE(chart[chart.size() - 3].total_time, 0.4);
        QCOMPARE(chart.last().measured_at_ms,
                 domain.measurements.first().measured_at.toMSecsSinceEpoch());
    }

    void the_chart_paints_a_single_point()
    {
        TotalTimeChart chart; // painting one point must not divide by a zero span
        chart.resize(500, 220);
        chart.set_data({{qint64(1700000000) * 1000, 0.3, DomainMeasurementLevel::outage}},
                       threshold_lines(0.3));
        QVERIFY(!chart.grab().isNull());
    }

    // Hours and minutes as the language writes them, as in the tables.
    void the_time_axis_follows_the_language()
    {
        const qint64 start =
            QDateTime(QDate(2025, 1, 31), QTime(12, 10), Qt::UTC).toMSecsSinceEpoch();
        const auto labels = [&](AppLanguage language) {
            L10n::set_selected_language(language);
            TotalTimeChart chart; // room for an hourly label in both languages
            chart.resize(300, 220);
            chart.set_data({{start, 0.3, DomainMeasurementLevel::normal},
                            {start + 3 * 3600'000, 0.3, DomainMeasurementLevel::normal}},
                           {});
            return chart.time_labels().join(u' ').replace(QChar(0x202F), u' ');
        };
        QCOMPARE(labels(AppLanguage::english), u"2:00 PM 3:00 PM 4:00 PM"_s);
        QCOMPARE(labels(AppLanguage::dutch), u"14:00 15:00 16:00"_s);
    }

    // Columns at their ideal widths where there is room; the URL gives way and
    // the last column takes the rest.
    void columns_fit_the_width_data()
    {
        QTest::addColumn<QList<int>>("visible");
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("widths");
        using C = MeasurementHistoryColumns;
        const QList<int> all = C::Layout::standard().order;
        // The eight others take 620 at their ideal widths.
        QTest::newRow("wide: the last stretches")
            << all << 1400 << QList<int>{95, 90, 300, 70, 75, 70, 70, 75, 75, 480};
        QTest::newRow("narrower: the URL gives way")
            << all << 1100 << QList<int>{95, 90, 180, 70, 75, 70, 70, 75, 75, 300};
        QTest::newRow("narrower still: then the badges")
            << all << 855 << QList<int>{95, 90, 100, 70, 75, 70, 70, 75, 75, 135};
        QTest::newRow("too narrow: both at their floors")
            << all << 600 << QList<int>{95, 90, 100, 70, 75, 70, 70, 75, 75, 120};
        QTest::newRow("URL hidden")
            << QList<int>{C::date, C::total, C::response_details} << 500 << QList<int>{95, 75, 330};
        QTest::newRow("URL last") << QList<int>{C::date, C::url} << 500 << QList<int>{95, 405};
    }
    void columns_fit_the_width()
    {
        QFETCH(QList<int>, visible);
        QFETCH(int, width);
        QFETCH(QList<int>, widths);
        QCOMPARE(MeasurementHistoryColumns::fitted_widths(visible, width), widths);
    }

    // Badges that do not fit give way to one "+N" at the end.
    void badges_that_do_not_fit_end_in_a_count()
    {
        DomainMeasurement m = make_measurement(QDateTime::currentDateTimeUtc(),
                                               {.status = 500, .error = u"Internal error"_s});
        m.response_x_headers.insert(u"x-cache"_s, u"MISS"_s);
        const QList<MeasurementResponseBadgeItem> items = response_badge_items(m);
        const QFont font = ResponseBadgeDelegate::badge_font(QFont());
        const auto layout = [&](int width) {
            const auto laid = ResponseBadgeDelegate::badge_layout(items, font, {0, 0, width, 24});
            return std::pair(laid.shown.size(), laid.hidden);
        };
        const auto all = ResponseBadgeDelegate::badge_layout(items, font, {0, 0, 2000, 24});
        const int fits = all.shown.last().right() + 1 + 4; // and the cell's padding
        QCOMPARE(layout(fits), std::pair(qsizetype(3), 0));
        QCOMPARE(layout(fits - 1), std::pair(qsizetype(2), 1));
        // Room for the second but not for a "+1" after it.
        QCOMPARE(layout(all.shown[1].right() + 1 + 4), std::pair(qsizetype(1), 2));
        QCOMPARE(layout(10), std::pair(qsizetype(0), 3));
        QCOMPARE(ResponseBadgeDelegate::overflow_text(3), u"+3"_s);
        QCOMPARE(MeasurementTableModel::response_text(m),
                 u"HTTP 500, x-cache: MISS, Internal error"_s);
    }

    void chart_scale_bound_data()
    {
        QTest::addColumn<QList<double>>("totals");
        QTest::addColumn<double>("bound");
        QTest::newRow("empty") << QList<double>() << 8.8;
        QTest::newRow("8.5 s: 10% above") << QList<double>{8.5} << 1.1 * 8.5;
        QTest::newRow("timeout: capped") << QList<double>{15.0, 0.2} << 10.0;
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

    void threshold_lines_and_annotations()
    {
        const auto lines = [](std::optional<double> average) {
            QStringList got;
            for (const ThresholdLine& line : threshold_lines(average))
                got.append(line.series_name + u' ' + QString::number(line.y));
            return got.join(u", "_s);
        };
        QCOMPARE(lines(0.4), u"Delay threshold 1.2, Disturbance threshold 3, Outage threshold 8"_s);
        // No disturbance line when it would not lie below the outage line.
        QCOMPARE(lines(1.6), u"Delay threshold 1.5, Outage threshold 8"_s);
        QCOMPARE(lines(std::nullopt), u"Delay threshold 1.5, Outage threshold 8"_s);
        QCOMPARE(threshold_lines(0.4)[0].annotation(), u"Delay: 1.20 s"_s);
        L10n::set_selected_language(AppLanguage::dutch);
        QCOMPARE(threshold_lines(0.4)[1].annotation(), u"Verstoring: 3,00 s"_s);
    }

    void column_layout_encoding_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("layout");
        QTest::newRow("missing columns come back in place")
            << u"total,!date"_s
            << u"total,network,response_details,!date,time,url,dns,connect,ssl,ttfb"_s;
        QTest::newRow("unknown and repeated ids skipped")
            << u"bogus,!dns,dns,!!x"_s
            << u"date,time,url,!dns,connect,ssl,ttfb,total,network,response_details"_s;
        QTest::newRow("all hidden shows all")
            << u"!date,!time,!url,!dns,!connect,!ssl,!ttfb,!total,!network,!response_details"_s
            << u"date,time,url,dns,connect,ssl,ttfb,total,network,response_details"_s;
    }
    void column_layout_encoding()
    {
        QFETCH(QString, stored);
        QFETCH(QString, layout);
        QCOMPARE(MeasurementHistoryColumns::Layout::decoded(stored).encoded(), layout);
    }

    // Each case is a set of files below a fresh XDG tree: path, content, ...
    void scheme_handler_lookup_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("handler");
        const QString desktop = u"[Desktop Entry]\nType=Application\nName=Nestory\n"_s;
        const QString scheme = u"x-scheme-handler/nestory="_s;
        QTest::newRow("user default")
            << QStringList{u"config/mimeapps.list"_s,
                           u"[Default Applications]\n"_s + scheme + u"nestory.desktop;\n"_s,
                           u"data/applications/nestory.desktop"_s, desktop}
            << u"nestory.desktop"_s;
        QTest::newRow("default of an uninstalled application")
            << QStringList{u"config/mimeapps.list"_s,
                           u"[Default Applications]\n"_s + scheme + u"gone.desktop\n"_s}
            << QString();
        QTest::newRow("desktop database cache")
            << QStringList{u"system/applications/mimeinfo.cache"_s,
                           u"[MIME Cache]\nx-scheme-handler/http=a.desktop;\n"_s + scheme +
                               u"nestory.desktop;\n"_s,
                           u"system/applications/nestory.desktop"_s, desktop}
            << u"nestory.desktop"_s;
        QTest::newRow("user desktop file not yet cached")
            << QStringList{u"data/applications/n.desktop"_s,
                           desktop + u"MimeType=text/plain;x-scheme-handler/nestory;\n"_s}
            << u"n.desktop"_s;
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

    void nestory_lookup_url()
    {
        const auto lookup = [](const QString& url) {
            const std::optional<QUrl> built = DomainDetailHeader::nestory_lookup_url(url);
            return built ? built->toString(QUrl::FullyEncoded) : QString();
        };
        QCOMPARE(lookup(u"https://bücher.example/x?y=1"_s),
                 u"nestory://lookup?value=xn--bcher-kva.example"_s);
        QCOMPARE(lookup(u"-"_s), QString());
    }
};

TESSARY_UI_TEST_MAIN(DetailValuesTest)
#include "DetailValuesTest.moc"
