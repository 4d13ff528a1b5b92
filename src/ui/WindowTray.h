#pragma once

#include "ui/TrayState.h"

#include <QObject>

#include <optional>

class MainWindow;
class QMenu;
class QSystemTrayIcon;
class TessaryStore;

// Tessary in the desktop's tray, where there is one: the icon shows the worst
// state of the active domains, its tooltip the counts, its menu "Show Tessary"
// and "Quit". Closing the window then only hides it and monitoring goes on;
// without a tray, closing the window quits as before. Quit always quits.
class WindowTray final : public QObject {
    Q_OBJECT

public:
    // `tray_available`: QSystemTrayIcon::isSystemTrayAvailable(); tests pretend.
    WindowTray(MainWindow& window, TessaryStore& store, bool tray_available);
    ~WindowTray() override;

    bool is_available() const { return icon_ != nullptr; }
    // The icon, when there is a tray.
    QSystemTrayIcon* icon() const { return icon_; }

private:
    void update();
    void translate_menu();

    MainWindow& window_;
    TessaryStore& store_;
    QSystemTrayIcon* icon_ = nullptr;
    QMenu* menu_ = nullptr;
    std::optional<TrayState::Level> shown_level_;
};
