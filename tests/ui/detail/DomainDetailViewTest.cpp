#include "ui/detail/DomainDetailView.h"

#include "DetailTestSupport.h"
#include "StoreTestEnvironment.h"
#include "UiTestMain.h"
#include "i18n/L10n.h"
#include "i18n/Preferences.h"
#include "store/MonitoringSchedule.h"
#include "ui/AppColors.h"
#include "ui/UserAgentComboBox.h"
#include "ui/detail/CountdownRow.h"
#include "ui/detail/DisturbanceTableModel.h"
#include "ui/detail/MeasurementHistoryColumns.h"
#include "ui/detail/MeasurementTableModel.h"
#include "ui/detail/MeasurementTableView.h"
#include "ui/detail/SummaryCard.h"
#include "ui/detail/TotalTimeChart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The detail pane driven as a user would, against a real store whose time,
// network and measurements are in the test's hands.
class DomainDetailViewTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<StoreTestEnvironment> services_;
    std::unique_ptr<TessaryStore> store_;
    std::unique_ptr<FakeUiDialogs> dialogs_;
    std::unique_ptr<DomainDetailView> view_;

    ManualClock& clock() { return services_->clock; }
    FakeMeasurementSource& source() { return services_->measurements; }

    void settle()
    {
        clock().advance_by(0);
        QCoreApplication::processEvents();
    }

    // An inactive domain (nothing is measured unless the test asks).
    QUuid add_domain(const QString& url, bool active = false)
    {
        const std::optional<QString> refused =
            store_->add_domain(url, 60, 48, QStringLiteral("Tessarybot"), active, false);
        if (refused)
            qFatal("add_domain refused %s", qPrintable(*refused));
        settle();
        for (const MonitoredDomain& d : store_->domains()) {
            if (d.url_string.contains(url))
                return d.id;
        }
        return *store_->selected_domain_id();
    }

    const MonitoredDomain& domain(const QUuid& id) const
    {
        for (const MonitoredDomain& d : store_->domains()) {
            if (d.id == id)
                return d;
        }
        qFatal("no such domain");
    }

    // Records `samples` as history, newest first, one a minute before now.
    void record(const QUuid& id, const QList<MeasurementSample>& samples, qint64 step_seconds = 60)
    {
        for (qsizetype i = samples.size() - 1; i >= 0; --i)
            store_->record_measurement(
                id, make_measurement(clock().now().addSecs(-step_seconds * (i + 1)), samples[i]));
    }

    DomainDetailView& show(const QUuid& id)
    {
        view_ = std::make_unique<DomainDetailView>(*store_, id, *dialogs_, clock());
        view_->resize(1100, 1400);
        view_->show();
        return *view_;
    }

    template <typename T>
    T* find(const QString& name) const
    {
        T* child = view_->findChild<T*>(name);
        if (child == nullptr)
            qFatal("no child %s", qPrintable(name));
        return child;
    }

    QAction* action(const QString& name) const { return find<QAction>(name); }

    QString card_value(const QString& id) const
    {
        return find<SummaryCard>(QStringLiteral("summary_card_") + id)
            ->findChild<QLabel*>(QStringLiteral("summary_card_value"))
            ->text();
    }

    MeasurementTableModel& compact_model() const
    {
        return find<MeasurementTableView>(QStringLiteral("compact_table"))->measurement_model();
    }

private Q_SLOTS:
    void init()
    {
        L10n::set_selected_language(AppLanguage::english);
        Preferences::remove(QString::fromLatin1(Preferences::measurement_history_columns_key));
        folder_ = std::make_unique<QTemporaryDir>();
        services_ = std::make_unique<StoreTestEnvironment>();
        auto opened = TessaryStore::open(services_->environment(folder_->path() + u"/Tessary"_s));
        QVERIFY(opened);
        store_ = std::move(opened).value();
        dialogs_ = std::make_unique<FakeUiDialogs>();
    }

    void cleanup()
    {
        view_.reset();
        store_.reset();
        services_.reset();
        folder_.reset();
        L10n::set_selected_language(AppLanguage::english);
    }

    void an_empty_domain_shows_waiting_zero_failures_and_no_chart()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"), true);
        source().complete(std::nullopt); // the probe found no network: nothing recorded
        settle();
        show(id);
        QCOMPARE(card_value(QStringLiteral("status")), QStringLiteral("Waiting"));
        QCOMPARE(card_value(QStringLiteral("failures")), QStringLiteral("0"));
        QCOMPARE(card_value(QStringLiteral("longest_disturbance")), QStringLiteral("-"));
        QCOMPARE(find<QStackedWidget>(QStringLiteral("chart_stack"))->currentWidget(),
                 find<QLabel>(QStringLiteral("chart_empty_label")));
        QVERIFY(!action(QStringLiteral("clear_history_action"))->isEnabled());
        QVERIFY(!find<QPushButton>(QStringLiteral("show_full_table_button"))->isVisible());
        QCOMPARE(find<QLabel>(QStringLiteral("header_url"))->text(), QStringLiteral("example.com"));
        QVERIFY(find<QLabel>(QStringLiteral("header_title"))->text().startsWith(u"example.com"_s));
    }

    void editing_the_interval_updates_the_store_and_reschedules()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"), true);
        source().complete_with(0.2);
        settle();
        show(id);
        const QDateTime newest = domain(id).measurements.first().measured_at;
        // Due one interval after the newest measurement, in the domain's slot.
        const auto planned_after_due = [&](qint64 interval_seconds) {
            return newest.addSecs(interval_seconds).msecsTo(*store_->next_measurement_date(id));
        };
        const auto in_slot = [](qint64 after_due_ms, qint64 interval_seconds) {
            const qint64 window = MonitoringSchedule::spread_window_ms(interval_seconds);
            return after_due_ms >= -MonitoringSchedule::spread_tolerance_ms(window) &&
                   after_due_ms < window;
        };
        QVERIFY(in_slot(planned_after_due(60), 60));
        auto* interval = find<QSpinBox>(QStringLiteral("interval_stepper"));
        interval->stepBy(1); // one step of 5 s
        QCOMPARE(domain(id).interval_seconds, 65);
        interval->setValue(300);
        QCOMPARE(domain(id).interval_seconds, 300);
        QVERIFY(in_slot(planned_after_due(300), 300));
        QCOMPARE(domain(id).measurements.size(), 1);
        // Nothing is measured before the new interval has passed.
        const QDateTime planned = *store_->next_measurement_date(id);
        clock().advance_to(planned.addMSecs(-1));
        QCOMPARE(source().pending_count(), std::size_t(0));
        clock().advance_by(1);
        QCOMPARE(source().pending_count(), std::size_t(1));
    }

    void stepper_bounds_and_the_lookback_save()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        show(id);
        auto* interval = find<QSpinBox>(QStringLiteral("interval_stepper"));
        QCOMPARE(interval->minimum(), 20);
        QCOMPARE(interval->maximum(), 86400);
        QCOMPARE(interval->singleStep(), 5);
        auto* lookback = find<QSpinBox>(QStringLiteral("lookback_stepper"));
        QCOMPARE(lookback->maximum(), 8760);
        QCOMPARE(lookback->text(), QStringLiteral("48 hours"));
        lookback->stepBy(-47);
        QCOMPARE(domain(id).max_history_hours, 1);
        lookback->stepBy(-1);
        QCOMPARE(domain(id).max_history_hours, 1);
    }

    void typing_a_url_and_pressing_return_saves_it()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        show(id);
        auto* url = find<QLineEdit>(QStringLiteral("url_field"));
        QCOMPARE(url->text(), QStringLiteral("example.com"));
        url->setFocus();
        url->selectAll();
        QTest::keyClicks(url, QStringLiteral("www.Example.org/status"));
        QCOMPARE(domain(id).url_string, QStringLiteral("https://example.com"));
        QTest::keyClick(url, Qt::Key_Return);
        QCOMPARE(domain(id).url_string, QStringLiteral("https://example.org/status"));
        QCOMPARE(url->text(), QStringLiteral("example.org/status"));
        QCOMPARE(find<QLabel>(QStringLiteral("header_url"))->text(),
                 QStringLiteral("example.org/status"));
    }

    void a_rejected_url_leaves_the_stored_one()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        show(id);
        auto* url = find<QLineEdit>(QStringLiteral("url_field"));
        url->setFocus();
        url->selectAll();
        QTest::keyClicks(url, QStringLiteral("http://"));
        QTest::keyClick(url, Qt::Key_Return);
        QCOMPARE(domain(id).url_string, QStringLiteral("https://example.com"));
        auto* error = find<QLabel>(QStringLiteral("url_error"));
        QVERIFY(error->isVisible());
        QCOMPARE(error->text(), QStringLiteral("Enter a valid domain or URL."));
        // A stepper change still saves, with the stored URL.
        find<QSpinBox>(QStringLiteral("interval_stepper"))->stepBy(2);
        QCOMPARE(domain(id).interval_seconds, 70);
        QCOMPARE(domain(id).url_string, QStringLiteral("https://example.com"));
        // Typing again clears the message.
        QTest::keyClick(url, Qt::Key_Backspace);
        QVERIFY(!error->isVisible());
    }

    void a_settings_change_keeps_the_port_the_field_does_not_show()
    {
        const QUuid id = add_domain(QStringLiteral("https://example.com:8443/health"));
        show(id);
        QCOMPARE(find<QLineEdit>(QStringLiteral("url_field"))->text(),
                 QStringLiteral("example.com/health"));
        find<QCheckBox>(QStringLiteral("notifications_switch"))->click();
        QVERIFY(domain(id).notifies_on_anomalies);
        QCOMPARE(domain(id).url_string, QStringLiteral("https://example.com:8443/health"));
    }

    void switches_save_at_once_and_pause_the_countdown()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"), true);
        source().complete_with(0.2);
        settle();
        show(id);
        auto* countdown = find<CountdownRow>(QStringLiteral("measurement_countdown"));
        // The count runs to the domain's slot, a little after one interval.
        const auto seconds_left = [&] {
            const QString text = countdown->text();
            const QString prefix = QStringLiteral("Next measurement in ");
            if (!text.startsWith(prefix) || !text.endsWith(u's'))
                return -1;
            return text.mid(prefix.size(), text.size() - prefix.size() - 1).toInt();
        };
        const int first = seconds_left();
        QVERIFY2(first >= 60 && first <= 70, qPrintable(countdown->text()));
        clock().advance_by(1000);
        QCOMPARE(seconds_left(), first - 1);
        find<QCheckBox>(QStringLiteral("active_switch"))->click();
        QVERIFY(!domain(id).is_active);
        QCOMPARE(countdown->text(), QStringLiteral("Monitoring paused"));
        QCOMPARE(card_value(QStringLiteral("status")), QStringLiteral("Inactive"));
        clock().advance_by(120'000);
        QCOMPARE(source().pending_count(), std::size_t(0));
    }

    void the_user_agent_is_saved_on_commit_only()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        show(id);
        auto* interval = find<QSpinBox>(QStringLiteral("interval_stepper"));
        // An edit the user has not confirmed is not taken along by the commit.
        interval->setKeyboardTracking(true);
        {
            const QSignalBlocker blocker(interval);
            interval->setValue(500);
        }
        auto* agent = find<UserAgentComboBox>(QStringLiteral("user_agent_combo_box"));
        agent->setFocus();
        agent->lineEdit()->selectAll();
        QTest::keyClicks(agent->lineEdit(), QStringLiteral("Probe/1.0"));
        QCOMPARE(domain(id).user_agent, QStringLiteral("Tessarybot"));
        QTest::keyClick(agent->lineEdit(), Qt::Key_Return);
        QCOMPARE(domain(id).user_agent, QStringLiteral("Probe/1.0"));
        QCOMPARE(domain(id).interval_seconds, 60);
    }

    void measure_now_is_disabled_while_measuring()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        show(id);
        auto* measure = find<QPushButton>(QStringLiteral("measure_now_button"));
        QVERIFY(measure->isEnabled());
        measure->click();
        settle();
        QCOMPARE(source().pending_count(), std::size_t(1));
        QVERIFY(!measure->isEnabled());
        QCOMPARE(card_value(QStringLiteral("status")), QStringLiteral("Measuring"));
        QCOMPARE(find<CountdownRow>(QStringLiteral("measurement_countdown"))->text(),
                 QStringLiteral("Measuring now"));
        source().complete_with(0.3);
        settle();
        QVERIFY(measure->isEnabled());
        QCOMPARE(card_value(QStringLiteral("status")), QStringLiteral("Inactive"));
        QCOMPARE(domain(id).measurements.size(), 1);
    }

    void a_new_measurement_updates_cards_table_and_chart()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"), true);
        source().complete_with(0.2);
        settle();
        show(id);
        QCOMPARE(compact_model().rowCount(), 1);
        auto* chart = find<TotalTimeChart>(QStringLiteral("total_time_chart"));
        QCOMPARE(chart->points().size(), 1);
        clock().advance_to(*store_->next_measurement_date(id));
        QCOMPARE(source().pending_count(), std::size_t(1));
        source().complete_with(0.1, 500);
        settle();
        QCOMPARE(compact_model().rowCount(), 2);
        QCOMPARE(compact_model()
                     .data(compact_model().index(0, MeasurementHistoryColumns::total))
                     .toString(),
                 QStringLiteral("100 ms"));
        QCOMPARE(card_value(QStringLiteral("status")), QStringLiteral("Down"));
        QCOMPARE(card_value(QStringLiteral("failures")), QStringLiteral("1"));
        QCOMPARE(chart->points().size(), 2);
        QCOMPARE(chart->points().last().level, DomainMeasurementLevel::error);
        QCOMPARE(find<QLabel>(QStringLiteral("chart_count_label"))->text(),
                 QStringLiteral("2 measurements"));
        QVERIFY(
            find<QLabel>(QStringLiteral("last_measurement_label"))->text().startsWith(u"Last: "_s));
    }

    void the_compact_table_lists_the_window_and_offers_the_full_table()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        // 20 measurements within the last 48 hours, 130 older ones.
        QList<MeasurementSample> samples(150, MeasurementSample());
        for (qsizetype i = 0; i < 150; ++i)
            store_->record_measurement(
                id, make_measurement(clock().now().addSecs(-3600 * (149 - i) - 60), samples[i]));
        QCOMPARE(domain(id).measurements.size(), 150);
        show(id);
        QCOMPARE(compact_model().rowCount(), 48);
        // Narrow the lookback to 20 hours: 20 rows.
        find<QSpinBox>(QStringLiteral("lookback_stepper"))->setValue(20);
        QCOMPARE(compact_model().rowCount(), 20);
        auto* full = find<QPushButton>(QStringLiteral("show_full_table_button"));
        QVERIFY(full->isVisible());
        full->click();
        QVERIFY(view_->shows_full_table());
        auto* page = find<QWidget>(QStringLiteral("full_history_page"));
        QVERIFY(page->isVisible());
        auto* table = find<MeasurementTableView>(QStringLiteral("full_table"));
        QCOMPARE(table->measurement_model().rowCount(), 150);
        QCOMPARE(find<QLabel>(QStringLiteral("full_history_count"))->text(),
                 QStringLiteral("150 measurements"));
        QCOMPARE(find<QLabel>(QStringLiteral("full_history_title"))->text(),
                 QStringLiteral("example.com - Full History"));
        find<QPushButton>(QStringLiteral("full_history_back_button"))->click();
        QVERIFY(!view_->shows_full_table());
        QVERIFY(find<QWidget>(QStringLiteral("main_page"))->isVisible());
    }

    // Holding the store's history list would make the store copy all of it on
    // each measurement; the pane and its tables must read it, not share it.
    void the_pane_never_shares_the_stored_history()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        record(id, QList<MeasurementSample>(150, MeasurementSample()), 10);
        show(id);
        QVERIFY(domain(id).measurements.isDetached());
        view_->set_shows_full_table(true);
        auto* full = find<MeasurementTableView>(QStringLiteral("full_table"));
        QCOMPARE(full->measurement_model().rowCount(), 150);
        QVERIFY(domain(id).measurements.isDetached());
        // The full table follows a new measurement.
        record(id, {MeasurementSample()}, 1);
        QCOMPARE(full->measurement_model().rowCount(), 151);
        QCOMPARE(full->measurement_model().measurement(0).id, domain(id).measurements.first().id);
        view_->set_shows_disturbances(true);
        QVERIFY(domain(id).measurements.isDetached());
    }

    void at_most_100_rows_and_no_full_table_button_up_to_100()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        record(id, QList<MeasurementSample>(100, MeasurementSample()));
        show(id);
        QCOMPARE(compact_model().rowCount(), 100);
        QVERIFY(!find<QPushButton>(QStringLiteral("show_full_table_button"))->isVisible());
        record(id, {MeasurementSample()}, 10);
        QCOMPARE(compact_model().rowCount(), 100);
        QVERIFY(find<QPushButton>(QStringLiteral("show_full_table_button"))->isVisible());
    }

    void filter_menu_and_url_picker_narrow_both_tables()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        MeasurementSample redirect;
        redirect.status = 302;
        MeasurementSample not_found;
        not_found.status = 404;
        not_found.url = QStringLiteral("https://example.com/missing");
        MeasurementSample local;
        local.local_issue = true;
        MeasurementSample second;
        second.total_time = 1.0;
        MeasurementSample slow;
        slow.total_time = 1.2;
        QList<MeasurementSample> history{redirect, not_found, local, second, slow};
        history += QList<MeasurementSample>(100, MeasurementSample());
        record(id, history, 10);
        show(id);
        auto* picker = find<QComboBox>(QStringLiteral("history_url_picker"));
        QVERIFY(picker->isVisible());
        QCOMPARE(picker->count(), 3);
        QCOMPARE(picker->itemText(0), QStringLiteral("All URLs"));
        QCOMPARE(compact_model().rowCount(), 100);

        auto* filter = find<QToolButton>(QStringLiteral("history_filter_button"));
        QCOMPARE(filter->text(), QStringLiteral("Filter"));
        action(QStringLiteral("filter_errors"))->trigger();
        QCOMPARE(view_->history_filter(), MeasurementHistoryFilter::errors);
        QCOMPARE(filter->text(), QStringLiteral("Errors"));
        QCOMPARE(compact_model().rowCount(), 2); // 404 and the local-network issue
        action(QStringLiteral("filter_over_one_second"))->trigger();
        QCOMPARE(compact_model().rowCount(), 1); // 1.2 s, not exactly 1.0 s
        action(QStringLiteral("filter_all"))->trigger();
        picker->setCurrentIndex(picker->findData(QStringLiteral("https://example.com/missing")));
        QCOMPARE(view_->selected_history_url(), QStringLiteral("https://example.com/missing"));
        QCOMPARE(compact_model().rowCount(), 1);

        // The full page starts with the same filter and URL.
        find<QPushButton>(QStringLiteral("show_full_table_button"))->click();
        auto* full = find<MeasurementTableView>(QStringLiteral("full_table"));
        QCOMPARE(full->measurement_model().rowCount(), 1);
        QCOMPARE(full->measurement_model().data(full->measurement_model().index(0, 2)).toString(),
                 QStringLiteral("example.com/missing"));
        QCOMPARE(full->measurement_model()
                     .data(full->measurement_model().index(0, 2), Qt::ToolTipRole)
                     .toString(),
                 QStringLiteral("https://example.com/missing"));
        find<QPushButton>(QStringLiteral("full_history_back_button"))->click();
        QCOMPARE(view_->selected_history_url(), QStringLiteral("https://example.com/missing"));
    }

    void the_total_cell_is_coloured_by_level()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        MeasurementSample local;
        local.local_issue = true;
        local.total_time = 2.0;
        MeasurementSample failed;
        failed.status = 500;
        QList<MeasurementSample> history{local, failed};
        history += QList<MeasurementSample>(20, MeasurementSample());
        record(id, history, 10);
        show(id);
        const auto colour = [&](int row, int column) {
            return compact_model().data(compact_model().index(row, column), Qt::ForegroundRole);
        };
        QCOMPARE(colour(0, MeasurementHistoryColumns::total).value<QColor>(), AppColors::orange());
        QCOMPARE(colour(0, MeasurementHistoryColumns::network).value<QColor>(),
                 AppColors::orange());
        QCOMPARE(colour(1, MeasurementHistoryColumns::total).value<QColor>(), AppColors::red());
        QVERIFY(!colour(1, MeasurementHistoryColumns::network).isValid());
        QVERIFY(!colour(2, MeasurementHistoryColumns::total).isValid());
        QCOMPARE(compact_model()
                     .data(compact_model().index(2, MeasurementHistoryColumns::dns))
                     .toString(),
                 QStringLiteral("-"));
    }

    void hidden_and_reordered_columns_survive_a_restart()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        record(id, QList<MeasurementSample>(3, MeasurementSample()));
        show(id);
        auto* table = find<MeasurementTableView>(QStringLiteral("compact_table"));
        std::unique_ptr<QMenu> menu(table->make_column_menu(nullptr));
        menu->findChild<QAction*>(QStringLiteral("column_dns"))->trigger();
        QVERIFY(table->horizontalHeader()->isSectionHidden(MeasurementHistoryColumns::dns));
        // Drag "Total" to the front.
        QHeaderView* header = table->horizontalHeader();
        header->moveSection(header->visualIndex(MeasurementHistoryColumns::total), 0);
        QCOMPARE(
            Preferences::value(QString::fromLatin1(Preferences::measurement_history_columns_key))
                .toString(),
            QStringLiteral("total,date,time,url,!dns,connect,ssl,ttfb,network,"
                           "response_details"));

        // Another domain's pane and its full table, after a restart of the window.
        view_.reset();
        const QUuid other = add_domain(QStringLiteral("example.org"));
        record(other, QList<MeasurementSample>(120, MeasurementSample()), 10);
        show(other);
        for (const QString& name :
             {QStringLiteral("compact_table"), QStringLiteral("full_table")}) {
            if (name == QStringLiteral("full_table"))
                find<QPushButton>(QStringLiteral("show_full_table_button"))->click();
            QHeaderView* h = find<MeasurementTableView>(name)->horizontalHeader();
            QVERIFY(h->isSectionHidden(MeasurementHistoryColumns::dns));
            QCOMPARE(h->logicalIndex(0), int(MeasurementHistoryColumns::total));
            QCOMPARE(h->logicalIndex(1), int(MeasurementHistoryColumns::date));
        }
        // Showing it again from the full table's menu reaches the hidden compact table too.
        std::unique_ptr<QMenu> full_menu(
            find<MeasurementTableView>(QStringLiteral("full_table"))->make_column_menu(nullptr));
        full_menu->findChild<QAction*>(QStringLiteral("column_dns"))->trigger();
        QVERIFY(!find<MeasurementTableView>(QStringLiteral("compact_table"))
                     ->horizontalHeader()
                     ->isSectionHidden(MeasurementHistoryColumns::dns));
    }

    void the_last_visible_column_cannot_be_hidden()
    {
        MeasurementHistoryColumns::Layout layout = MeasurementHistoryColumns::Layout::standard();
        for (int column = 1; column < MeasurementHistoryColumns::count; ++column)
            layout.hidden.insert(column);
        MeasurementHistoryColumns::shared().set_layout(layout);
        const QUuid id = add_domain(QStringLiteral("example.com"));
        show(id);
        auto* table = find<MeasurementTableView>(QStringLiteral("compact_table"));
        std::unique_ptr<QMenu> menu(table->make_column_menu(nullptr));
        QVERIFY(!menu->findChild<QAction*>(QStringLiteral("column_date"))->isEnabled());
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("column_time"))->isEnabled());
    }

    void the_disturbances_page_lists_periods_in_both_languages_data()
    {
        QTest::addColumn<bool>("dutch");
        QTest::newRow("English") << false;
        QTest::newRow("Dutch") << true;
    }
    void the_disturbances_page_lists_periods_in_both_languages()
    {
        QFETCH(bool, dutch);
        L10n::set_selected_language(dutch ? AppLanguage::dutch : AppLanguage::english);
        const QUuid id = add_domain(QStringLiteral("example.com"));
        MeasurementSample failed;
        failed.status = 503;
        failed.error = QStringLiteral("Service Unavailable");
        MeasurementSample slow;
        slow.total_time = 4.0;
        // Every 20 s (gaps up to 40 s keep a run together). Oldest first: a 4 s
        // disturbance lasting 150 s, a failure healed after 45 s, an ongoing failure.
        MonitoredDomain edited = domain(id);
        edited.interval_seconds = 20;
        store_->update_domain(edited);
        QList<DomainMeasurement> chronological;
        const QDateTime start = clock().now().addSecs(-3600);
        for (int i = 0; i < 20; ++i)
            chronological.append(make_measurement(start.addSecs(60 * i)));
        for (int t : {1200, 1230, 1260, 1290, 1320})
            chronological.append(make_measurement(start.addSecs(t), slow));
        chronological.append(make_measurement(start.addSecs(1350)));
        chronological.append(make_measurement(start.addSecs(1400), failed));
        chronological.append(make_measurement(start.addSecs(1430), failed));
        chronological.append(make_measurement(start.addSecs(1445)));
        chronological.append(make_measurement(start.addSecs(1500), failed));
        for (const DomainMeasurement& m : chronological)
            store_->record_measurement(id, m);
        QCOMPARE(domain(id).statistics.disturbance_periods.size(), 3);
        show(id);
        auto* action = find<SummaryCard>(QStringLiteral("summary_card_longest_disturbance"))
                           ->findChild<QToolButton*>(QStringLiteral("summary_card_action"));
        QVERIFY(action->isVisible());
        action->click();
        QVERIFY(view_->shows_disturbances());
        QVERIFY(find<QWidget>(QStringLiteral("disturbances_page"))->isVisible());
        QCOMPARE(find<QLabel>(QStringLiteral("disturbances_count"))->text(),
                 dutch ? QStringLiteral("3 perioden") : QStringLiteral("3 periods"));
        QCOMPARE(find<QLabel>(QStringLiteral("disturbances_title"))->text(),
                 dutch ? QStringLiteral("example.com - Alle verstoringen")
                       : QStringLiteral("example.com - All Disturbances"));
        auto* table = find<QTableView>(QStringLiteral("disturbances_table"));
        QVERIFY(table->isVisible());
        QAbstractItemModel* model = table->model();
        const auto cell = [&](int row, int column) {
            return model->data(model->index(row, column)).toString();
        };
        // Newest first.
        QCOMPARE(cell(0, DisturbanceTableModel::duration),
                 dutch ? QStringLiteral("Onbekend") : QStringLiteral("Unknown"));
        QCOMPARE(cell(1, DisturbanceTableModel::duration), QStringLiteral("< 1 min"));
        QCOMPARE(cell(2, DisturbanceTableModel::duration),
                 dutch ? QStringLiteral("2,5 min") : QStringLiteral("2.5 min"));
        QCOMPARE(cell(0, DisturbanceTableModel::type),
                 dutch ? QStringLiteral("Fout") : QStringLiteral("Error"));
        QCOMPARE(cell(0, DisturbanceTableModel::details),
                 QStringLiteral("HTTP 503   Service Unavailable"));
        QCOMPARE(model->data(model->index(0, DisturbanceTableModel::details), Qt::ForegroundRole)
                     .value<QColor>(),
                 AppColors::red());
        QCOMPARE(cell(2, DisturbanceTableModel::type),
                 dutch ? QStringLiteral("Verstoring") : QStringLiteral("Disturbance"));
        QCOMPARE(cell(2, DisturbanceTableModel::details),
                 dutch ? QStringLiteral("Totale tijd 4,00 s")
                       : QStringLiteral("Total time 4.00 s"));
        QCOMPARE(cell(2, DisturbanceTableModel::url), QStringLiteral("example.com"));
        find<QPushButton>(QStringLiteral("disturbances_back_button"))->click();
        QVERIFY(!view_->shows_disturbances());
        QVERIFY(find<QWidget>(QStringLiteral("main_page"))->isVisible());
    }

    void the_disturbances_page_of_a_calm_domain_is_an_empty_state()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        record(id, QList<MeasurementSample>(5, MeasurementSample()));
        show(id);
        view_->set_shows_disturbances(true);
        QVERIFY(find<QWidget>(QStringLiteral("disturbances_empty_state"))->isVisible());
        QCOMPARE(find<QLabel>(QStringLiteral("disturbances_count"))->text(),
                 QStringLiteral("0 periods"));
        QCOMPARE(find<QLabel>(QStringLiteral("disturbances_empty_title"))->text(),
                 QStringLiteral("No disturbances"));
        // The disturbances page wins over the full table.
        view_->set_shows_full_table(true);
        QVERIFY(find<QWidget>(QStringLiteral("disturbances_page"))->isVisible());
    }

    void deleting_the_shown_domain_moves_the_selection()
    {
        const QUuid other = add_domain(QStringLiteral("example.org"));
        const QUuid id = add_domain(QStringLiteral("example.com"));
        store_->set_selected_domain_id(id);
        show(id);
        dialogs_->confirm_answer = false;
        action(QStringLiteral("delete_action"))->trigger();
        QTRY_COMPARE(dialogs_->confirmations.size(), 1);
        QCOMPARE(dialogs_->confirmations[0].title, QStringLiteral("Delete example.com?"));
        QVERIFY(dialogs_->confirmations[0].destructive);
        QCOMPARE(store_->domains().size(), 2);

        dialogs_->confirm_answer = true;
        action(QStringLiteral("delete_action"))->trigger();
        QTRY_COMPARE(store_->domains().size(), 1);
        QCOMPARE(store_->selected_domain_id(), std::optional(other));
    }

    // The window replaces the pane as soon as its domain is gone, possibly from
    // within the store's signal: nothing of the pane may run after that.
    void the_window_may_drop_the_pane_during_its_own_actions_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("delete") << "delete_action";
        QTest::newRow("archive") << "archive_action";
    }
    void the_window_may_drop_the_pane_during_its_own_actions()
    {
        QFETCH(QString, action);
        const QUuid id = add_domain(QStringLiteral("example.com"));
        add_domain(QStringLiteral("example.org"));
        store_->set_selected_domain_id(id);
        show(id);
        QMetaObject::Connection drop =
            connect(store_.get(), &TessaryStore::selected_domain_id_changed, this,
                    [this] { view_.reset(); });
        this->action(action)->trigger();
        QTRY_VERIFY(!view_);
        disconnect(drop);
        QVERIFY(store_->selected_domain_id() != std::optional(id));
    }

    void the_delete_confirmation_in_dutch()
    {
        L10n::set_selected_language(AppLanguage::dutch);
        const QUuid id = add_domain(QStringLiteral("example.com"));
        show(id);
        dialogs_->confirm_answer = false;
        action(QStringLiteral("delete_action"))->trigger();
        QTRY_COMPARE(dialogs_->confirmations.size(), 1);
        QCOMPARE(dialogs_->confirmations[0].title, QStringLiteral("example.com verwijderen?"));
        QCOMPARE(dialogs_->confirmations[0].action_title, QStringLiteral("Domein verwijderen"));
        QCOMPARE(dialogs_->confirmations[0].message,
                 QStringLiteral("Het domein en alle opgeslagen metingen worden verwijderd."));
    }

    void pin_clear_and_archive_from_the_menu()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        record(id, QList<MeasurementSample>(3, MeasurementSample()));
        show(id);
        QAction* pin = action(QStringLiteral("pin_action"));
        QCOMPARE(pin->text(), QStringLiteral("Pin Domain"));
        pin->trigger();
        QTRY_VERIFY(domain(id).is_pinned);
        QCOMPARE(pin->text(), QStringLiteral("Unpin Domain"));
        QAction* clear = action(QStringLiteral("clear_history_action"));
        QVERIFY(clear->isEnabled());
        clear->trigger();
        QTRY_COMPARE(domain(id).measurements.size(), 0);
        QVERIFY(!clear->isEnabled());
        QCOMPARE(compact_model().rowCount(), 0);
        action(QStringLiteral("archive_action"))->trigger();
        QTRY_VERIFY(domain(id).is_archived);
    }

    void exports_write_the_chosen_file()
    {
        const QUuid id = add_domain(QStringLiteral("example.com"));
        record(id, QList<MeasurementSample>(2, MeasurementSample()));
        show(id);
        QTemporaryDir out;
        dialogs_->save_answer = out.filePath(QStringLiteral("history.csv"));
        action(QStringLiteral("export_csv"))->trigger();
        QCOMPARE(dialogs_->proposed_names.size(), 1);
        QVERIFY(dialogs_->proposed_names[0].startsWith(QStringLiteral("example.com ")));
        QFile csv(*dialogs_->save_answer);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 3);
        dialogs_->save_answer = std::nullopt; // cancelled: nothing written, nothing shown
        action(QStringLiteral("export_json"))->trigger();
        QVERIFY(dialogs_->errors.isEmpty());
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 1);
    }

    void ip_info_follows_the_desktop_handler()
    {
        const QUuid id = add_domain(QStringLiteral("www.example.com/page"));
        show(id);
        auto* ip_info = find<QPushButton>(QStringLiteral("ip_info_button"));
        QVERIFY(!ip_info->isVisible());
        view_.reset();

        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        const QString applications = qEnvironmentVariable("XDG_DATA_HOME") + u"/applications"_s;
        QVERIFY(QDir().mkpath(config));
        QVERIFY(QDir().mkpath(applications));
        QFile list(config + u"/mimeapps.list"_s);
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("[Default Applications]\nx-scheme-handler/nestory=nestory.desktop\n");
        list.close();
        QFile desktop(applications + u"/nestory.desktop"_s);
        QVERIFY(desktop.open(QIODevice::WriteOnly));
        desktop.write("[Desktop Entry]\nType=Application\nName=Nestory\nExec=nestory %u\n");
        desktop.close();

        show(id);
        ip_info = find<QPushButton>(QStringLiteral("ip_info_button"));
        QVERIFY(ip_info->isVisible());
        QCOMPARE(ip_info->toolTip(), QStringLiteral("Open this domain in Nestory"));
        ip_info->click();
        QCOMPARE(dialogs_->opened_urls,
                 QList<QUrl>{QUrl(QStringLiteral("nestory://lookup?value=example.com"))});
        view_.reset();

        // An association whose application is gone does not count.
        QVERIFY(QFile::remove(applications + u"/nestory.desktop"_s));
        show(id);
        QVERIFY(!find<QPushButton>(QStringLiteral("ip_info_button"))->isVisible());
        QFile::remove(config + u"/mimeapps.list"_s);
    }

    void the_pane_is_dutch_when_dutch_is_chosen()
    {
        L10n::set_selected_language(AppLanguage::dutch);
        const QUuid id = add_domain(QStringLiteral("example.com"));
        record(id, {MeasurementSample()});
        show(id);
        QCOMPARE(find<QPushButton>(QStringLiteral("measure_now_button"))->text(),
                 QStringLiteral("Nu meten"));
        QCOMPARE(find<QSpinBox>(QStringLiteral("interval_stepper"))->text(),
                 QStringLiteral("60 seconden"));
        QCOMPARE(find<QLabel>(QStringLiteral("chart_count_label"))->text(),
                 QStringLiteral("1 metingen"));
        QCOMPARE(card_value(QStringLiteral("status")), QStringLiteral("Inactief"));
        QCOMPARE(action(QStringLiteral("clear_history_action"))->text(),
                 QStringLiteral("Geschiedenis wissen"));
    }
};

TESSARY_UI_TEST_MAIN(DomainDetailViewTest)
#include "DomainDetailViewTest.moc"
