#include "ui/MainWindow.h"

#include "FakeUiDialogs.h"
#include "StoreTestEnvironment.h"
#include "UiTestMain.h"
#include "i18n/L10n.h"
#include "store/HistoryJson.h"
#include "ui/AddDomainDialog.h"
#include "ui/SidebarModel.h"
#include "ui/SidebarView.h"
#include "ui/SingleInstance.h"
#include "ui/ToggleSwitch.h"
#include "ui/UserAgentComboBox.h"
#include "ui/WindowStartup.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <future>

using namespace Qt::StringLiterals;

namespace {

// The union of what a widget painted.
class PaintedArea final : public QObject {
public:
    QRegion region;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            region += static_cast<QPaintEvent*>(event)->region();
        return QObject::eventFilter(watched, event);
    }
};

template <typename T>
T* find(QWidget& root, const char* name)
{
    return root.findChild<T*>(QLatin1String(name));
}

QStringList menu_titles(QMainWindow& window)
{
    QStringList titles;
    for (QAction* action : window.menuBar()->actions())
        titles.append(action->text());
    return titles;
}

QString key(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<StoreTestEnvironment> services_;
    std::unique_ptr<TessaryStore> store_;
    std::unique_ptr<FakeUiDialogs> dialogs_;
    std::unique_ptr<MainWindow> window_;

    TessaryStore& store() { return *store_; }
    MainWindow& window() { return *window_; }
    FakeUiDialogs& dialogs() { return *dialogs_; }

    void open_window()
    {
        window_ = std::make_unique<MainWindow>(*store_, *dialogs_, services_->clock);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    QUuid add(const QString& url)
    {
        const std::optional<QString> error = store_->add_domain(url, 60, 1, QString(), true, false);
        if (error)
            return {};
        for (const MonitoredDomain& domain : store_->domains()) {
            if (domain.url_string.contains(url))
                return domain.id;
        }
        return {};
    }

    // One measurement of `id`, finished now.
    void measure(const QUuid& id, double total_time = 0.25)
    {
        store_->measure_now(id);
        services_->clock.advance_by(0);
        while (services_->measurements.pending_count() > 0)
            services_->measurements.complete_with(total_time);
    }

    SidebarModel& model() { return window_->sidebar().model(); }
    QAction* action(const QString& name) { return window_->findChild<QAction*>(name); }

    QString row_host(const QUuid& id) { return model().index_of(id).data().toString(); }

private Q_SLOTS:
    void init()
    {
        L10n::set_selected_language(AppLanguage::english);
        folder_ = std::make_unique<QTemporaryDir>();
        services_ = std::make_unique<StoreTestEnvironment>();
        auto opened = TessaryStore::open(services_->environment(folder_->path()));
        QVERIFY(opened);
        store_ = std::move(opened).value();
        dialogs_ = std::make_unique<FakeUiDialogs>();
    }

    void cleanup()
    {
        window_.reset();
        store_.reset();
        services_.reset();
        folder_.reset();
    }

    void window_defaults_and_the_links_it_opens()
    {
        open_window();
        QCOMPARE(window().windowTitle(), u"Tessary"_s);
        QCOMPARE(window().minimumSize(), QSize(1050, 650));
        QCOMPARE(menu_titles(window()), (QStringList{u"&File"_s, u"Language"_s, u"&Help"_s}));
        QCOMPARE(window().palette().color(QPalette::Highlight), QColor(3, 157, 128));
        auto* stack = find<QStackedWidget>(window(), "detail_stack");
        QCOMPARE(stack->currentWidget()->objectName(), u"empty_state"_s);
        QCOMPARE(find<QLabel>(window(), "empty_state_title")->text(), u"No Domain Selected"_s);

        auto* footer = find<QLabel>(window(), "footer_credit");
        QVERIFY(footer->text().contains(u"Created by "_s));
        const QString link =
            footer->text().section(u"href=\""_s, 1).section(u'"', 0, 0).replace(u"&amp;"_s, u"&"_s);
        Q_EMIT footer->linkActivated(link);
        QCOMPARE(dialogs().opened_urls.size(), 1);
        const QUrlQuery query(dialogs().opened_urls[0]);
        QCOMPARE(query.queryItemValue(u"utm_source"_s), u"tessary_app"_s);
        QCOMPARE(query.queryItemValue(u"utm_medium"_s), u"desktop_app"_s);
        QCOMPARE(query.queryItemValue(u"utm_campaign"_s), u"tessary"_s);
        QCOMPARE(query.queryItemValue(u"utm_content"_s), u"footer_credit"_s);

        action(u"donation_action"_s)->trigger();
        QCOMPARE(dialogs().opened_urls.size(), 2);
        QCOMPARE(dialogs().opened_urls[1].scheme(), u"https"_s);
        action(u"about_action"_s)->trigger();
        QCOMPARE(dialogs().informations.size(), 1);
        QVERIFY(dialogs().informations[0].contains(u"Tessary 0."_s));
    }

    void ctrl_n_opens_the_add_form_and_escape_closes_it()
    {
        open_window();
        QTest::keyClick(&window(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(store().is_presenting_add_domain());
        QTRY_VERIFY(window().add_domain_dialog() != nullptr &&
                    window().add_domain_dialog()->isVisible());
        AddDomainDialog* form = window().add_domain_dialog();
        QVERIFY(!find<QPushButton>(*form, "add_button")->isEnabled());
        QTest::keyClick(find<QLineEdit>(*form, "url_field"), Qt::Key_Escape);
        QTRY_VERIFY(!store().is_presenting_add_domain());
        QTRY_VERIFY(window().add_domain_dialog() == nullptr);
        QVERIFY(store().domains().isEmpty());
    }

    void an_invalid_text_keeps_the_form_open_until_corrected()
    {
        open_window();
        QTest::mouseClick(find<QPushButton>(window(), "add_domain_button"), Qt::LeftButton);
        QTRY_VERIFY(window().add_domain_dialog() != nullptr);
        AddDomainDialog* form = window().add_domain_dialog();
        auto* url = find<QLineEdit>(*form, "url_field");
        auto* error = find<QLabel>(*form, "error_label");
        auto* add_button = find<QPushButton>(*form, "add_button");

        // Blanks only: Add stays disabled and Return does nothing.
        QTest::keyClicks(url, u"   "_s);
        QVERIFY(!add_button->isEnabled());
        QTest::keyClick(url, Qt::Key_Return);
        QVERIFY(form->isVisible());
        QVERIFY(error->isHidden());

        url->clear();
        QTest::keyClicks(url, u"not a url"_s);
        QVERIFY(add_button->isEnabled());
        QTest::keyClick(url, Qt::Key_Return);
        QVERIFY(form->isVisible());
        QVERIFY(!error->isHidden());
        QCOMPARE(error->text(), u"Enter a valid domain or URL."_s);
        QCOMPARE(error->palette().color(QPalette::WindowText), QColor(255, 59, 48));

        url->clear();
        QTest::keyClicks(url, u"example.com"_s);
        find<QSpinBox>(*form, "interval_spin_box")->setValue(300);
        find<ToggleSwitch>(*form, "active_switch")->click();
        find<QCheckBox>(*form, "notifications_check_box")->click();
        QTest::mouseClick(add_button, Qt::LeftButton);
        QTRY_VERIFY(window().add_domain_dialog() == nullptr);
        QVERIFY(!store().is_presenting_add_domain());

        QCOMPARE(store().domains().size(), 1);
        const MonitoredDomain& added = store().domains().first();
        QCOMPARE(added.interval_seconds, 300);
        QCOMPARE(added.max_history_hours, 48);
        QCOMPARE(added.user_agent, u"Tessarybot"_s);
        QVERIFY(!added.is_active);
        QVERIFY(added.notifies_on_anomalies);
        QTRY_COMPARE(row_host(added.id), u"example.com"_s);
    }

    void the_steppers_keep_their_ranges_and_steps()
    {
        AddDomainDialog form(store(), nullptr);
        auto* interval = find<QSpinBox>(form, "interval_spin_box");
        auto* lookback = find<QSpinBox>(form, "lookback_spin_box");
        QCOMPARE(interval->value(), 120);
        QCOMPARE(interval->text(), u"120 seconds"_s);
        QCOMPARE(lookback->text(), u"48 hours"_s);
        interval->stepUp();
        QCOMPARE(interval->value(), 125);
        interval->setValue(5);
        QCOMPARE(interval->value(), 20);
        interval->setValue(90'000);
        QCOMPARE(interval->value(), 86'400);
        lookback->setValue(0);
        QCOMPARE(lookback->value(), 1);
        lookback->setValue(10'000);
        QCOMPARE(lookback->value(), 8'760);

        L10n::set_selected_language(AppLanguage::dutch);
        AddDomainDialog dutch(store(), nullptr);
        QCOMPARE(find<QSpinBox>(dutch, "interval_spin_box")->text(), u"120 seconden"_s);
        QCOMPARE(find<QSpinBox>(dutch, "lookback_spin_box")->text(), u"48 uur"_s);
    }

    void suggestions_filter_as_typed_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty shows the first eight")
            << QString()
            << QStringList{u"a0.example"_s, u"a1.example"_s, u"a2.example"_s, u"a3.example"_s,
                           u"a4.example"_s, u"a5.example"_s, u"a6.example"_s, u"a7.example"_s};
        QTest::newRow("part of a host, any case") << u"  A3.EX "_s << QStringList{u"a3.example"_s};
        QTest::newRow("part of the path") << u"/shop"_s << QStringList{u"b.example"_s};
        QTest::newRow("no match") << u"zzz"_s << QStringList{};
    }

    void suggestions_filter_as_typed()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        QList<DomainRestoreSuggestion> suggestions;
        for (int i = 0; i < 10; ++i) {
            DomainRestoreSuggestion suggestion;
            suggestion.url_string = u"https://a%1.example/"_s.arg(i);
            suggestions.append(suggestion);
        }
        DomainRestoreSuggestion shop;
        shop.url_string = u"https://b.example/shop"_s;
        suggestions.append(shop);
        QStringList hosts;
        for (const DomainRestoreSuggestion& s :
             AddDomainDialog::filtered_suggestions(suggestions, typed))
            hosts.append(QUrl(s.url_string).host());
        QCOMPARE(hosts, expected);
    }

    void choosing_a_suggestion_fills_the_form_without_adding()
    {
        const QUuid id = add(u"archived.example"_s);
        MonitoredDomain changed = store().domains().first();
        changed.interval_seconds = 600;
        changed.max_history_hours = 12;
        changed.user_agent = u"Agent/9"_s;
        changed.notifies_on_anomalies = true;
        store().update_domain(changed);
        store().archive_domain(id);

        AddDomainDialog form(store(), nullptr);
        form.show();
        auto* section = find<QWidget>(form, "suggestions_section");
        QVERIFY(section->isVisible());
        auto* row = find<QPushButton>(form, "suggestion_row_0");
        QVERIFY(row != nullptr);
        QCOMPARE(find<QLabel>(*row, "suggestion_host")->text(), u"archived.example"_s);
        QTest::mouseClick(row, Qt::LeftButton);
        QCOMPARE(find<QLineEdit>(form, "url_field")->text(), changed.url_string);
        QCOMPARE(find<QSpinBox>(form, "interval_spin_box")->value(), 600);
        QCOMPARE(find<QSpinBox>(form, "lookback_spin_box")->value(), 12);
        QCOMPARE(find<UserAgentComboBox>(form, "user_agent_combo_box")->value(), u"Agent/9"_s);
        QVERIFY(find<QCheckBox>(form, "notifications_check_box")->isChecked());
        QVERIFY(form.isVisible());
        QVERIFY(store().active_domains().isEmpty());

        QTest::keyClicks(find<QLineEdit>(form, "url_field"), u"zzz"_s);
        QVERIFY(section->isHidden());
    }

    void dutch_switches_every_text_and_moves_the_check_mark()
    {
        L10n::set_selected_language(AppLanguage::system);
        add(u"example.com"_s);
        open_window();
        auto* dutch = action(u"language_action_dutch"_s);
        auto* system = action(u"language_action_system"_s);
        QVERIFY(system->isChecked());
        const qsizetype domains_before = store().domains().size();
        dutch->trigger();

        QCOMPARE(L10n::selected_language(), AppLanguage::dutch);
        QTRY_COMPARE(menu_titles(window()), (QStringList{u"&Bestand"_s, u"Taal"_s, u"&Help"_s}));
        dutch = action(u"language_action_dutch"_s);
        system = action(u"language_action_system"_s);
        QVERIFY(dutch->isChecked());
        QVERIFY(!system->isChecked());
        QCOMPARE(system->text(), u"Systeemtaal"_s);
        QCOMPARE(find<QPushButton>(window(), "add_domain_button")->text(), u"Domein toevoegen"_s);
        QCOMPARE(action(u"archive_all_action"_s)->text(), u"Alles archiveren"_s);
        QVERIFY(find<QLabel>(window(), "footer_credit")->text().contains(u"Gemaakt door "_s));
        QCOMPARE(store().domains().size(), domains_before);

        store().set_is_presenting_add_domain(true);
        QTRY_VERIFY(window().add_domain_dialog() != nullptr);
        QCOMPARE(find<QLabel>(*window().add_domain_dialog(), "add_domain_title")->text(),
                 u"Domein toevoegen"_s);
        window().add_domain_dialog()->reject();
        QTRY_VERIFY(window().add_domain_dialog() == nullptr);

        // Back to the system language (English in the tests' environment).
        system->trigger();
        QTRY_COMPARE(find<QPushButton>(window(), "add_domain_button")->text(), u"Add Domain"_s);
        QVERIFY(action(u"language_action_system"_s)->isChecked());
    }

    void menu_enablement_follows_the_domains()
    {
        open_window();
        using E = SidebarView::Enablement;
        const auto state = [this] {
            return E{action(u"archive_all_action"_s)->isEnabled(),
                     action(u"clear_measurements_action"_s)->isEnabled(),
                     action(u"delete_everything_action"_s)->isEnabled(),
                     find<QPushButton>(window(), "export_report_button")->isEnabled()};
        };
        QCOMPARE(state(), (E{false, false, false, false}));
        const QUuid id = add(u"example.com"_s);
        QCOMPARE(state(), (E{true, false, true, true}));
        measure(id);
        QCOMPARE(state(), (E{true, true, true, true}));
        store().archive_domain(id);
        QCOMPARE(state(), (E{false, false, false, false}));
    }

    void each_confirmation_calls_its_operation_and_cancel_does_nothing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("destructive");
        QTest::newRow("archive everything") << u"archive_all_action"_s << u"Archive everything?"_s
                                            << u"Archive Everything"_s << false;
        QTest::newRow("clear measurements")
            << u"clear_measurements_action"_s << u"Clear all measurements?"_s
            << u"Clear Measurements"_s << true;
        QTest::newRow("delete everything")
            << u"delete_everything_action"_s << u"Delete everything?"_s << u"Delete Everything"_s
            << true;
    }

    void each_confirmation_calls_its_operation_and_cancel_does_nothing()
    {
        QFETCH(QString, action);
        QFETCH(QString, title);
        QFETCH(QString, button);
        QFETCH(bool, destructive);
        const QUuid id = add(u"example.com"_s);
        measure(id);
        open_window();
        const QList<MonitoredDomain> before = store().domains();
        auto* item = window().findChild<QAction*>(action);

        dialogs().confirm_answers = {false};
        item->trigger();
        QCOMPARE(dialogs().confirmations.size(), 1);
        QCOMPARE(dialogs().confirmations[0].title, title);
        QCOMPARE(dialogs().confirmations[0].action_title, button);
        QCOMPARE(dialogs().confirmations[0].destructive, destructive);
        QVERIFY(!dialogs().confirmations[0].message.isEmpty());
        QCOMPARE(store().domains(), before);

        dialogs().confirm_answers = {true};
        item->trigger();
        if (action == u"archive_all_action"_s) {
            QVERIFY(store().active_domains().isEmpty());
            QCOMPARE(store().archived_domains().size(), 1);
            QCOMPARE(store().archived_domains().first().measurements.size(), 1);
        } else if (action == u"clear_measurements_action"_s) {
            QCOMPARE(store().domains().size(), 1);
            QVERIFY(store().domains().first().measurements.isEmpty());
        } else {
            QVERIFY(store().domains().isEmpty());
        }
        QTRY_COMPARE(model().rowCount(), action == u"clear_measurements_action"_s ? 2 : 0);
    }

    void the_row_menu_opens_on_a_right_click_and_pins_and_archives()
    {
        const QUuid id = add(u"example.com"_s);
        add(u"other.example"_s);
        open_window();
        QListView& list = window().sidebar().list();
        const auto right_click = [&](const QModelIndex& index) {
            const QPoint at = list.visualRect(index).center();
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(list.viewport(), &event);
            return window().sidebar().findChild<QMenu*>(u"row_menu"_s);
        };
        QMenu* menu = right_click(model().index_of(id));
        QVERIFY(menu != nullptr);
        QTRY_VERIFY(menu->isVisible());
        auto* pin = menu->findChild<QAction*>(u"pin_action"_s);
        QCOMPARE(pin->text(), u"Pin"_s);
        pin->trigger();
        menu->close();
        QVERIFY(store().domains().first().is_pinned);
        // A header row has no menu.
        QTRY_VERIFY(window().sidebar().findChild<QMenu*>(u"row_menu"_s) == nullptr);
        QVERIFY(right_click(model().index(0)) == nullptr);

        menu = window().sidebar().make_row_menu(id);
        QCOMPARE(menu->findChild<QAction*>(u"pin_action"_s)->text(), u"Unpin"_s);
        menu->findChild<QAction*>(u"archive_domain_action"_s)->trigger();
        delete menu;
        QVERIFY(dialogs().confirmations.isEmpty());
        QCOMPARE(store().active_domains().size(), 1);
        QTRY_VERIFY(!model().index_of(id).isValid());
    }

    void the_detail_column_follows_the_selection()
    {
        const QUuid first = add(u"first.example"_s);
        const QUuid second = add(u"second.example"_s);
        open_window();
        auto* stack = find<QStackedWidget>(window(), "detail_stack");
        const auto detail_title = [&] {
            auto* title = stack->currentWidget()->findChild<QLabel*>(u"header_title"_s);
            return title == nullptr ? QString() : title->text();
        };
        // Adding selects the new domain.
        QCOMPARE(store().selected_domain_id(), std::optional<QUuid>(second));
        QCOMPARE(detail_title(), u"second.example"_s);

        QListView& list = window().sidebar().list();
        const QModelIndex index = model().index_of(first);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(index).center());
        QCOMPARE(store().selected_domain_id(), std::optional<QUuid>(first));
        QCOMPARE(detail_title(), u"first.example"_s);
        QCOMPARE(list.currentIndex(), model().index_of(first));

        // A selection made elsewhere (the command of another view) moves the list too.
        store().set_selected_domain_id(second);
        QCOMPARE(list.currentIndex(), model().index_of(second));
        QCOMPARE(detail_title(), u"second.example"_s);

        store().archive_domain(second);
        store().archive_domain(first);
        QCOMPARE(stack->currentWidget()->objectName(), u"empty_state"_s);
    }

    void a_measurement_updates_only_its_row()
    {
        const QUuid first = add(u"first.example"_s);
        const QUuid second = add(u"second.example"_s);
        open_window();
        QCoreApplication::processEvents();
        const int resets = model().reset_count();
        QSignalSpy changed(&model(), &QAbstractItemModel::dataChanged);
        QListView& list = window().sidebar().list();
        PaintedArea painted;
        list.viewport()->installEventFilter(&painted);
        DomainMeasurement measurement;
        measurement.id = QUuid::createUuid();
        measurement.measured_at = services_->clock.now();
        measurement.total_time = 0.5;
        measurement.http_status = 200;
        store().record_measurement(second, measurement);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(model().reset_count(), resets);
        QVERIFY(!changed.isEmpty());
        for (const QList<QVariant>& signal : changed) {
            const int row = signal.at(0).toModelIndex().row();
            QCOMPARE(row, model().row_of(second).value());
        }
        QCOMPARE(model().domain_at(*model().row_of(second))->measurements.size(), 1);
        // Only that row is repainted, not the whole list.
        QTRY_VERIFY(!painted.region.isEmpty());
        const QRect row = list.visualRect(model().index_of(second));
        QVERIFY2(row.contains(painted.region.boundingRect()),
                 qPrintable(u"painted %1 px high, the row is %2 px high"_s
                                .arg(painted.region.boundingRect().height())
                                .arg(row.height())));
        QVERIFY(model().domain_at(*model().row_of(first))->measurements.isEmpty());

        // A change of the groups still rebuilds the rows.
        store().toggle_pin(second);
        QTRY_COMPARE(model().reset_count(), resets + 1);
        QVERIFY(model().is_header(0));
        QCOMPARE(model().row_of(second), std::optional<int>(1));
    }

    void a_deactivation_after_a_measurement_writes_the_history()
    {
        const QUuid id = add(u"example.com"_s);
        open_window();
        measure(id);
        const QString history = QDir(folder_->path()).filePath(u"measurement_history.json"_s);
        const auto saved_count = [&]() -> qsizetype {
            QFile file(history);
            if (!file.open(QIODevice::ReadOnly))
                return -1;
            const auto decoded = HistoryJson::decode(file.readAll());
            return decoded ? decoded->value(key(id)).size() : -1;
        };
        QVERIFY(saved_count() <= 0);
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QCOMPARE(saved_count(), 1);
    }

    void the_scroll_bar_shows_only_while_the_pointer_is_over_the_sidebar()
    {
        for (int i = 0; i < 40; ++i)
            add(u"site%1.example"_s.arg(i));
        open_window();
        QTRY_VERIFY(window().sidebar().list().verticalScrollBar()->maximum() > 0);
        SidebarView& sidebar = window().sidebar();
        QVERIFY(!sidebar.is_scroll_bar_shown());
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(&sidebar, &enter);
        QVERIFY(sidebar.is_scroll_bar_shown());
        // The list keeps its width: the bar lies over it.
        QCOMPARE(sidebar.list().viewport()->width(), sidebar.list().width());
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&sidebar, &leave);
        QVERIFY(!sidebar.is_scroll_bar_shown());
    }

    void the_window_remembers_its_size_and_splitter()
    {
        open_window();
        auto* splitter = find<QSplitter>(window(), "window_splitter");
        window().resize(1300, 800);
        QTRY_COMPARE(window().size(), QSize(1300, 800));
        splitter->setSizes({400, 900});
        const int sidebar_width = splitter->sizes().first();
        window().close();
        window_ = std::make_unique<MainWindow>(*store_, *dialogs_, services_->clock);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QCOMPARE(window().size(), QSize(1300, 800));
        QTRY_COMPARE(find<QSplitter>(window(), "window_splitter")->sizes().first(), sidebar_width);
    }

    void export_report_proposes_the_report_name()
    {
        add(u"example.com"_s);
        const QUuid archived = add(u"archived.example"_s);
        store().archive_domain(archived);
        open_window();
        QTest::mouseClick(find<QPushButton>(window(), "export_report_button"), Qt::LeftButton);
        QCOMPARE(dialogs().proposed_names.size(), 1);
        QVERIFY(dialogs().proposed_names[0].startsWith(u"Tessary Report "_s));
        QVERIFY(dialogs().errors.isEmpty());
    }

    void a_second_start_raises_the_first_window()
    {
        open_window();
        SingleInstance instance;
        QVERIFY(instance.listen(folder_->path()));
        connect(&instance, &SingleInstance::activation_requested, &window(),
                &MainWindow::bring_to_front);
        window().showMinimized();
        QTRY_VERIFY(window().isMinimized());

        auto answered = std::async(std::launch::async, [path = folder_->path() + u"/"_s] {
            return SingleInstance::activate_running_instance(path);
        });
        QTRY_VERIFY(answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(answered.get());
        QTRY_VERIFY(!window().isMinimized());

        QTemporaryDir other;
        QVERIFY(SingleInstance::server_name(other.path()) !=
                SingleInstance::server_name(folder_->path()));
        QVERIFY(!SingleInstance::activate_running_instance(other.path(), 200));
    }

    void a_held_data_folder_is_named_in_one_dialog_and_nothing_is_written()
    {
        // The test's store holds the folder, as `tessary monitor` would.
        const QStringList files_before = QDir(folder_->path()).entryList(QDir::Files);
        FakeUiDialogs startup_dialogs;
        const int code = WindowStartup::run(folder_->path(), startup_dialogs);
        QCOMPARE(code, 1);
        QCOMPARE(startup_dialogs.errors.size(), 1);
        QVERIFY2(startup_dialogs.errors[0].detail.contains(u"in use by test"_s),
                 qPrintable(startup_dialogs.errors[0].detail));
        QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), files_before);
    }
};

TESSARY_UI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
