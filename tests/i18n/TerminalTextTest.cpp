#include "i18n/TerminalText.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct PrintableCase {
    const char* name;
    QString input;
    QString expected;
};

void PrintTo(const PrintableCase& c, std::ostream* out)
{
    *out << c.name;
}

class Printable : public testing::TestWithParam<PrintableCase> {};

TEST_P(Printable, replaces_every_control_character_and_nothing_else)
{
    EXPECT_EQ(TerminalText::printable(GetParam().input), GetParam().expected);
}

const QString mark = QStringLiteral("\ufffd");

INSTANTIATE_TEST_SUITE_P(
    Cases, Printable,
    testing::Values(
        PrintableCase{"window_title", QStringLiteral("a\x1b]0;owned\x07z"),
                      QStringLiteral("a") + mark + QStringLiteral("]0;owned") + mark +
                          QStringLiteral("z")},
        PrintableCase{"line_breaks_and_tabs", QStringLiteral("one\r\ntwo\tthree"),
                      QStringLiteral("one") + mark + mark + QStringLiteral("two") + mark +
                          QStringLiteral("three")},
        PrintableCase{"nul_and_the_last_c0", QString(QChar(0)) + QChar(0x1f), mark + mark},
        PrintableCase{"delete", QStringLiteral("a\x7f"), QStringLiteral("a") + mark},
        PrintableCase{"c1_csi_and_its_edges",
                      QString(QChar(0x80)) + QChar(0x9b) + QChar(0x9f) + QChar(0xa0),
                      mark + mark + mark + QChar(0xa0)},
        PrintableCase{"ordinary_text_stays",
                      QStringLiteral("caf\u00e9 \u20ac \U0001F600 https://example.com/?a=1"),
                      QStringLiteral("caf\u00e9 \u20ac \U0001F600 https://example.com/?a=1")},
        PrintableCase{"empty", QString(), QString()}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
