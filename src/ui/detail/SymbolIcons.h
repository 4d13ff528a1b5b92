#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QAction;

// Small line icons drawn in code, named like the symbols the design refers to
// ("checkmark.circle", "clock", ...), so the pane looks the same under every
// desktop theme and each icon can take a level colour. Unknown names draw a dot.
namespace SymbolIcons {

QPixmap pixmap(const QString& name, const QColor& color, int size, qreal device_pixel_ratio = 1.0);
QIcon icon(const QString& name, const QColor& color, int size = 16);

// Marks a menu item that cannot be undone the way every menu of the window does:
// its symbol in red, and the "destructive" property set (what tests read).
void mark_destructive(QAction* action, const QString& name);

} // namespace SymbolIcons
