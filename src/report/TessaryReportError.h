#pragma once

#include <QString>

// Why a PDF report could not be produced.
enum class TessaryReportError {
    pdf_context_creation_failed,
    empty_pdf,
    // The progress callback asked to stop.
    cancelled,
};

// The user-facing sentence, in the chosen language.
QString description(TessaryReportError error);
