#include "ui/ExportFlow.h"

#include "i18n/L10n.h"
#include "model/AtomicFile.h"
#include "report/TessaryPDFRenderer.h"
#include "report/TessaryReportService.h"
#include "ui/UiDialogs.h"

#include <QDate>
#include <QDateTime>

namespace {

QString pdf_filter()
{
    return QStringLiteral("PDF (*.pdf)");
}

ExportFlow::Producer pdf_producer(UiDialogs& dialogs, QWidget* parent,
                                  QList<MonitoredDomain> domains)
{
    return [&dialogs, parent, domains = std::move(domains)]() -> Expected<QByteArray, QString> {
        const std::unique_ptr<UiDialogs::Progress> progress =
            dialogs.show_progress(parent, L10n::text(u"Writing the report…", u"Rapport maken…"));
        auto pdf = TessaryPDFRenderer::render(
            domains, QDateTime::currentDateTime(),
            [&progress](double fraction) { return progress->report(fraction); });
        if (!pdf)
            return pdf.error() == TessaryReportError::cancelled ? QString()
                                                                : description(pdf.error());
        return std::move(pdf).value();
    };
}

} // namespace

bool ExportFlow::save(UiDialogs& dialogs, QWidget* parent, const QString& proposed_name,
                      const QString& filter, const Producer& produce)
{
    const std::optional<QString> path = dialogs.save_file_name(parent, proposed_name, filter);
    if (!path)
        return false;
    const auto fail = [&](const QString& detail) {
        dialogs.show_error(
            parent, L10n::text(u"Report export failed", u"Rapport exporteren mislukt"), detail);
        return false;
    };
    Expected<QByteArray, QString> bytes = produce();
    if (!bytes && bytes.error().isEmpty())
        return false;
    if (!bytes)
        return fail(bytes.error());
    if (bytes->isEmpty())
        return fail(
            L10n::text(u"The generated export was empty.", u"De gegenereerde export was leeg."));
    if (const std::optional<QString> error =
            AtomicFile::write(*path, *bytes, PrivateFile::saved_file_mode()))
        return fail(*error);
    return true;
}

bool ExportFlow::export_json(UiDialogs& dialogs, QWidget* parent, const MonitoredDomain& domain)
{
    const QString name =
        TessaryReportService::proposed_json_file_name(domain, QDate::currentDate());
    return save(dialogs, parent, name, QStringLiteral("JSON (*.json)"),
                [domain]() -> Expected<QByteArray, QString> {
                    return TessaryReportService::json_export(domain);
                });
}

bool ExportFlow::export_csv(UiDialogs& dialogs, QWidget* parent, const MonitoredDomain& domain)
{
    const QString name = TessaryReportService::proposed_csv_file_name(domain, QDate::currentDate());
    return save(dialogs, parent, name, QStringLiteral("CSV (*.csv)"),
                [domain]() -> Expected<QByteArray, QString> {
                    return TessaryReportService::csv_string(domain).toUtf8();
                });
}

bool ExportFlow::export_pdf(UiDialogs& dialogs, QWidget* parent, const MonitoredDomain& domain)
{
    const QString name = TessaryReportService::proposed_pdf_file_name(domain, QDate::currentDate());
    return save(dialogs, parent, name, pdf_filter(), pdf_producer(dialogs, parent, {domain}));
}

bool ExportFlow::export_report(UiDialogs& dialogs, QWidget* parent,
                               const QList<MonitoredDomain>& domains)
{
    const QString name = TessaryReportService::proposed_report_file_name(QDate::currentDate());
    return save(dialogs, parent, name, pdf_filter(), pdf_producer(dialogs, parent, domains));
}
