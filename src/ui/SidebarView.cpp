#include "ui/SidebarView.h"

#include "i18n/L10n.h"
#include "store/TessaryStore.h"
#include "ui/AppIcons.h"
#include "ui/Divider.h"
#include "ui/ExportFlow.h"
#include "ui/SidebarDelegate.h"
#include "ui/SidebarModel.h"
#include "ui/UiDialogs.h"
#include "ui/detail/SymbolIcons.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The domain list. A row's height follows only from its kind (header or domain),
// which a change of its data never alters, so a changed row is repainted without
// the relayout of every row that QListView does for items of varying sizes.
// The keyboard moves between domain rows only, and opens the current row's menu.
class SidebarListView final : public QListView {
public:
    using OpenMenu = std::function<void(const QModelIndex& row, const QPoint& global_position)>;

    SidebarListView(OpenMenu open_menu, QWidget* parent)
        : QListView(parent), open_menu_(std::move(open_menu))
    {}

protected:
    void dataChanged(const QModelIndex& top_left, const QModelIndex& bottom_right,
                     const QList<int>& roles) override
    {
        QAbstractItemView::dataChanged(top_left, bottom_right, roles);
    }

    // A group header is never the current row: the move goes on to the next
    // domain row in its direction, or, when there is none, stays.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        const QModelIndex moved = QListView::moveCursor(action, modifiers);
        if (!moved.isValid() || (model()->flags(moved) & Qt::ItemIsSelectable))
            return moved;
        const bool down = action == MoveDown || action == MoveNext || action == MovePageDown ||
                          action == MoveHome;
        for (int row = moved.row(); row >= 0 && row < model()->rowCount(); row += down ? 1 : -1) {
            const QModelIndex candidate = model()->index(row, 0);
            if (model()->flags(candidate) & Qt::ItemIsSelectable)
                return candidate;
        }
        return currentIndex();
    }

    // The Menu key (which the platform may also send as a context-menu event)
    // and Shift+F10 open the current row's menu below the row.
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Menu ||
            (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            contextMenuEvent(&menu);
            return;
        }
        QListView::keyPressEvent(event);
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        if (event->reason() != QContextMenuEvent::Keyboard) {
            open_menu_(indexAt(event->pos()), viewport()->mapToGlobal(event->pos()));
            return;
        }
        const QModelIndex current = currentIndex();
        const QRect row = visualRect(current);
        open_menu_(current, viewport()->mapToGlobal(row.bottomLeft() + QPoint(row.width() / 4, 0)));
    }

private:
    OpenMenu open_menu_;
};

} // namespace

SidebarView::SidebarView(TessaryStore& store, UiDialogs& dialogs, Now now, QWidget* parent)
    : QWidget(parent), store_(store), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("sidebar"));
    setMinimumWidth(230);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Toolbar row.
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(8, 6, 8, 6);
    add_button_ = new QPushButton(AppIcons::icon(AppIcons::add),
                                  L10n::text(u"Add Domain", u"Domein toevoegen"), this);
    add_button_->setObjectName(QStringLiteral("add_domain_button"));
    add_button_->setFlat(true);
    toolbar->addWidget(add_button_);
    toolbar->addStretch(1);

    menu_button_ = new QToolButton(this);
    menu_button_->setObjectName(QStringLiteral("sidebar_menu_button"));
    menu_button_->setIcon(AppIcons::icon(AppIcons::more));
    menu_button_->setAutoRaise(true);
    menu_button_->setPopupMode(QToolButton::InstantPopup);
    menu_button_->setStyleSheet(
        QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    menu_button_->setToolTip(L10n::text(u"More", u"Meer"));
    menu_button_->setAccessibleName(L10n::text(u"More actions", u"Meer acties"));
    auto* menu = new QMenu(menu_button_);
    menu->setObjectName(QStringLiteral("sidebar_menu"));
    archive_all_action_ = menu->addAction(
        SymbolIcons::icon(QStringLiteral("archivebox"), palette().buttonText().color()),
        L10n::text(u"Archive Everything", u"Alles archiveren"));
    archive_all_action_->setObjectName(QStringLiteral("archive_all_action"));
    menu->addSeparator();
    clear_measurements_action_ =
        menu->addAction(L10n::text(u"Clear Measurements", u"Wis meetdata"));
    clear_measurements_action_->setObjectName(QStringLiteral("clear_measurements_action"));
    SymbolIcons::mark_destructive(clear_measurements_action_, QStringLiteral("clear"));
    delete_everything_action_ =
        menu->addAction(L10n::text(u"Delete Everything", u"Verwijder alles"));
    delete_everything_action_->setObjectName(QStringLiteral("delete_everything_action"));
    SymbolIcons::mark_destructive(delete_everything_action_, QStringLiteral("trash"));
    menu_button_->setMenu(menu);
    toolbar->addWidget(menu_button_);
    layout->addLayout(toolbar);
    layout->addWidget(make_divider(this));

    // The list.
    model_ = new SidebarModel(store_, now, this);
    delegate_ = new SidebarDelegate(std::move(now), this);
    list_ = new SidebarListView(
        [this](const QModelIndex& row, const QPoint& at) { show_row_menu(row, at); }, this);
    list_->setObjectName(QStringLiteral("domain_list"));
    list_->setAccessibleName(L10n::text(u"Domains", u"Domeinen"));
    list_->setModel(model_);
    list_->setItemDelegate(delegate_);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(false);
    list_->setMouseTracking(true);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->viewport()->setAutoFillBackground(false);
    list_->setAttribute(Qt::WA_MacShowFocusRect, false);
    // An overlay scroll bar over the list's right edge, shown only while the
    // pointer is over the sidebar; the list itself keeps its full width.
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    overlay_scroll_bar_ = new QScrollBar(Qt::Vertical, list_);
    overlay_scroll_bar_->setObjectName(QStringLiteral("sidebar_scroll_bar"));
    QScrollBar* inner = list_->verticalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, this, [this](int minimum, int maximum) {
        overlay_scroll_bar_->setRange(minimum, maximum);
        overlay_scroll_bar_->setPageStep(list_->verticalScrollBar()->pageStep());
        set_scroll_bar_visible(hovering_);
    });
    connect(inner, &QScrollBar::valueChanged, overlay_scroll_bar_, &QScrollBar::setValue);
    connect(overlay_scroll_bar_, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
    list_->installEventFilter(this);
    set_scroll_bar_visible(false);
    layout->addWidget(list_, 1);
    layout->addWidget(make_divider(this));

    export_button_ = new QPushButton(AppIcons::icon(AppIcons::export_report),
                                     L10n::text(u"Export Report", u"Rapport exporteren"), this);
    export_button_->setObjectName(QStringLiteral("export_report_button"));
    export_button_->setFlat(true);
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(8, 8, 8, 8);
    footer->addWidget(export_button_);
    footer->addStretch(1);
    layout->addLayout(footer);

    installEventFilter(this);

    connect(add_button_, &QPushButton::clicked, this,
            [this] { store_.set_is_presenting_add_domain(true); });
    connect(archive_all_action_, &QAction::triggered, this, &SidebarView::confirm_archive_all);
    connect(clear_measurements_action_, &QAction::triggered, this,
            &SidebarView::confirm_clear_measurements);
    connect(delete_everything_action_, &QAction::triggered, this,
            &SidebarView::confirm_delete_everything);
    connect(export_button_, &QPushButton::clicked, this, &SidebarView::export_report);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (selecting_ || !current.isValid())
                    return;
                const QVariant id = current.data(SidebarModel::domain_id_role);
                if (id.isValid())
                    store_.set_selected_domain_id(id.value<QUuid>());
            });
    connect(&store_, &TessaryStore::selected_domain_id_changed, this,
            &SidebarView::select_store_selection);
    connect(model_, &QAbstractItemModel::modelReset, this, &SidebarView::select_store_selection);
    connect(&store_, &TessaryStore::domains_changed, this, &SidebarView::update_enablement);

    update_enablement();
    select_store_selection();
}

SidebarView::Enablement SidebarView::enablement(const TessaryStore& store)
{
    Enablement result;
    for (const MonitoredDomain& domain : store.domains()) {
        if (domain.is_archived)
            continue;
        result.archive_all = result.delete_everything = result.export_report = true;
        if (!domain.measurements.isEmpty()) {
            result.clear_measurements = true;
            break;
        }
    }
    return result;
}

void SidebarView::update_enablement()
{
    const Enablement enabled = enablement(store_);
    archive_all_action_->setEnabled(enabled.archive_all);
    clear_measurements_action_->setEnabled(enabled.clear_measurements);
    delete_everything_action_->setEnabled(enabled.delete_everything);
    export_button_->setEnabled(enabled.export_report);
}

void SidebarView::select_store_selection()
{
    const std::optional<QUuid> id = store_.selected_domain_id();
    const QModelIndex index = id ? model_->index_of(*id) : QModelIndex();
    selecting_ = true;
    if (index.isValid()) {
        list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    } else {
        list_->selectionModel()->clearSelection();
        list_->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    }
    selecting_ = false;
}

UiDialogs::Confirmation SidebarView::archive_all_confirmation()
{
    return {L10n::text(u"Archive everything?", u"Alles archiveren?"),
            L10n::text(u"All domains will disappear from the sidebar. Their settings and "
                       u"complete measurement history will be preserved.",
                       u"Alle domeinen verdwijnen uit de sidebar. Hun instellingen en "
                       u"volledige meetgeschiedenis blijven bewaard."),
            L10n::text(u"Archive Everything", u"Alles archiveren"), false};
}

void SidebarView::confirm_archive_all()
{
    if (dialogs_.confirm(window(), archive_all_confirmation()))
        store_.archive_all();
}

UiDialogs::Confirmation SidebarView::clear_measurements_confirmation()
{
    return {L10n::text(u"Clear all measurements?", u"Alle meetdata wissen?"),
            L10n::text(u"All measurement history will be permanently removed. Your domains "
                       u"and settings will be preserved.",
                       u"Alle meetgeschiedenis wordt permanent verwijderd. Je domeinen en "
                       u"instellingen blijven behouden."),
            L10n::text(u"Clear Measurements", u"Wis meetdata"), true};
}

void SidebarView::confirm_clear_measurements()
{
    if (dialogs_.confirm(window(), clear_measurements_confirmation()))
        store_.clear_all_history();
}

UiDialogs::Confirmation SidebarView::delete_everything_confirmation()
{
    return {L10n::text(u"Delete everything?", u"Alles verwijderen?"),
            L10n::text(u"All domains and their complete measurement history will be "
                       u"permanently removed.",
                       u"Alle domeinen en hun volledige meetgeschiedenis worden permanent "
                       u"verwijderd."),
            L10n::text(u"Delete Everything", u"Verwijder alles"), true};
}

void SidebarView::confirm_delete_everything()
{
    if (dialogs_.confirm(window(), delete_everything_confirmation()))
        store_.clear_all();
}

void SidebarView::export_report()
{
    ExportFlow::export_report(dialogs_, window(), store_.active_domains());
}

QMenu* SidebarView::make_row_menu(const QUuid& domain_id)
{
    const MonitoredDomain* domain = store_.domain_with_id(domain_id);
    const bool pinned = domain != nullptr && domain->is_pinned;
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("row_menu"));
    QAction* pin = menu->addAction(AppIcons::icon(pinned ? AppIcons::unpin : AppIcons::pin),
                                   pinned ? L10n::text(u"Unpin", u"Losmaken")
                                          : L10n::text(u"Pin", u"Vastmaken"));
    pin->setObjectName(QStringLiteral("pin_action"));
    menu->addSeparator();
    QAction* archive = menu->addAction(AppIcons::icon(AppIcons::archive),
                                       L10n::text(u"Archive Domain", u"Domein archiveren"));
    archive->setObjectName(QStringLiteral("archive_domain_action"));
    connect(pin, &QAction::triggered, this, [this, domain_id] { store_.toggle_pin(domain_id); });
    connect(archive, &QAction::triggered, this,
            [this, domain_id] { store_.archive_domain(domain_id); });
    return menu;
}

void SidebarView::show_row_menu(const QModelIndex& row, const QPoint& global_position)
{
    const QVariant id = row.data(SidebarModel::domain_id_role);
    // One menu at a time: the Menu key may come both as a key and as a menu event.
    if (!id.isValid() || (open_row_menu_ != nullptr && open_row_menu_->isVisible()))
        return;
    open_row_menu_ = make_row_menu(id.value<QUuid>());
    open_row_menu_->setAttribute(Qt::WA_DeleteOnClose);
    open_row_menu_->popup(global_position);
}

void SidebarView::refresh_time()
{
    list_->viewport()->update();
}

bool SidebarView::is_scroll_bar_shown() const
{
    return overlay_scroll_bar_->isVisible();
}

void SidebarView::set_scroll_bar_visible(bool visible)
{
    const QScrollBar* inner = list_->verticalScrollBar();
    const bool scrolls = inner->maximum() > inner->minimum();
    const int width = overlay_scroll_bar_->sizeHint().width();
    overlay_scroll_bar_->setGeometry(list_->width() - width, 0, width, list_->height());
    overlay_scroll_bar_->raise();
    overlay_scroll_bar_->setVisible(visible && scrolls);
}

bool SidebarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        hovering_ = event->type() == QEvent::Enter;
        set_scroll_bar_visible(hovering_);
    } else if (watched == list_ && event->type() == QEvent::Resize) {
        set_scroll_bar_visible(hovering_);
    }
    return QWidget::eventFilter(watched, event);
}
