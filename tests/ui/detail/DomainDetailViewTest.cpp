#include "ui/detail/DomainDetailView.h"

#include "DetailTestSupport.h"
#include "FakeUiDialogs.h"
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

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
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
        if (const auto refused = store_->add_domain(url, 60, 48, u"Tessarybot"_s, active, false))
            qFatal("add_domain refused %s", qPrintable(*refused));
        settle();
        return *store_->selected_domain_id(); // adding selects it
    }

    const MonitoredDomain& domain(const QUuid& id) const { return *store_->domain_with_id(id); }

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

    // An inactive example.com with `history` plain measurements, `step_seconds` apart, shown.
    QUuid show_domain(qsizetype history = 0, qint64 step_seconds = 60)
    {
        const QUuid id = add_domain(u"example.com"_s);
        record(id, QList<MeasurementSample>(history, MeasurementSample()), step_seconds);
        show(id);
        return id;
    }

    // An active example.com, measured once (0.2 s) by the schedule, shown.
    QUuid show_measured_domain()
    {
        const QUuid id = add_domain(u"example.com"_s, true);
        source().complete_with(0.2);
        settle();
        show(id);
        return id;
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
    QString label(const QString& name) const { return find<QLabel>(name)->text(); }

    QString card_value(const QString& id) const
    {
        return find<SummaryCard>(u"summary_card_"_s + id)
            ->findChild<QLabel*>(u"summary_card_value"_s)
            ->text();
    }

    static QVariant cell(const MeasurementTableModel& model, int row, int column,
                         int role = Qt::DisplayRole)
    {
        return model.data(model.index(row, column), role);
    }

    MeasurementTableModel& compact_model() const
    {
        return find<MeasurementTableView>(u"compact_table"_s)->measurement_model();
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
        dialogs_->confirm_answers.assign(8, true); // unless a test answers otherwise
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
        const QUuid id = add_domain(u"example.com"_s, true);
        source().complete(std::nullopt); // the probe found no network: nothing recorded
        settle();
        show(id);
        QCOMPARE(card_value(u"status"_s), u"Waiting"_s);
        QCOMPARE(card_value(u"failures"_s), u"0"_s);
        QCOMPARE(card_value(u"longest_disturbance"_s), u"-"_s);
        QCOMPARE(find<QStackedWidget>(u"chart_stack"_s)->currentWidget(),
                 find<QLabel>(u"chart_empty_label"_s));
        QVERIFY(!action(u"clear_history_action"_s)->isEnabled());
        QCOMPARE(label(u"header_url"_s), u"https://example.com"_s); // the full URL
        view_->set_shows_disturbances(true);
        QVERIFY(find<QWidget>(u"disturbances_empty_state"_s)->isVisible());
    }

    void the_header_shows_how_long_the_newest_known_certificate_has_left()
    {
        const QUuid id = show_domain(1);
        const QLabel* certificate = find<QLabel>(u"header_certificate"_s);
        QVERIFY(!certificate->isVisible());
        DomainMeasurement secure = make_measurement(clock().now());
        secure.certificate_expires_at = clock().now().addDays(45);
        store_->record_measurement(id, secure);
        QTRY_VERIFY(certificate->isVisible());
        QCOMPARE(certificate->text(), u"Certificate valid for 45 more days"_s);
        QCOMPARE(certificate->palette().color(QPalette::WindowText), AppColors::secondary());

        secure.id = QUuid::createUuid();
        secure.certificate_expires_at = clock().now().addDays(5);
        store_->record_measurement(id, secure);
        // A failed handshake leaves no expiry: the one before still counts.
        store_->record_measurement(id, make_measurement(clock().now(), {.error = u"refused"_s}));
        QTRY_COMPARE(certificate->text(), u"Certificate valid for 5 more days"_s);
        QCOMPARE(certificate->palette().color(QPalette::WindowText), AppColors::red());

        // An open pane counts on by itself: at local midnight and at the expiry.
        const QDateTime expires_at = secure.certificate_expires_at;
        clock().advance_to(expires_at.toLocalTime().date().startOfDay());
        QCOMPARE(certificate->text(), u"Certificate expires today"_s);
        clock().advance_to(expires_at);
        QCOMPARE(certificate->text(), u"Certificate expired today"_s);
    }

    void editing_the_interval_updates_the_store_and_reschedules()
    {
        const QUuid id = show_measured_domain();
        const QDateTime newest = domain(id).measurements.first().measured_at;
        auto* interval = find<QSpinBox>(u"interval_stepper"_s);
        interval->stepBy(1); // one step of 5 s
        QCOMPARE(domain(id).interval_seconds, 65);
        interval->setValue(300);
        QCOMPARE(domain(id).interval_seconds, 300);
        // Due one new interval after the newest measurement, in the domain's slot.
        const QDateTime planned = *store_->next_measurement_date(id);
        const qint64 after_due = newest.addSecs(300).msecsTo(planned);
        const qint64 window = MonitoringSchedule::spread_window_ms(300);
        QVERIFY(after_due >= -MonitoringSchedule::spread_tolerance_ms(window) &&
                after_due < window);
        clock().advance_to(planned.addMSecs(-1));
        QCOMPARE(source().pending_count(), std::size_t(0));
        clock().advance_by(1);
        QCOMPARE(source().pending_count(), std::size_t(1));
    }

    void typing_a_url_and_pressing_return_saves_it_unless_rejected()
    {
        const QUuid id = show_domain();
        auto* url = find<QLineEdit>(u"url_field"_s);
        const auto type = [&](const QString& text) {
            url->setFocus();
            url->selectAll();
            QTest::keyClicks(url, text);
        };
        type(u"http://"_s);
        QTest::keyClick(url, Qt::Key_Return);
        QCOMPARE(domain(id).url_string, u"https://example.com"_s);
        auto* error = find<QLabel>(u"url_error"_s);
        QCOMPARE(error->isVisible() ? error->text() : QString(), u"Enter a valid domain or URL."_s);
        // A stepper change still saves, with the stored URL.
        find<QSpinBox>(u"interval_stepper"_s)->stepBy(2);
        QCOMPARE(domain(id).interval_seconds, 70);
        QCOMPARE(domain(id).url_string, u"https://example.com"_s);
        // Typing again clears the message; nothing is saved before Return.
        type(u"www.Example.org/status"_s);
        QVERIFY(!error->isVisible());
        QCOMPARE(domain(id).url_string, u"https://example.com"_s);
        QTest::keyClick(url, Qt::Key_Return);
        QCOMPARE(domain(id).url_string, u"https://example.org/status"_s);
        QCOMPARE(label(u"header_url"_s), u"https://example.org/status"_s);
    }

    void settings_save_within_their_bounds_and_keep_the_hidden_port()
    {
        const QUuid id = add_domain(u"https://example.com:8443/health"_s);
        show(id);
        QCOMPARE(find<QLineEdit>(u"url_field"_s)->text(), u"example.com/health"_s);
        find<QAbstractButton>(u"notifications_switch"_s)->click();
        QVERIFY(domain(id).notifies_on_anomalies);
        QCOMPARE(domain(id).url_string, u"https://example.com:8443/health"_s);

        auto* lookback = find<QSpinBox>(u"lookback_stepper"_s);
        lookback->stepBy(-48);
        QCOMPARE(domain(id).max_history_hours, 1);

        // The user agent is saved on commit only, without an interval edit the
        // user has not confirmed.
        auto* interval = find<QSpinBox>(u"interval_stepper"_s);
        interval->setKeyboardTracking(true);
        {
            const QSignalBlocker blocker(interval);
            interval->setValue(500);
        }
        auto* agent = find<UserAgentComboBox>(u"user_agent_combo_box"_s);
        agent->setFocus();
        agent->lineEdit()->selectAll();
        QTest::keyClicks(agent->lineEdit(), u"Probe/1.0"_s);
        QCOMPARE(domain(id).user_agent, u"Tessarybot"_s);
        QTest::keyClick(agent->lineEdit(), Qt::Key_Return);
        QCOMPARE(domain(id).user_agent, u"Probe/1.0"_s);
        QCOMPARE(domain(id).interval_seconds, 60);
    }

    void switches_save_at_once_and_pause_the_countdown()
    {
        const QUuid id = show_measured_domain();
        auto* countdown = find<CountdownRow>(u"measurement_countdown"_s);
        // The count runs to the domain's slot, about one interval away, and ticks.
        const qint64 ms_left = clock().now().msecsTo(*store_->next_measurement_date(id));
        QVERIFY(ms_left > 50'000 && ms_left <= 70'000);
        for (qint64 passed : {0, 1000}) {
            clock().advance_by(passed);
            QCOMPARE(countdown->text(),
                     u"Next measurement in %1s"_s.arg((ms_left - passed + 999) / 1000));
        }
        find<QAbstractButton>(u"active_switch"_s)->click();
        QVERIFY(!domain(id).is_active);
        QCOMPARE(countdown->text(), u"Monitoring paused"_s);
        QCOMPARE(card_value(u"status"_s), u"Inactive"_s);
        clock().advance_by(120'000);
        QCOMPARE(source().pending_count(), std::size_t(0));
    }

    void measure_now_is_disabled_while_measuring_and_its_result_shown()
    {
        const QUuid id = show_domain(1);
        auto* chart = find<TotalTimeChart>(u"total_time_chart"_s);
        QCOMPARE(chart->points().size(), 1);
        auto* measure = find<QPushButton>(u"measure_now_button"_s);
        measure->click();
        settle();
        QCOMPARE(source().pending_count(), std::size_t(1));
        QVERIFY(!measure->isEnabled());
        QCOMPARE(card_value(u"status"_s), u"Measuring"_s);
        source().complete_with(0.1, 500);
        settle();
        QVERIFY(measure->isEnabled());
        QCOMPARE(card_value(u"status"_s), u"Inactive"_s);
        QCOMPARE(card_value(u"failures"_s), u"1"_s);
        QCOMPARE(domain(id).measurements.size(), 2);
        QCOMPARE(compact_model().rowCount(), 2);
        QCOMPARE(cell(compact_model(), 0, MeasurementHistoryColumns::total).toString(),
                 u"100 ms"_s);
        QCOMPARE(chart->points().size(), 2);
        QCOMPARE(chart->points().last().level, DomainMeasurementLevel::error);
        // What a screen reader hears of the chart.
        const auto chart_text = [&](QAccessible::Text text) {
            return QAccessible::queryAccessibleInterface(chart)->text(text);
        };
        QCOMPARE(chart_text(QAccessible::Name), u"Total Time History"_s);
        QCOMPARE(chart_text(QAccessible::Description),
                 u"2 measurements over < 1 hour, highest 200 ms, 1 outage, 0 disturbances"_s);
    }

    // A screen reader hears "Online" turn "Down" once, not every measurement.
    void a_change_of_status_is_announced_once()
    {
        const QUuid id = show_measured_domain();
        QSignalSpy announced(view_.get(), &DomainDetailView::status_announced);
        for (int i = 0; i < 2; ++i) {
            store_->measure_now(id);
            settle();
            source().complete_with(0.1, 500);
            settle();
        }
        QCOMPARE(card_value(u"status"_s), u"Down"_s);
        QCOMPARE(announced.count(), 1);
        QCOMPARE(announced[0][0].toString(), u"Status: Down"_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(find<SummaryCard>(u"summary_card_status"_s))
                     ->text(QAccessible::Name),
                 u"Status: Down"_s);
    }

    // A new measurement goes in above the rows: the selected row and the rows in
    // view stay where they are, in the compact and in the full table.
    void a_new_measurement_keeps_the_selection_and_the_rows_in_view()
    {
        const QUuid id = show_domain(150, 10);
        for (const QString& name : {u"compact_table"_s, u"full_table"_s}) {
            view_->set_shows_full_table(name == u"full_table"_s);
            auto* table = find<MeasurementTableView>(name);
            const MeasurementTableModel& model = table->measurement_model();
            QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
            table->selectRow(40);
            table->verticalScrollBar()->setValue(30);
            const QUuid selected = model.measurement(40).id;
            const int rows = model.rowCount();
            clock().advance_by(1000);
            record(id, {MeasurementSample()}, 1);
            // The compact table keeps its 100 rows: the oldest one leaves.
            QCOMPARE(model.rowCount(), name == u"compact_table"_s ? rows : rows + 1);
            QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 41);
            QCOMPARE(model.measurement(41).id, selected);
            QCOMPARE(table->verticalScrollBar()->value(), 31);
            QCOMPARE(resets.count(), 0);
        }
    }

    void the_compact_table_lists_the_window_and_offers_the_full_table()
    {
        const QUuid id = add_domain(u"example.com"_s);
        // 20 measurements within the last 48 hours, 130 older ones.
        for (int i = 149; i >= 0; --i)
            store_->record_measurement(id, make_measurement(clock().now().addSecs(-3600 * i - 60)));
        QCOMPARE(domain(id).measurements.size(), 150);
        show(id);
        QCOMPARE(compact_model().rowCount(), 48);
        // Narrow the lookback to 20 hours: 20 rows.
        find<QSpinBox>(u"lookback_stepper"_s)->setValue(20);
        QCOMPARE(compact_model().rowCount(), 20);
        find<QPushButton>(u"show_full_table_button"_s)->click();
        QVERIFY(find<QWidget>(u"full_history_page"_s)->isVisible());
        QCOMPARE(find<MeasurementTableView>(u"full_table"_s)->measurement_model().rowCount(), 150);
        QCOMPARE(label(u"full_history_count"_s), u"150 measurements"_s);
        find<QPushButton>(u"full_history_back_button"_s)->click();
        QVERIFY(find<QWidget>(u"main_page"_s)->isVisible());
    }

    // Holding the store's history list would make the store copy all of it on
    // each measurement; the pane and its tables must read it, not share it.
    void the_pane_never_shares_the_stored_history()
    {
        // At most 100 rows, and no full-table button up to 100 measurements.
        const QUuid id = show_domain(100, 10);
        QCOMPARE(compact_model().rowCount(), 100);
        QVERIFY(!find<QPushButton>(u"show_full_table_button"_s)->isVisible());
        clock().advance_by(1'000'000);
        record(id, QList<MeasurementSample>(50, MeasurementSample()), 10);
        QCOMPARE(compact_model().rowCount(), 100);
        QVERIFY(find<QPushButton>(u"show_full_table_button"_s)->isVisible());
        QVERIFY(domain(id).measurements.isDetached());
        view_->set_shows_full_table(true);
        auto* full = find<MeasurementTableView>(u"full_table"_s);
        QCOMPARE(full->measurement_model().rowCount(), 150);
        QVERIFY(domain(id).measurements.isDetached());
        // The full table follows a new measurement.
        record(id, {MeasurementSample()}, 1);
        QCOMPARE(full->measurement_model().measurement(0).id, domain(id).measurements.first().id);
        view_->set_shows_disturbances(true);
        QVERIFY(domain(id).measurements.isDetached());
    }

    void filter_menu_and_url_picker_narrow_both_tables()
    {
        const QUuid id = add_domain(u"example.com"_s);
        QList<MeasurementSample> history{{.status = 302},
                                         {.status = 404, .url = u"https://example.com/missing"_s},
                                         {.local_issue = true},
                                         {.total_time = 1.0},
                                         {.total_time = 1.2}};
        history += QList<MeasurementSample>(100, MeasurementSample());
        record(id, history, 10);
        show(id);
        auto* picker = find<QComboBox>(u"history_url_picker"_s);
        QCOMPARE(picker->count(), 3); // all, and the two URLs in full
        QCOMPARE(picker->itemText(2), u"https://example.com/missing"_s);
        const auto colour = [&](int row) {
            return cell(compact_model(), row, MeasurementHistoryColumns::total, Qt::ForegroundRole);
        };
        QVERIFY(!colour(0).isValid());
        QCOMPARE(colour(1).value<QColor>(), AppColors::red());
        QCOMPARE(colour(2).value<QColor>(), AppColors::orange());
        action(u"filter_errors"_s)->trigger();
        QCOMPARE(find<QToolButton>(u"history_filter_button"_s)->text(), u"Errors"_s);
        QCOMPARE(compact_model().rowCount(), 2); // 404 and the local-network issue
        action(u"filter_over_one_second"_s)->trigger();
        QCOMPARE(compact_model().rowCount(), 1); // 1.2 s, not exactly 1.0 s
        action(u"filter_all"_s)->trigger();
        picker->setCurrentIndex(picker->findData(u"https://example.com/missing"_s));
        QCOMPARE(compact_model().rowCount(), 1);

        // The full page starts with the same filter and URL.
        find<QPushButton>(u"show_full_table_button"_s)->click();
        auto* full = find<MeasurementTableView>(u"full_table"_s);
        QCOMPARE(full->measurement_model().rowCount(), 1);
        QCOMPARE(cell(full->measurement_model(), 0, 2).toString(), u"example.com/missing"_s);
        find<QPushButton>(u"full_history_back_button"_s)->click();
        QCOMPARE(view_->selected_history_url(), u"https://example.com/missing"_s);
    }

    void hidden_and_reordered_columns_survive_a_restart()
    {
        show_domain(3);
        auto* table = find<MeasurementTableView>(u"compact_table"_s);
        std::unique_ptr<QMenu> menu(table->make_column_menu(nullptr));
        menu->findChild<QAction*>(u"column_dns"_s)->trigger();
        QHeaderView* header = table->horizontalHeader();
        header->moveSection(header->visualIndex(MeasurementHistoryColumns::total), 0);
        QCOMPARE(
            Preferences::value(QString::fromLatin1(Preferences::measurement_history_columns_key))
                .toString(),
            QStringLiteral("total,date,time,url,!dns,connect,ssl,ttfb,network,"
                           "response_details"));

        // Another domain's pane and its full table, after a restart of the window.
        view_.reset();
        const QUuid other = add_domain(u"example.org"_s);
        record(other, QList<MeasurementSample>(120, MeasurementSample()), 10);
        show(other);
        for (const QString& name : {u"compact_table"_s, u"full_table"_s}) {
            if (name == u"full_table"_s)
                find<QPushButton>(u"show_full_table_button"_s)->click();
            QHeaderView* h = find<MeasurementTableView>(name)->horizontalHeader();
            QVERIFY(h->isSectionHidden(MeasurementHistoryColumns::dns));
            QCOMPARE(h->logicalIndex(0), int(MeasurementHistoryColumns::total));
            QCOMPARE(h->logicalIndex(1), int(MeasurementHistoryColumns::date));
        }
        // Showing it again from the full table's menu reaches the hidden compact table too.
        std::unique_ptr<QMenu> full_menu(
            find<MeasurementTableView>(u"full_table"_s)->make_column_menu(nullptr));
        full_menu->findChild<QAction*>(u"column_dns"_s)->trigger();
        QVERIFY(!find<MeasurementTableView>(u"compact_table"_s)
                     ->horizontalHeader()
                     ->isSectionHidden(MeasurementHistoryColumns::dns));
    }

    void the_last_visible_column_cannot_be_hidden()
    {
        MeasurementHistoryColumns::Layout layout = MeasurementHistoryColumns::Layout::standard();
        for (int column = 1; column < MeasurementHistoryColumns::count; ++column)
            layout.hidden.insert(column);
        MeasurementHistoryColumns::shared().set_layout(layout);
        show_domain();
        auto* table = find<MeasurementTableView>(u"compact_table"_s);
        std::unique_ptr<QMenu> menu(table->make_column_menu(nullptr));
        QVERIFY(!menu->findChild<QAction*>(u"column_date"_s)->isEnabled());
        QVERIFY(menu->findChild<QAction*>(u"column_time"_s)->isEnabled());
        MeasurementHistoryColumns::shared().set_layout(
            MeasurementHistoryColumns::Layout::standard());
    }

    void the_disturbances_page_lists_the_periods_newest_first()
    {
        const QUuid id = add_domain(u"example.com"_s);
        const MeasurementSample failed{.status = 503, .error = u"Service Unavailable"_s};
        // Every 20 s (gaps up to 40 s keep a run together). Oldest first: a 4 s
        // disturbance lasting 150 s, a failure healed after 45 s, an ongoing failure.
        MonitoredDomain edited = domain(id);
        edited.interval_seconds = 20;
        store_->update_domain(edited);
        const QDateTime start = clock().now().addSecs(-3600);
        const auto at = [&](int seconds, const MeasurementSample& sample = {}) {
            store_->record_measurement(id, make_measurement(start.addSecs(seconds), sample));
        };
        for (int i = 0; i < 20; ++i)
            at(60 * i);
        for (int t : {1200, 1230, 1260, 1290, 1320})
            at(t, {.total_time = 4.0});
        at(1350);
        at(1400, failed);
        at(1430, failed);
        at(1445);
        at(1500, failed);
        show(id);
        find<SummaryCard>(u"summary_card_longest_disturbance"_s)
            ->findChild<QToolButton*>(u"summary_card_action"_s)
            ->click();
        QVERIFY(find<QWidget>(u"disturbances_page"_s)->isVisible());
        QCOMPARE(label(u"disturbances_count"_s), u"3 periods"_s);
        QAbstractItemModel* model = find<QTableView>(u"disturbances_table"_s)->model();
        const auto cell = [&](int row, int column) {
            return model->data(model->index(row, column)).toString();
        };
        QCOMPARE(cell(0, DisturbanceTableModel::duration), u"Unknown"_s);
        QCOMPARE(cell(1, DisturbanceTableModel::duration), u"< 1 min"_s);
        QCOMPARE(cell(2, DisturbanceTableModel::duration), u"2.5 min"_s);
        QCOMPARE(cell(0, DisturbanceTableModel::details), u"HTTP 503   Service Unavailable"_s);
        QCOMPARE(cell(2, DisturbanceTableModel::type), u"Disturbance"_s);
        QCOMPARE(cell(2, DisturbanceTableModel::details), u"Total time 4.00 s"_s);
        find<QPushButton>(u"disturbances_back_button"_s)->click();
        QVERIFY(find<QWidget>(u"main_page"_s)->isVisible());
    }

    void delete_and_archive_move_the_selection_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("delete") << u"delete_action"_s;
        QTest::newRow("archive") << u"archive_action"_s;
    }
    void delete_and_archive_move_the_selection()
    {
        QFETCH(QString, action);
        const QUuid other = add_domain(u"example.org"_s);
        const QUuid id = add_domain(u"example.com"_s);
        store_->set_selected_domain_id(id);
        show(id);
        if (action == u"delete_action"_s) {
            dialogs_->confirm_answers = {false, true};
            this->action(action)->trigger();
            QTRY_COMPARE(dialogs_->confirmations.size(), 1);
            QCOMPARE(dialogs_->confirmations[0].title, u"Delete example.com?"_s);
            QVERIFY(dialogs_->confirmations[0].destructive);
            QCOMPARE(store_->domains().size(), 2);
        }
        // The window replaces the pane as soon as its domain is gone, possibly from
        // within the store's signal: nothing of the pane may run after that.
        QMetaObject::Connection drop =
            connect(store_.get(), &TessaryStore::selected_domain_id_changed, this,
                    [this] { view_.reset(); });
        this->action(action)->trigger();
        QTRY_VERIFY(!view_);
        disconnect(drop);
        QCOMPARE(store_->selected_domain_id(), std::optional(other));
    }

    void pin_clear_and_archive_from_the_menu()
    {
        const QUuid id = show_domain(3);
        QAction* pin = action(u"pin_action"_s);
        QCOMPARE(pin->text(), u"Pin Domain"_s);
        pin->trigger();
        QTRY_VERIFY(domain(id).is_pinned);
        QCOMPARE(pin->text(), u"Unpin Domain"_s);
        QAction* clear = action(u"clear_history_action"_s);
        QVERIFY(clear->isEnabled());
        clear->trigger();
        QTRY_COMPARE(domain(id).measurements.size(), 0);
        QVERIFY(!clear->isEnabled());
        QCOMPARE(compact_model().rowCount(), 0);
    }

    void exports_write_the_chosen_file()
    {
        show_domain(2);
        QTemporaryDir out;
        dialogs_->save_answer = out.filePath(u"history.csv"_s);
        action(u"export_csv"_s)->trigger();
        QCOMPARE(dialogs_->proposed_names.size(), 1);
        QVERIFY(dialogs_->proposed_names[0].startsWith(u"example.com "_s));
        QFile csv(*dialogs_->save_answer);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 3); // a header and two measurements
    }

    void ip_info_follows_the_desktop_handler()
    {
        const QUuid id = add_domain(u"www.example.com/page"_s);
        show(id);
        QVERIFY(!find<QPushButton>(u"ip_info_button"_s)->isVisible());
        view_.reset();

        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        const QString applications = qEnvironmentVariable("XDG_DATA_HOME") + u"/applications"_s;
        QVERIFY(write_file(config + u"/mimeapps.list"_s,
                           "[Default Applications]\nx-scheme-handler/nestory=nestory.desktop\n"));
        QVERIFY(write_file(applications + u"/nestory.desktop"_s,
                           "[Desktop Entry]\nType=Application\nName=Nestory\nExec=nestory %u\n"));

        show(id);
        auto* ip_info = find<QPushButton>(u"ip_info_button"_s);
        QVERIFY(ip_info->isVisible());
        QCOMPARE(ip_info->toolTip(), u"Open this domain in Nestory"_s);
        ip_info->click();
        QCOMPARE(dialogs_->opened_urls, QList<QUrl>{QUrl(u"nestory://lookup?value=example.com"_s)});
        QFile::remove(applications + u"/nestory.desktop"_s);
        QFile::remove(config + u"/mimeapps.list"_s);
    }
};

TESSARY_UI_TEST_MAIN(DomainDetailViewTest)
#include "DomainDetailViewTest.moc"
