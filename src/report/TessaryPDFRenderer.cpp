#include "report/TessaryPDFRenderer.h"

#include "i18n/L10n.h"
#include "report/PDFDocumentWriter.h"
#include "report/ReportContent.h"

#include <QBuffer>
#include <QGuiApplication>

QString description(TessaryReportError error)
{
    switch (error) {
    case TessaryReportError::pdf_context_creation_failed:
        return L10n::text(u"The PDF drawing context could not be created.",
                          u"De PDF-tekencontext kon niet worden aangemaakt.");
    case TessaryReportError::empty_pdf:
        return L10n::text(u"The generated PDF was empty.", u"De gegenereerde PDF was leeg.");
    case TessaryReportError::cancelled:
        return L10n::text(u"The report was cancelled.", u"Het rapport is geannuleerd.");
    }
    return {};
}

Expected<QByteArray, TessaryReportError>
TessaryPDFRenderer::render(const QList<MonitoredDomain>& domains)
{
    return render(domains, QDateTime::currentDateTime());
}

Expected<QByteArray, TessaryReportError>
TessaryPDFRenderer::render(const QList<MonitoredDomain>& domains, const QDateTime& generated_at,
                           const ReportProgress& progress)
{
    // Fonts and text layout need the GUI application; a plain core application
    // would abort on the first font.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return TessaryReportError::pdf_context_creation_failed;
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly))
            return TessaryReportError::pdf_context_creation_failed;
        PDFDocumentWriter writer(buffer, L10n::text(u"Tessary Report", u"Tessary Rapport"));
        if (!writer.is_open())
            return TessaryReportError::pdf_context_creation_failed;
        if (!ReportContent::draw_report(writer, domains, generated_at, progress))
            return TessaryReportError::cancelled;
        writer.finish();
    }
    if (bytes.isEmpty())
        return TessaryReportError::empty_pdf;
    return bytes;
}
