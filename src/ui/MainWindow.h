#pragma once

#include "model/MonitoredDomain.h"
#include "ui/AddDomainDialog.h"

#include <QMainWindow>
#include <QPointer>
#include <QUuid>

#include <memory>
#include <optional>

class Clock;
class QAction;
class QSplitter;
class QStackedWidget;
class ScheduledCall;
class SidebarView;
class TessaryStore;
class UiDialogs;

// Tessary's one window: the menus, the sidebar and the detail column. It reads
// the store and calls its operations; choosing a language rebuilds its content.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(TessaryStore& store, UiDialogs& dialogs, Clock& clock, QWidget* parent = nullptr);
    ~MainWindow() override;

    static constexpr int minimum_width = 1050;
    static constexpr int minimum_height = 650;

    SidebarView& sidebar() const { return *sidebar_; }
    // The add-domain form while it is open.
    AddDomainDialog* add_domain_dialog() const { return add_domain_dialog_; }

    // The detail column's content for the selected domain. The one place that
    // decides what the right column shows for a domain.
    QWidget* make_detail_view(const MonitoredDomain& domain);

    // Shows, un-minimises and activates the window (a second start of Tessary).
    void bring_to_front();
    // Selects the domain, unless it was archived or removed meanwhile, and brings
    // the window to the front (a click on a notification about it).
    void show_domain(const QUuid& domain_id);

    // Rebuilds the menus and the whole content in the current language.
    void rebuild();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build_menus();
    void build_content();
    QWidget* make_empty_state();
    QWidget* make_footer();
    void update_detail();
    void update_add_domain_form();
    void choose_language(int language_index);
    void show_about();
    // The File menu's "Start at Login": writes or removes the autostart entry;
    // `item` shows what is on disk when that fails.
    void set_start_at_login(QAction& item, bool enabled);
    void save_window_state();
    void schedule_time_refresh();

    TessaryStore& store_;
    UiDialogs& dialogs_;
    Clock& clock_;
    SidebarView* sidebar_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QStackedWidget* detail_stack_ = nullptr;
    QWidget* empty_state_ = nullptr;
    QWidget* detail_view_ = nullptr;
    std::optional<QUuid> detail_domain_id_;
    QAction* measure_now_action_ = nullptr;
    QAction* export_action_ = nullptr;
    QPointer<AddDomainDialog> add_domain_dialog_;
    std::unique_ptr<ScheduledCall> time_refresh_;
};
