#pragma once

#include "model/MonitoredDomain.h"

#include <QByteArray>
#include <QDate>
#include <QIODevice>
#include <QString>

#include <optional>

// Exports of one domain's history, shared by the window and the command line.
namespace TessaryReportService {

// The domain's host with every / : \ ? % * | " < > turned into "-".
QString file_name_part(const MonitoredDomain& domain);

// `today` is the local date the name carries ("example.com 2025-01-31.json").
QString proposed_json_file_name(const MonitoredDomain& domain, const QDate& today);
QString proposed_csv_file_name(const MonitoredDomain& domain, const QDate& today);
QString proposed_pdf_file_name(const MonitoredDomain& domain, const QDate& today);
QString proposed_report_file_name(const QDate& today);

// The domain record with its whole history, pretty-printed with sorted keys.
QByteArray json_export(const MonitoredDomain& domain);

// One quoted line per measurement under a header line, newest first.
QString csv_string(const MonitoredDomain& domain);

// Write the export to `device`; an error text on failure.
std::optional<QString> write_json(const MonitoredDomain& domain, QIODevice& device);
std::optional<QString> write_csv(const MonitoredDomain& domain, QIODevice& device);

} // namespace TessaryReportService
