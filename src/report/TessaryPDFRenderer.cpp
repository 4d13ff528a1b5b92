#include "report/TessaryPDFRenderer.h"

#include "i18n/L10n.h"

QString description(TessaryReportError error)
{
    switch (error) {
    case TessaryReportError::pdf_context_creation_failed:
        return L10n::text(u"The PDF drawing context could not be created.",
                          u"De PDF-tekencontext kon niet worden aangemaakt.");
    case TessaryReportError::empty_pdf:
        return L10n::text(u"The generated PDF was empty.", u"De gegenereerde PDF was leeg.");
    }
    return {};
}

// Placeholder until the report is drawn: every render fails.
Expected<QByteArray, TessaryReportError> TessaryPDFRenderer::render(const QList<MonitoredDomain>&)
{
    return TessaryReportError::empty_pdf;
}
