#include "ui/WindowTray.h"

#include "i18n/L10n.h"
#include "store/TessaryStore.h"
#include "ui/AppColors.h"
#include "ui/AppIcons.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace {

// The application's icon with a dot in the colour of the level, as the
// sidebar colours its rows.
QIcon level_icon(TrayState::Level level)
{
    const QColor colour = level == TrayState::Level::down        ? AppColors::red()
                          : level == TrayState::Level::disturbed ? AppColors::orange()
                                                                 : AppColors::green();
    QPixmap pixmap = AppIcons::icon(AppIcons::application).pixmap(64, 64);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 4));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(34, 34, 28, 28));
    painter.end();
    return QIcon(pixmap);
}

} // namespace

WindowTray::WindowTray(MainWindow& window, TessaryStore& store, bool tray_available)
    : window_(window), store_(store)
{
    QApplication::setQuitOnLastWindowClosed(!tray_available);
    if (!tray_available)
        return;
    menu_ = new QMenu;
    menu_->setObjectName(QStringLiteral("tray_menu"));
    QAction* show = menu_->addAction(QString());
    show->setObjectName(QStringLiteral("tray_show_action"));
    connect(show, &QAction::triggered, &window_, &MainWindow::bring_to_front);
    QAction* quit = menu_->addAction(QString());
    quit->setObjectName(QStringLiteral("tray_quit_action"));
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    // The language may change while the window is hidden.
    connect(menu_, &QMenu::aboutToShow, this, &WindowTray::translate_menu);
    translate_menu();

    icon_ = new QSystemTrayIcon(this);
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger)
                    window_.bring_to_front();
            });
    connect(&store_, &TessaryStore::domains_changed, this, &WindowTray::update);
    update();
    icon_->show();
}

WindowTray::~WindowTray()
{
    // The icon first: it refers to the menu.
    delete icon_;
    delete menu_;
}

void WindowTray::translate_menu()
{
    const QList<QAction*> actions = menu_->actions();
    actions[0]->setText(L10n::text(u"Show Tessary", u"Tessary tonen"));
    actions[1]->setText(L10n::text(u"Quit", u"Stoppen"));
    if (icon_ != nullptr)
        update(); // the tooltip, too
}

void WindowTray::update()
{
    const TrayState state = TrayState::of(store_.domains());
    if (shown_level_ != state.worst()) {
        shown_level_ = state.worst();
        icon_->setIcon(level_icon(state.worst()));
    }
    if (const QString tooltip = state.tooltip(); tooltip != icon_->toolTip())
        icon_->setToolTip(tooltip);
}
