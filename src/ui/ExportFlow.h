#pragma once

#include "model/Expected.h"
#include "model/MonitoredDomain.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class QWidget;
class UiDialogs;

// The window's exports: a save dialog with the proposed name first, then the
// bytes are produced and written atomically; any failure ends in one alert
// ("Report export failed"). A cancelled dialog does nothing. A PDF report shows
// its progress, and cancelling it writes nothing.
namespace ExportFlow {

// Fails with an error text for the alert, or with an empty one when the user
// stopped it (nothing to tell).
using Producer = std::function<Expected<QByteArray, QString>()>;

// Returns true when a file was written.
bool save(UiDialogs& dialogs, QWidget* parent, const QString& proposed_name, const QString& filter,
          const Producer& produce);

bool export_json(UiDialogs& dialogs, QWidget* parent, const MonitoredDomain& domain);
bool export_csv(UiDialogs& dialogs, QWidget* parent, const MonitoredDomain& domain);
bool export_pdf(UiDialogs& dialogs, QWidget* parent, const MonitoredDomain& domain);
// The report of several domains (the active ones, from the sidebar).
bool export_report(UiDialogs& dialogs, QWidget* parent, const QList<MonitoredDomain>& domains);

} // namespace ExportFlow
