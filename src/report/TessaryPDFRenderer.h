#pragma once

#include "model/Expected.h"
#include "model/MonitoredDomain.h"
#include "report/ReportProgress.h"
#include "report/TessaryReportError.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

// The PDF report of one or more domains, in the chosen language. Renders
// headless (QtGui only), for the window, the command line and the tests alike.
// Needs a QGuiApplication (on any platform, "offscreen" included) for its fonts;
// without one it fails with pdf_context_creation_failed.
namespace TessaryPDFRenderer {

Expected<QByteArray, TessaryReportError> render(const QList<MonitoredDomain>& domains);

// As above, with the instant the report names as its generation time, telling
// `progress` how far it is; fails with `cancelled` when `progress` said stop.
Expected<QByteArray, TessaryReportError> render(const QList<MonitoredDomain>& domains,
                                                const QDateTime& generated_at,
                                                const ReportProgress& progress = {});

} // namespace TessaryPDFRenderer
