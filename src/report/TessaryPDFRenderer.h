#pragma once

#include "model/Expected.h"
#include "model/MonitoredDomain.h"
#include "report/TessaryReportError.h"

#include <QByteArray>
#include <QList>

// The PDF report of one or more domains, in the chosen language. Renders
// headless (QtGui only), for the window, the command line and the tests alike.
namespace TessaryPDFRenderer {

Expected<QByteArray, TessaryReportError> render(const QList<MonitoredDomain>& domains);

} // namespace TessaryPDFRenderer
