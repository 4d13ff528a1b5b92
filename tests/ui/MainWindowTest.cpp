#include "ui/MainWindow.h"

#include "FakeUiDialogs.h"
#include "StoreTestEnvironment.h"
#include "UiTestMain.h"
#include "detail/DetailTestSupport.h"
#include "i18n/L10n.h"
#include "store/StoreLoader.h"
#include "ui/AddDomainDialog.h"
#include "ui/AutostartEntry.h"
#include "ui/QtUiDialogs.h"
#include "ui/SidebarModel.h"
#include "ui/SidebarView.h"
#include "ui/ToggleSwitch.h"
#include "ui/UserAgentComboBox.h"
#include "ui/WindowStartup.h"
#include "ui/WindowTray.h"
#include "ui/detail/DomainDetailView.h"
#include "ui/detail/SummaryCard.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrlQuery>

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

// The controls in `node`'s tree that a screen reader would announce without a
// name ("button"), each as its role and where it is.
QStringList unnamed_controls(QAccessibleInterface* node, const QString& where = QString())
{
    using A = QAccessible;
    static const QList<A::Role> controls = {
        A::PushButton, A::CheckBox, A::RadioButton, A::ComboBox, A::EditableText, A::SpinBox,
        A::ButtonMenu, A::Link,     A::List,        A::Table,    A::ListItem,     A::Cell};
    if (node == nullptr || node->state().invisible)
        return {};
    const QString here = node->object() != nullptr && !node->object()->objectName().isEmpty()
                             ? node->object()->objectName()
                             : where;
    QStringList unnamed;
    if ((node->state().focusable || controls.contains(node->role())) &&
        node->text(A::Name).trimmed().isEmpty())
        unnamed.append(u"role %1 in %2"_s.arg(int(node->role())).arg(here));
    for (int i = 0; i < node->childCount(); ++i)
        unnamed += unnamed_controls(node->child(i), here);
    return unnamed;
}

// The named widget that has the keyboard focus (or holds the one that has).
QString focused_name()
{
    QWidget* widget = QApplication::focusWidget();
    while (widget != nullptr &&
           (widget->objectName().isEmpty() || widget->objectName().startsWith(u"qt_"_s)))
        widget = widget->parentWidget();
    return widget != nullptr ? widget->objectName() : QString();
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

    // `count` plain measurements of `id`, a minute apart up to now.
    void record(const QUuid& id, int count)
    {
        for (int i = count; i > 0; --i)
            store_->record_measurement(id, make_measurement(services_->clock.now().addSecs(-60 * i),
                                                            {.total_time = 0.25}));
    }

    SidebarModel& model() { return window_->sidebar().model(); }
    DomainDetailView& detail() { return *window_->findChild<DomainDetailView*>(); }
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
        QApplication::setQuitOnLastWindowClosed(true); // a tray test may have turned it off
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
        QCOMPARE(QAccessible::queryAccessibleInterface(url)->text(QAccessible::Description),
                 error->text());

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

    // Qt's own texts ("Cancel") follow the language too.
    void dutch_switches_every_text_and_moves_the_check_mark()
    {
        L10n::set_selected_language(AppLanguage::system);
        add(u"example.com"_s);
        open_window();
        const auto checked = [this](const QString& choice) {
            return !action(u"language_action_"_s + choice)->icon().isNull();
        };
        const auto cancel_text = [this] {
            const auto box = QtUiDialogs::confirmation_box(
                &window(), SidebarView::delete_everything_confirmation());
            return box->button(QMessageBox::Cancel)->text();
        };
        QVERIFY(checked(u"system"_s) && !checked(u"english"_s) && !checked(u"dutch"_s));
        QCOMPARE(cancel_text(), u"Cancel"_s);
        action(u"language_action_dutch"_s)->trigger();

        QCOMPARE(L10n::selected_language(), AppLanguage::dutch);
        QTRY_COMPARE(window().menuBar()->actions().first()->text(), u"&Bestand"_s);
        QVERIFY(checked(u"dutch"_s) && !checked(u"system"_s));
        QCOMPARE(find<QPushButton>(window(), "add_domain_button")->text(), u"Domein toevoegen"_s);
        QCOMPARE(find<QPushButton>(window(), "measure_now_button")->text(), u"Nu meten"_s);
        QCOMPARE(cancel_text(), u"Annuleren"_s);

        store().set_is_presenting_add_domain(true);
        QTRY_VERIFY(window().add_domain_dialog() != nullptr);
        QCOMPARE(find<QLabel>(*window().add_domain_dialog(), "add_domain_title")->text(),
                 u"Domein toevoegen"_s);
        window().add_domain_dialog()->reject();
        QTRY_VERIFY(window().add_domain_dialog() == nullptr);

        // Back to the system language (English in the tests' environment).
        action(u"language_action_system"_s)->trigger();
        QTRY_COMPARE(find<QPushButton>(window(), "add_domain_button")->text(), u"Add Domain"_s);
        QVERIFY(checked(u"system"_s));
        QCOMPARE(cancel_text(), u"Cancel"_s);
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
        // What cannot be undone is marked alike in the sidebar's and the header's menus.
        for (const QString& name : {u"clear_measurements_action"_s, u"delete_everything_action"_s,
                                    u"clear_history_action"_s, u"delete_action"_s})
            QVERIFY2(action(name)->property("destructive").toBool(), qPrintable(name));
        QVERIFY(!action(u"archive_all_action"_s)->property("destructive").toBool());
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

    // What a screen reader finds in the window's main states: every control named.
    void every_control_has_a_name_data()
    {
        QTest::addColumn<QString>("state");
        for (const char* state : {"empty", "populated", "full history", "disturbances", "add form"})
            QTest::newRow(state) << QString::fromLatin1(state);
    }
    void every_control_has_a_name()
    {
        QFETCH(QString, state);
        if (state != u"empty"_s) {
            store().archive_domain(add(u"archived.example"_s, false)); // a restore suggestion
            store().toggle_pin(add(u"pinned.example"_s, false));
            record(add(u"example.com"_s, false), 150);
        }
        open_window();
        QWidget* root = &window();
        if (state == u"full history"_s)
            detail().set_shows_full_table(true);
        if (state == u"disturbances"_s)
            detail().set_shows_disturbances(true);
        if (state == u"add form"_s) {
            store().set_is_presenting_add_domain(true);
            QTRY_VERIFY(window().add_domain_dialog() != nullptr);
            root = window().add_domain_dialog();
            QVERIFY(find<QWidget>(*root, "suggestions_section")->isVisible());
        }
        QCoreApplication::processEvents();
        const QStringList unnamed = unnamed_controls(QAccessible::queryAccessibleInterface(root));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", "_s)));
    }

    // Tab goes through the window in reading order and never gets caught in a table.
    void tab_follows_the_reading_order()
    {
        record(add(u"example.com"_s, false), 3);
        open_window();
        find<QPushButton>(window(), "add_domain_button")->setFocus();
        QStringList visited{focused_name()};
        do {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(focused_name());
        } while (visited.last() != visited.first() && visited.size() < 40);
        QCOMPARE(visited.join(u' '),
                 u"add_domain_button sidebar_menu_button domain_list export_report_button "
                 u"measure_now_button export_button more_button url_field interval_stepper "
                 u"lookback_stepper user_agent_combo_box active_switch notifications_switch "
                 u"summary_card_action history_filter_button compact_table total_time_chart "
                 u"add_domain_button"_s);
    }

    // Up and Down move between domains only; the Menu key and Shift+F10 open the
    // current row's menu. A row reads its state to a screen reader.
    void arrows_skip_group_headers_and_menu_keys_open_the_row_menu()
    {
        const QUuid pinned = add(u"pinned.example"_s, false);
        const QUuid other = add(u"example.com"_s, false);
        record(other, 2);
        store().toggle_pin(pinned); // a group of its own: header, pinned, header, other
        open_window();
        QTRY_COMPARE(model().rowCount(), 4);
        QListView& list = window().sidebar().list();
        list.setFocus();
        const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
            QTest::keyClick(&list, key, modifiers);
            return *store().selected_domain_id();
        };
        QCOMPARE(press(Qt::Key_Up), pinned);
        QCOMPARE(press(Qt::Key_Up), pinned); // nothing but a header above
        QCOMPARE(list.currentIndex(), model().index_of(pinned));
        QCOMPARE(press(Qt::Key_Down), other);
        for (const auto& [key, modifiers] :
             {std::pair(Qt::Key_Menu, Qt::NoModifier), std::pair(Qt::Key_F10, Qt::ShiftModifier)}) {
            press(key, modifiers);
            QPointer<QMenu> menu = window().sidebar().findChild<QMenu*>(u"row_menu"_s);
            QTRY_VERIFY(menu != nullptr && menu->isVisible());
            QCOMPARE(menu->findChild<QAction*>(u"pin_action"_s)->text(), u"Pin"_s);
            menu->close();
            QTRY_VERIFY(menu == nullptr);
        }
        QAccessibleInterface* row =
            QAccessible::queryAccessibleInterface(&list)->tableInterface()->cellAt(
                *model().row_of(other), 0);
        QCOMPARE(row->text(QAccessible::Name),
                 u"example.com, inactive, 250 ms, average 250 ms, 0 disturbances"_s);
        QCOMPARE(row->text(QAccessible::Description),
                 u"Heartbeat: last 1 hour: 2 measurements over < 1 hour, highest 250 ms, "
                 u"0 outages, 0 disturbances"_s);
    }

    // Ctrl+R measures and Ctrl+E opens the export menu, as their tooltips say;
    // Escape and Alt+Left leave a sub-page for the control that opened it.
    void shortcuts_measure_export_and_leave_sub_pages()
    {
        add(u"example.com"_s, false);
        open_window();
        QCOMPARE(find<QPushButton>(window(), "measure_now_button")->toolTip(),
                 u"Measure Now (Ctrl+R)"_s);
        QCOMPARE(find<QToolButton>(window(), "export_button")->toolTip(),
                 u"Export domain history (Ctrl+E)"_s);
        QTest::keyClick(&window(), Qt::Key_R, Qt::ControlModifier);
        services_->clock.advance_by(0);
        QCOMPARE(services_->measurements.pending_count(), std::size_t(1));
        services_->measurements.complete_with(0.25);
        QTest::keyClick(&window(), Qt::Key_E, Qt::ControlModifier);
        auto* export_menu = find<QMenu>(window(), "export_menu");
        QTRY_VERIFY(export_menu->isVisible());
        export_menu->close();

        auto* open = find<SummaryCard>(window(), "summary_card_longest_disturbance")
                         ->findChild<QToolButton*>(u"summary_card_action"_s);
        for (const auto& [key, modifiers] : {std::pair(Qt::Key_Escape, Qt::NoModifier),
                                             std::pair(Qt::Key_Left, Qt::AltModifier)}) {
            open->setFocus();
            QTest::keyClick(open, Qt::Key_Space);
            QVERIFY(find<QWidget>(window(), "disturbances_page")->isVisible());
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
            QVERIFY(find<QWidget>(window(), "main_page")->isVisible());
            QCOMPARE(QApplication::focusWidget(), open);
        }
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

    void the_tray_counts_the_active_domains_by_their_latest_measurement()
    {
        // The latest total time of each domain; negative: failed; zero: none yet.
        const auto domain = [](double latest, bool active = true, bool archived = false) {
            MonitoredDomain d;
            d.is_active = active;
            d.is_archived = archived;
            if (latest != 0) {
                DomainMeasurement& m = d.measurements.emplace_back();
                m.id = QUuid::createUuid();
                m.total_time = std::abs(latest);
                m.http_status = latest > 0 ? std::optional(200) : std::nullopt;
                m.error_message = latest > 0 ? std::nullopt : std::optional(u"refused"_s);
            }
            d.refresh_statistics();
            return d;
        };
        using Level = TrayState::Level;
        const struct {
            QList<MonitoredDomain> domains;
            TrayState counted;
            Level worst;
        } cases[] = {
            {{domain(0.2), domain(0)}, {2, 1, 0, 0}, Level::fine},
            {{domain(0.2), domain(2.0)}, {2, 1, 1, 0}, Level::disturbed},
            {{domain(2.0), domain(-1), domain(-1, false), domain(-1, true, true)},
             {2, 0, 1, 1},
             Level::down},
        };
        for (const auto& [domains, counted, worst] : cases) {
            QVERIFY(TrayState::of(domains) == counted);
            QCOMPARE(counted.worst(), worst);
        }
        L10n::set_selected_language(AppLanguage::dutch);
        QCOMPARE(cases[2].counted.tooltip(),
                 u"Tessary \u00B7 2 domeinen: 0 in orde, 1 verstoord, 1 onbereikbaar"_s);
    }

    void closing_the_window_hides_it_into_a_tray_or_quits_without_one()
    {
        for (const bool tray_available : {false, true}) {
            open_window();
            WindowTray tray(window(), store(), tray_available);
            QCOMPARE(tray.is_available(), tray_available);
            // Closing the last window quits only without a tray.
            QCOMPARE(QGuiApplication::quitOnLastWindowClosed(), !tray_available);
        }
        WindowTray tray(window(), store(), true);
        measure(add(u"up.example"_s));
        QVERIFY(tray.icon()->toolTip().endsWith(u"1 domain: 1 fine, 0 disturbed, 0 down"_s));
        window().close();
        QVERIFY(!window().isVisible());
        tray.icon()->contextMenu()->findChild<QAction*>(u"tray_show_action"_s)->trigger();
        QVERIFY(window().isVisible());
    }

    void start_at_login_writes_and_removes_the_autostart_entry()
    {
        open_window();
        QAction* login = action(u"start_at_login_action"_s);
        QVERIFY(!login->isChecked());
        login->trigger();
        QCOMPARE(AutostartEntry::path(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + u"/autostart/tessary.desktop"_s);
        QFile entry(AutostartEntry::path());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains("\nExec=" + QFile::encodeName(AutostartEntry::program()) +
                                         " --hidden\n"));
        login->trigger();
        QVERIFY(!QFile::exists(AutostartEntry::path()));
    }

    void a_held_data_folder_is_named_in_one_dialog_and_nothing_is_written()
    {
        // The test's store holds the folder, as `tessary monitor` would.
        const QStringList files_before = QDir(folder_->path()).entryList(QDir::Files);
        FakeUiDialogs startup_dialogs;
        const WindowStartup::Opened opened =
            WindowStartup::open(folder_->path(), false, startup_dialogs);
        QVERIFY(!opened.store);
        QCOMPARE(opened.exit_code, 1);
        QCOMPARE(startup_dialogs.errors.size(), 1);
        QVERIFY2(startup_dialogs.errors[0].detail.contains(u"in use by test"_s),
                 qPrintable(startup_dialogs.errors[0].detail));
        QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), files_before);
    }
};

TESSARY_UI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
