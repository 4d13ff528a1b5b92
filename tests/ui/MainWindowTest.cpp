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

    void should_have_the_window_defaults()
    {
        open_window();
        QCOMPARE(window().windowTitle(), QStringLiteral("Tessary"));
        QCOMPARE(window().minimumSize(), QSize(1050, 650));
        QCOMPARE(menu_titles(window()),
                 (QStringList{QStringLiteral("&File"), QStringLiteral("Language"),
                              QStringLiteral("&Help")}));
        QCOMPARE(window().palette().color(QPalette::Highlight), QColor(3, 157, 128));
        auto* stack = find<QStackedWidget>(window(), "detail_stack");
        QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("empty_state"));
        QCOMPARE(find<QLabel>(window(), "empty_state_title")->text(),
                 QStringLiteral("No Domain Selected"));
        QVERIFY(find<QLabel>(window(), "footer_credit")
                    ->text()
                    .contains(QStringLiteral("utm_content=footer_credit")));
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
        QTest::keyClicks(url, QStringLiteral("   "));
        QVERIFY(!add_button->isEnabled());
        QTest::keyClick(url, Qt::Key_Return);
        QVERIFY(form->isVisible());
        QVERIFY(error->isHidden());

        url->clear();
        QTest::keyClicks(url, QStringLiteral("not a url"));
        QVERIFY(add_button->isEnabled());
        QTest::keyClick(url, Qt::Key_Return);
        QVERIFY(form->isVisible());
        QVERIFY(!error->isHidden());
        QCOMPARE(error->text(), QStringLiteral("Enter a valid domain or URL."));
        QCOMPARE(error->palette().color(QPalette::WindowText), QColor(255, 59, 48));

        url->clear();
        QTest::keyClicks(url, QStringLiteral("example.com"));
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
        QCOMPARE(added.user_agent, QStringLiteral("Tessarybot"));
        QVERIFY(!added.is_active);
        QVERIFY(added.notifies_on_anomalies);
        QTRY_COMPARE(row_host(added.id), QStringLiteral("example.com"));
    }

    void a_duplicate_is_refused_with_its_message()
    {
        add(QStringLiteral("example.com"));
        open_window();
        store().set_is_presenting_add_domain(true);
        QTRY_VERIFY(window().add_domain_dialog() != nullptr);
        AddDomainDialog* form = window().add_domain_dialog();
        QTest::keyClicks(find<QLineEdit>(*form, "url_field"), QStringLiteral("Example.com"));
        QTest::mouseClick(find<QPushButton>(*form, "add_button"), Qt::LeftButton);
        QCOMPARE(find<QLabel>(*form, "error_label")->text(),
                 QStringLiteral("This domain is already being monitored."));
        QVERIFY(form->isVisible());
    }

    void the_steppers_keep_their_ranges_and_steps()
    {
        AddDomainDialog form(store(), nullptr);
        auto* interval = find<QSpinBox>(form, "interval_spin_box");
        auto* lookback = find<QSpinBox>(form, "lookback_spin_box");
        QCOMPARE(interval->value(), 120);
        QCOMPARE(interval->text(), QStringLiteral("120 seconds"));
        QCOMPARE(lookback->text(), QStringLiteral("48 hours"));
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
        QCOMPARE(find<QSpinBox>(dutch, "interval_spin_box")->text(),
                 QStringLiteral("120 seconden"));
        QCOMPARE(find<QSpinBox>(dutch, "lookback_spin_box")->text(), QStringLiteral("48 uur"));
    }

    void suggestions_filter_as_typed_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty shows the first eight")
            << QString() << QStringList{QStringLiteral("a0.example"), QStringLiteral("a1.example"),
                                        QStringLiteral("a2.example"), QStringLiteral("a3.example"),
                                        QStringLiteral("a4.example"), QStringLiteral("a5.example"),
                                        QStringLiteral("a6.example"), QStringLiteral("a7.example")};
        QTest::newRow("part of a host, any case")
            << QStringLiteral("  A3.EX ") << QStringList{QStringLiteral("a3.example")};
        QTest::newRow("part of the path")
            << QStringLiteral("/shop") << QStringList{QStringLiteral("b.example")};
        QTest::newRow("no match") << QStringLiteral("zzz") << QStringList{};
    }

    void suggestions_filter_as_typed()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, expected);
        QList<DomainRestoreSuggestion> suggestions;
        for (int i = 0; i < 10; ++i) {
            DomainRestoreSuggestion suggestion;
            suggestion.url_string = QStringLiteral("https://a%1.example/").arg(i);
            suggestions.append(suggestion);
        }
        DomainRestoreSuggestion shop;
        shop.url_string = QStringLiteral("https://b.example/shop");
        suggestions.append(shop);
        QStringList hosts;
        for (const DomainRestoreSuggestion& s :
             AddDomainDialog::filtered_suggestions(suggestions, typed))
            hosts.append(QUrl(s.url_string).host());
        QCOMPARE(hosts, expected);
    }

    void choosing_a_suggestion_fills_the_form_without_adding()
    {
        const QUuid id = add(QStringLiteral("archived.example"));
        MonitoredDomain changed = store().domains().first();
        changed.interval_seconds = 600;
        changed.max_history_hours = 12;
        changed.user_agent = QStringLiteral("Agent/9");
        changed.notifies_on_anomalies = true;
        store().update_domain(changed);
        store().archive_domain(id);

        AddDomainDialog form(store(), nullptr);
        form.show();
        auto* section = find<QWidget>(form, "suggestions_section");
        QVERIFY(section->isVisible());
        auto* row = find<QPushButton>(form, "suggestion_row_0");
        QVERIFY(row != nullptr);
        QCOMPARE(find<QLabel>(*row, "suggestion_host")->text(), QStringLiteral("archived.example"));
        QTest::mouseClick(row, Qt::LeftButton);
        QCOMPARE(find<QLineEdit>(form, "url_field")->text(), changed.url_string);
        QCOMPARE(find<QSpinBox>(form, "interval_spin_box")->value(), 600);
        QCOMPARE(find<QSpinBox>(form, "lookback_spin_box")->value(), 12);
        QCOMPARE(find<UserAgentComboBox>(form, "user_agent_combo_box")->value(),
                 QStringLiteral("Agent/9"));
        QVERIFY(find<QCheckBox>(form, "notifications_check_box")->isChecked());
        QVERIFY(form.isVisible());
        QVERIFY(store().active_domains().isEmpty());

        QTest::keyClicks(find<QLineEdit>(form, "url_field"), QStringLiteral("zzz"));
        QVERIFY(section->isHidden());
    }

    void dutch_switches_every_text_and_moves_the_check_mark()
    {
        L10n::set_selected_language(AppLanguage::system);
        add(QStringLiteral("example.com"));
        open_window();
        auto* dutch = window().findChild<QAction*>(QStringLiteral("language_action_dutch"));
        auto* system = window().findChild<QAction*>(QStringLiteral("language_action_system"));
        QVERIFY(system->isChecked());
        const qsizetype domains_before = store().domains().size();
        dutch->trigger();

        QCOMPARE(L10n::selected_language(), AppLanguage::dutch);
        QTRY_COMPARE(menu_titles(window()),
                     (QStringList{QStringLiteral("&Bestand"), QStringLiteral("Taal"),
                                  QStringLiteral("&Help")}));
        dutch = window().findChild<QAction*>(QStringLiteral("language_action_dutch"));
        system = window().findChild<QAction*>(QStringLiteral("language_action_system"));
        QVERIFY(dutch->isChecked());
        QVERIFY(!system->isChecked());
        QCOMPARE(system->text(), QStringLiteral("Systeemtaal"));
        QCOMPARE(menu_titles(window()),
                 (QStringList{QStringLiteral("&Bestand"), QStringLiteral("Taal"),
                              QStringLiteral("&Help")}));
        QCOMPARE(window().findChild<QAction*>(QStringLiteral("add_domain_action"))->text(),
                 QStringLiteral("Domein toevoegen"));
        QCOMPARE(window().findChild<QAction*>(QStringLiteral("donation_action"))->text(),
                 QStringLiteral("Trakteer me op koffie"));
        QCOMPARE(find<QPushButton>(window(), "add_domain_button")->text(),
                 QStringLiteral("Domein toevoegen"));
        QCOMPARE(find<QPushButton>(window(), "export_report_button")->text(),
                 QStringLiteral("Rapport exporteren"));
        QCOMPARE(window().findChild<QAction*>(QStringLiteral("archive_all_action"))->text(),
                 QStringLiteral("Alles archiveren"));
        QVERIFY(find<QLabel>(window(), "footer_credit")
                    ->text()
                    .contains(QStringLiteral("Gemaakt door ")));
        QCOMPARE(store().domains().size(), domains_before);

        store().set_is_presenting_add_domain(true);
        QTRY_VERIFY(window().add_domain_dialog() != nullptr);
        QCOMPARE(find<QLabel>(*window().add_domain_dialog(), "add_domain_title")->text(),
                 QStringLiteral("Domein toevoegen"));
        window().add_domain_dialog()->reject();
        QTRY_VERIFY(window().add_domain_dialog() == nullptr);

        // Back to the system language (English in the tests' environment).
        system->trigger();
        QTRY_COMPARE(find<QPushButton>(window(), "add_domain_button")->text(),
                     QStringLiteral("Add Domain"));
        QVERIFY(
            window().findChild<QAction*>(QStringLiteral("language_action_system"))->isChecked());
    }

    void menu_enablement_follows_the_domains()
    {
        open_window();
        using E = SidebarView::Enablement;
        const auto state = [this] {
            return E{
                window().findChild<QAction*>(QStringLiteral("archive_all_action"))->isEnabled(),
                window()
                    .findChild<QAction*>(QStringLiteral("clear_measurements_action"))
                    ->isEnabled(),
                window()
                    .findChild<QAction*>(QStringLiteral("delete_everything_action"))
                    ->isEnabled(),
                find<QPushButton>(window(), "export_report_button")->isEnabled()};
        };
        QCOMPARE(state(), (E{false, false, false, false}));
        const QUuid id = add(QStringLiteral("example.com"));
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
        QTest::newRow("archive everything")
            << QStringLiteral("archive_all_action") << QStringLiteral("Archive everything?")
            << QStringLiteral("Archive Everything") << false;
        QTest::newRow("clear measurements") << QStringLiteral("clear_measurements_action")
                                            << QStringLiteral("Clear all measurements?")
                                            << QStringLiteral("Clear Measurements") << true;
        QTest::newRow("delete everything")
            << QStringLiteral("delete_everything_action") << QStringLiteral("Delete everything?")
            << QStringLiteral("Delete Everything") << true;
    }

    void each_confirmation_calls_its_operation_and_cancel_does_nothing()
    {
        QFETCH(QString, action);
        QFETCH(QString, title);
        QFETCH(QString, button);
        QFETCH(bool, destructive);
        const QUuid id = add(QStringLiteral("example.com"));
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
        if (action == QStringLiteral("archive_all_action")) {
            QVERIFY(store().active_domains().isEmpty());
            QCOMPARE(store().archived_domains().size(), 1);
            QCOMPARE(store().archived_domains().first().measurements.size(), 1);
        } else if (action == QStringLiteral("clear_measurements_action")) {
            QCOMPARE(store().domains().size(), 1);
            QVERIFY(store().domains().first().measurements.isEmpty());
        } else {
            QVERIFY(store().domains().isEmpty());
        }
        QTRY_COMPARE(model().rowCount(),
                     action == QStringLiteral("clear_measurements_action") ? 2 : 0);
    }

    void the_row_menu_pins_and_archives()
    {
        const QUuid id = add(QStringLiteral("example.com"));
        add(QStringLiteral("other.example"));
        open_window();
        QMenu* menu = window().sidebar().make_row_menu(id);
        auto* pin = menu->findChild<QAction*>(QStringLiteral("pin_action"));
        QCOMPARE(pin->text(), QStringLiteral("Pin"));
        pin->trigger();
        delete menu;
        QVERIFY(store().domains().first().is_pinned);
        menu = window().sidebar().make_row_menu(id);
        QCOMPARE(menu->findChild<QAction*>(QStringLiteral("pin_action"))->text(),
                 QStringLiteral("Unpin"));
        menu->findChild<QAction*>(QStringLiteral("archive_domain_action"))->trigger();
        delete menu;
        QVERIFY(dialogs().confirmations.isEmpty());
        QCOMPARE(store().active_domains().size(), 1);
        QTRY_VERIFY(!model().index_of(id).isValid());
    }

    void a_right_click_on_a_row_opens_its_menu()
    {
        const QUuid id = add(QStringLiteral("example.com"));
        open_window();
        QListView& list = window().sidebar().list();
        const QPoint at = list.visualRect(model().index_of(id)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list.viewport(), &event);
        QMenu* menu = window().sidebar().findChild<QMenu*>(QStringLiteral("row_menu"));
        QVERIFY(menu != nullptr);
        QTRY_VERIFY(menu->isVisible());
        menu->findChild<QAction*>(QStringLiteral("pin_action"))->trigger();
        menu->close();
        QVERIFY(store().domains().first().is_pinned);

        // A header row has no menu.
        const QPoint header = list.visualRect(model().index(0)).center();
        QTRY_VERIFY(window().sidebar().findChild<QMenu*>(QStringLiteral("row_menu")) == nullptr);
        QContextMenuEvent on_header(QContextMenuEvent::Mouse, header,
                                    list.viewport()->mapToGlobal(header));
        QCoreApplication::sendEvent(list.viewport(), &on_header);
        QVERIFY(window().sidebar().findChild<QMenu*>(QStringLiteral("row_menu")) == nullptr);
    }

    void the_detail_column_follows_the_selection()
    {
        const QUuid first = add(QStringLiteral("first.example"));
        const QUuid second = add(QStringLiteral("second.example"));
        open_window();
        auto* stack = find<QStackedWidget>(window(), "detail_stack");
        const auto detail_title = [&] {
            auto* title =
                stack->currentWidget()->findChild<QLabel*>(QStringLiteral("header_title"));
            return title == nullptr ? QString() : title->text();
        };
        // Adding selects the new domain.
        QCOMPARE(store().selected_domain_id(), std::optional<QUuid>(second));
        QCOMPARE(detail_title(), QStringLiteral("second.example"));

        QListView& list = window().sidebar().list();
        const QModelIndex index = model().index_of(first);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(index).center());
        QCOMPARE(store().selected_domain_id(), std::optional<QUuid>(first));
        QCOMPARE(detail_title(), QStringLiteral("first.example"));
        QCOMPARE(list.currentIndex(), model().index_of(first));

        // A selection made elsewhere (the command of another view) moves the list too.
        store().set_selected_domain_id(second);
        QCOMPARE(list.currentIndex(), model().index_of(second));
        QCOMPARE(detail_title(), QStringLiteral("second.example"));

        store().archive_domain(second);
        store().archive_domain(first);
        QCOMPARE(stack->currentWidget()->objectName(), QStringLiteral("empty_state"));
    }

    void a_measurement_updates_only_its_row()
    {
        const QUuid first = add(QStringLiteral("first.example"));
        const QUuid second = add(QStringLiteral("second.example"));
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
                 qPrintable(QStringLiteral("painted %1 px high, the row is %2 px high")
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
        const QUuid id = add(QStringLiteral("example.com"));
        open_window();
        measure(id);
        const QString history =
            QDir(folder_->path()).filePath(QStringLiteral("measurement_history.json"));
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

    void the_footer_credit_opens_the_product_page()
    {
        open_window();
        auto* footer = find<QLabel>(window(), "footer_credit");
        QVERIFY(footer->text().contains(QStringLiteral("Created by ")));
        const QString link = footer->text()
                                 .section(QStringLiteral("href=\""), 1)
                                 .section(u'"', 0, 0)
                                 .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        Q_EMIT footer->linkActivated(link);
        QCOMPARE(dialogs().opened_urls.size(), 1);
        const QUrlQuery query(dialogs().opened_urls[0]);
        QCOMPARE(query.queryItemValue(QStringLiteral("utm_source")), QStringLiteral("tessary_app"));
        QCOMPARE(query.queryItemValue(QStringLiteral("utm_medium")), QStringLiteral("desktop_app"));
        QCOMPARE(query.queryItemValue(QStringLiteral("utm_campaign")), QStringLiteral("tessary"));
        QCOMPARE(query.queryItemValue(QStringLiteral("utm_content")),
                 QStringLiteral("footer_credit"));
    }

    void the_scroll_bar_shows_only_while_the_pointer_is_over_the_sidebar()
    {
        for (int i = 0; i < 40; ++i)
            add(QStringLiteral("site%1.example").arg(i));
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

    void the_help_menu_opens_the_donation_page_and_about()
    {
        open_window();
        window().findChild<QAction*>(QStringLiteral("donation_action"))->trigger();
        QCOMPARE(dialogs().opened_urls.size(), 1);
        QCOMPARE(dialogs().opened_urls[0].scheme(), QStringLiteral("https"));
        window().findChild<QAction*>(QStringLiteral("about_action"))->trigger();
        QCOMPARE(dialogs().informations.size(), 1);
        QVERIFY(dialogs().informations[0].contains(QStringLiteral("Tessary 0.")));
    }

    void export_report_proposes_the_report_name()
    {
        add(QStringLiteral("example.com"));
        const QUuid archived = add(QStringLiteral("archived.example"));
        store().archive_domain(archived);
        open_window();
        QTest::mouseClick(find<QPushButton>(window(), "export_report_button"), Qt::LeftButton);
        QCOMPARE(dialogs().proposed_names.size(), 1);
        QVERIFY(dialogs().proposed_names[0].startsWith(QStringLiteral("Tessary Report ")));
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

        auto answered =
            std::async(std::launch::async, [path = folder_->path() + QStringLiteral("/")] {
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
        QVERIFY2(startup_dialogs.errors[0].detail.contains(QStringLiteral("in use by test")),
                 qPrintable(startup_dialogs.errors[0].detail));
        QCOMPARE(QDir(folder_->path()).entryList(QDir::Files), files_before);
    }
};

TESSARY_UI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
