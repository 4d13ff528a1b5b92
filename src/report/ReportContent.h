#pragma once

#include "model/MonitoredDomain.h"
#include "report/DowntimePeriod.h"
#include "report/PDFDocumentWriter.h"
#include "report/ReportMeasurements.h"
#include "report/ReportProgress.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What the PDF report says and shows, drawn through a PDFDocumentWriter in the
// current language: the report header, then one section per domain.
namespace ReportContent {

// The whole report: the header with `generated_at`, then each domain, every
// further one on a new page. False when `progress` stopped it half-way.
bool draw_report(PDFDocumentWriter& writer, const QList<MonitoredDomain>& domains,
                 const QDateTime& generated_at, const ReportProgress& progress = {});

// `progress` hears the share of this domain drawn; false when it said stop.
bool draw_domain(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                 const ReportProgress& progress = {});
void draw_heartbeat(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                    const QList<const DomainMeasurement*>& sorted);
void draw_total_time_chart(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                           const QList<const DomainMeasurement*>& assessed);
// `progress` hears the share of the rows drawn; false when it said stop.
bool draw_downtime_table(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                         const QList<DowntimePeriod>& periods, const ReportProgress& progress = {});
void draw_interpretation(PDFDocumentWriter& writer, const MonitoredDomain& domain,
                         const ReportMeasurements& measurements);

// "first - last" in the short date and medium time style, or "-".
QString date_range(const std::optional<QDateTime>& first, const std::optional<QDateTime>& last);

// The five paragraphs of a domain's interpretation.
QStringList interpretation_paragraphs(const MonitoredDomain& domain,
                                      const ReportMeasurements& measurements);

} // namespace ReportContent
