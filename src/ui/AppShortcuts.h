#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

// The window's keyboard shortcuts beyond the standard ones, in one place so the
// menus that carry them and the tooltips that mention them agree.
namespace AppShortcuts {

// Measure Now: Ctrl+R, and F5 as on other desktops' "reload".
inline QList<QKeySequence> measure_now()
{
    return {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)};
}

// The export menu of the shown domain.
inline QKeySequence export_history()
{
    return QKeySequence(Qt::CTRL | Qt::Key_E);
}

// "Measure Now (Ctrl+R)": a tooltip that tells the shortcut.
inline QString with_shortcut(const QString& text, const QKeySequence& shortcut)
{
    return text + QStringLiteral(" (") + shortcut.toString(QKeySequence::NativeText) +
           QStringLiteral(")");
}

} // namespace AppShortcuts
