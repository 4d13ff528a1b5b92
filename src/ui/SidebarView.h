#pragma once

#include "ui/UiDialogs.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <functional>

class QAction;
class QListView;
class QMenu;
class QPushButton;
class QScrollBar;
class QToolButton;
class SidebarDelegate;
class SidebarModel;
class TessaryStore;

// The window's left column: the "Add Domain" button and the overflow menu, the
// domains grouped by hosting provider, and "Export Report".
class SidebarView final : public QWidget {
    Q_OBJECT

public:
    using Now = std::function<QDateTime()>;

    SidebarView(TessaryStore& store, UiDialogs& dialogs, Now now, QWidget* parent = nullptr);

    SidebarModel& model() const { return *model_; }
    QListView& list() const { return *list_; }

    // Whether the actions that need domains are available (also what the menus show).
    struct Enablement {
        bool archive_all = false;
        bool clear_measurements = false;
        bool delete_everything = false;
        bool export_report = false;
        bool operator==(const Enablement&) const = default;
    };
    static Enablement enablement(const TessaryStore& store);

    // The three confirmations of the overflow menu.
    static UiDialogs::Confirmation archive_all_confirmation();
    static UiDialogs::Confirmation clear_measurements_confirmation();
    static UiDialogs::Confirmation delete_everything_confirmation();

    // The row menu of a domain: Pin or Unpin, and Archive Domain.
    QMenu* make_row_menu(const QUuid& domain_id);

    // Whether the overlay scroll bar shows (only while the pointer is over the
    // sidebar and the list is taller than its view).
    bool is_scroll_bar_shown() const;

    // Redraws the time-dependent parts (durations, heartbeats).
    void refresh_time();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update_enablement();
    void select_store_selection();
    void confirm_archive_all();
    void confirm_clear_measurements();
    void confirm_delete_everything();
    void export_report();
    void show_row_menu(const QModelIndex& row, const QPoint& global_position);
    void set_scroll_bar_visible(bool visible);

    TessaryStore& store_;
    UiDialogs& dialogs_;
    SidebarModel* model_ = nullptr;
    SidebarDelegate* delegate_ = nullptr;
    QListView* list_ = nullptr;
    QPushButton* add_button_ = nullptr;
    QToolButton* menu_button_ = nullptr;
    QAction* archive_all_action_ = nullptr;
    QAction* clear_measurements_action_ = nullptr;
    QAction* delete_everything_action_ = nullptr;
    QPushButton* export_button_ = nullptr;
    QScrollBar* overlay_scroll_bar_ = nullptr;
    QPointer<QMenu> open_row_menu_;
    bool hovering_ = false;
    bool selecting_ = false;
};
