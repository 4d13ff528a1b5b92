#include "ui/MainWindow.h"

#include "FakeUiDialogs.h"
#include "StoreTestEnvironment.h"
#include "UiTestMain.h"
#include "i18n/L10n.h"
#include "store/StoreLoader.h"
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
#include <QPaintEvent>
#include <QPushButton>
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

    QUuid add(const QString& url, bool active = true)
    {
        if (store_->add_domain(url, 60, 1, QString(), active, false))
            return {};
        return *store_->selected_domain_id(); // adding selects it
    }

    // One measurement of `id`, finished now.
    void measure(const QUuid& id)
    {
        store_->measure_now(id);
        services_->clock.advance_by(0);
        while (services_->measurements.pending_count() > 0)
            services_->measurements.complete_with(0.25);
    }

    SidebarModel& model() { return window_->sidebar().model(); }
    QAction* action(const QString& name) { return window_->findChild<QAction*>(name); }

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
        QCOMPARE(find<QStackedWidget>(window(), "detail_stack")->currentWidget()->objectName(),
                 u"empty_state"_s);
        auto* footer = find<QLabel>(window(), "footer_credit");
        const QString link =
            footer->text().section(u"href=\""_s, 1).section(u'"', 0, 0).replace(u"&amp;"_s, u"&"_s);
        Q_EMIT footer->linkActivated(link);
        QCOMPARE(dialogs().opened_urls.size(), 1);
        const QUrlQuery query(dialogs().opened_urls[0]);
        QCOMPARE(query.queryItemValue(u"utm_source"_s), u"tessary_app"_s);
        QCOMPARE(query.queryItemValue(u"utm_content"_s), u"footer_credit"_s);
        action(u"about_action"_s)->trigger();
        QCOMPARE(dialogs().informations.size(), 1);
        QVERIFY(dialogs().informations[0].contains(u"Tessary 0."_s));
    }

    void the_add_form_opens_closes_and_adds_once_the_text_is_valid()
    {
        open_window();
        QTest::keyClick(&window(), Qt::Key_N, Qt::ControlModifier);
        QTRY_VERIFY(window().add_domain_dialog() != nullptr &&
                    window().add_domain_dialog()->isVisible());
        QTest::keyClick(find<QLineEdit>(*window().add_domain_dialog(), "url_field"),
                        Qt::Key_Escape);
        QTRY_VERIFY(!store().is_presenting_add_domain());
        QTRY_VERIFY(window().add_domain_dialog() == nullptr);

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
        QCOMPARE(error->isHidden() ? QString() : error->text(), u"Enter a valid domain or URL."_s);

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
        QVERIFY(!added.is_active);
        QVERIFY(added.notifies_on_anomalies);
        QTRY_COMPARE(model().index_of(added.id).data().toString(), u"example.com"_s);
    }

    void suggestions_filter_as_typed()
    {
        QList<DomainRestoreSuggestion> suggestions(10);
        for (int i = 0; i < 10; ++i)
            suggestions[i].url_string = u"https://a%1.example/"_s.arg(i);
        suggestions[9].url_string = u"https://b.example/shop"_s;
        const auto hosts = [&](const QString& typed) {
            QStringList found;
            for (const DomainRestoreSuggestion& s :
                 AddDomainDialog::filtered_suggestions(suggestions, typed))
                found.append(QUrl(s.url_string).host());
            return found;
        };
        QCOMPARE(hosts(QString()).size(), 8); // at most eight
        QCOMPARE(hosts(QString()).first(), u"a0.example"_s);
        QCOMPARE(hosts(u"  A3.EX "_s), QStringList{u"a3.example"_s}); // part of a host, any case
        QCOMPARE(hosts(u"/shop"_s), QStringList{u"b.example"_s});     // part of the path
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
        QTest::mouseClick(find<QPushButton>(form, "suggestion_row_0"), Qt::LeftButton);
        QCOMPARE(find<QLineEdit>(form, "url_field")->text(), changed.url_string);
        QCOMPARE(find<QSpinBox>(form, "interval_spin_box")->value(), 600);
        QCOMPARE(find<QSpinBox>(form, "lookback_spin_box")->value(), 12);
        QCOMPARE(find<UserAgentComboBox>(form, "user_agent_combo_box")->value(), u"Agent/9"_s);
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
        dutch->trigger();

        QCOMPARE(L10n::selected_language(), AppLanguage::dutch);
        QTRY_COMPARE(window().menuBar()->actions().first()->text(), u"&Bestand"_s);
        dutch = action(u"language_action_dutch"_s);
        system = action(u"language_action_system"_s);
        QVERIFY(dutch->isChecked());
        QVERIFY(!system->isChecked());
        QCOMPARE(find<QPushButton>(window(), "add_domain_button")->text(), u"Domein toevoegen"_s);
        QCOMPARE(find<QPushButton>(window(), "measure_now_button")->text(), u"Nu meten"_s);

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
        QTest::mouseClick(find<QPushButton>(window(), "export_report_button"), Qt::LeftButton);
        QCOMPARE(dialogs().proposed_names.size(), 1);
        QVERIFY(dialogs().proposed_names[0].startsWith(u"Tessary Report "_s));
        store().archive_domain(id);
        QCOMPARE(state(), (E{false, false, false, false}));
    }

    // What is left of one active domain with one measurement: active and all
    // domains, and measurements kept.
    void each_confirmation_calls_its_operation_and_cancel_does_nothing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("destructive");
        QTest::addColumn<QList<int>>("left");
        QTest::newRow("archive everything")
            << u"archive_all_action"_s << u"Archive everything?"_s << false << QList<int>{0, 1, 1};
        QTest::newRow("clear measurements")
            << u"clear_measurements_action"_s << u"Clear all measurements?"_s << true
            << QList<int>{1, 1, 0};
        QTest::newRow("delete everything")
            << u"delete_everything_action"_s << u"Delete everything?"_s << true
            << QList<int>{0, 0, 0};
    }
    void each_confirmation_calls_its_operation_and_cancel_does_nothing()
    {
        QFETCH(QString, action);
        QFETCH(QString, title);
        QFETCH(bool, destructive);
        QFETCH(QList<int>, left);
        measure(add(u"example.com"_s));
        open_window();
        const auto remaining = [this] {
            int measurements = 0;
            for (const MonitoredDomain& domain : store().domains())
                measurements += int(domain.measurements.size());
            return QList<int>{int(store().active_domains().size()), int(store().domains().size()),
                              measurements};
        };
        dialogs().confirm_answers = {false, true};
        this->action(action)->trigger();
        QCOMPARE(dialogs().confirmations.size(), 1);
        QCOMPARE(dialogs().confirmations[0].title, title);
        QCOMPARE(dialogs().confirmations[0].destructive, destructive);
        QCOMPARE(remaining(), (QList<int>{1, 1, 1}));
        this->action(action)->trigger();
        QCOMPARE(remaining(), left);
        QTRY_COMPARE(model().rowCount(), 2 * left[0]); // a group header and the row
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

        // A notification's click selects its domain, unless it has been archived.
        window().show_domain(first);
        QCOMPARE(list.currentIndex(), model().index_of(first));
        store().archive_domain(second);
        window().show_domain(second);
        QCOMPARE(store().selected_domain_id(), std::optional<QUuid>(first));
        store().archive_domain(first);
        QCOMPARE(stack->currentWidget()->objectName(), u"empty_state"_s);
    }

    // A change of one domain updates and repaints its row alone; only a change
    // of the groups (a pin) rebuilds the list.
    void a_change_of_one_domain_updates_only_its_row_data()
    {
        QTest::addColumn<QString>("change");
        for (const char* change : {"measurement", "interval", "measuring", "pin"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }
    void a_change_of_one_domain_updates_only_its_row()
    {
        QFETCH(QString, change);
        const QUuid first = add(u"first.example"_s, false);
        const QUuid second = add(u"second.example"_s, false);
        open_window();
        QCoreApplication::processEvents();
        const int resets = model().reset_count();
        QSignalSpy changed(&model(), &QAbstractItemModel::dataChanged);
        QListView& list = window().sidebar().list();
        PaintedArea painted;
        list.viewport()->installEventFilter(&painted);
        DomainSettings settings = store().domain_with_id(second)->settings();
        settings.interval_seconds = 300;
        DomainMeasurement measurement;
        measurement.id = QUuid::createUuid();
        measurement.measured_at = services_->clock.now();
        measurement.http_status = 200;
        if (change == u"measurement"_s)
            store().record_measurement(second, measurement);
        else if (change == u"interval"_s)
            store().update_domain(second, settings);
        else if (change == u"measuring"_s)
            store().measure_now(second);
        else
            store().toggle_pin(second);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const int row = model().row_of(second).value();
        if (change == u"pin"_s) {
            QCOMPARE(model().reset_count(), resets + 1);
            QVERIFY(model().is_header(0));
            QCOMPARE(row, 1);
            return;
        }
        QCOMPARE(model().reset_count(), resets);
        QVERIFY(!changed.isEmpty());
        for (const QList<QVariant>& signal : changed)
            QCOMPARE(signal.at(0).toModelIndex().row(), row);
        const MonitoredDomain& shown = *model().domain_at(row);
        QCOMPARE(shown.measurements.size(), change == u"measurement"_s ? 1 : 0);
        QCOMPARE(shown.interval_seconds, change == u"interval"_s ? 300 : 60);
        QCOMPARE(model().is_running(row), change == u"measuring"_s);
        QVERIFY(model().domain_at(*model().row_of(first))->measurements.isEmpty());
        QTRY_VERIFY(!painted.region.isEmpty());
        const QRect bounds = list.visualRect(model().index(row));
        QVERIFY2(bounds.contains(painted.region.boundingRect()),
                 qPrintable(u"painted %1 px high, the row is %2 px high"_s
                                .arg(painted.region.boundingRect().height())
                                .arg(bounds.height())));
    }

    void a_deactivation_after_a_measurement_writes_the_history()
    {
        const QUuid id = add(u"example.com"_s);
        open_window();
        measure(id);
        const auto saved_count = [&]() -> qsizetype {
            const LoadedStore saved = StoreLoader::load(StoreFiles::in(folder_->path()));
            return saved.domains.isEmpty() ? -1 : saved.domains.first().measurements.size();
        };
        QVERIFY(saved_count() <= 0);
        Q_EMIT qApp->applicationStateChanged(Qt::ApplicationInactive);
        QTRY_COMPARE(saved_count(), 1);
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
        open_window();
        QCOMPARE(window().size(), QSize(1300, 800));
        QTRY_COMPARE(find<QSplitter>(window(), "window_splitter")->sizes().first(), sidebar_width);
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
