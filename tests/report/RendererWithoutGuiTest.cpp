#include "report/TessaryPDFRenderer.h"

#include <gtest/gtest.h>

// Fonts need a GUI application; a program that has only a core application gets
// an error to show rather than an abort.
TEST(PDFRendererWithoutGui, fails_with_a_context_error)
{
    const auto pdf = TessaryPDFRenderer::render({});
    ASSERT_FALSE(pdf.has_value());
    EXPECT_EQ(pdf.error(), TessaryReportError::pdf_context_creation_failed);
}
