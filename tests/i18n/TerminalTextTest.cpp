#include "i18n/TerminalText.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace Qt::StringLiterals;

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

const QString mark = u"\ufffd"_s;

INSTANTIATE_TEST_SUITE_P(
    Cases, Printable,
    testing::Values(PrintableCase{"window_title", u"a\x1b]0;owned\x07z"_s,
                                  u"a"_s + mark + u"]0;owned"_s + mark + u"z"_s},
                    PrintableCase{"line_breaks_and_tabs", u"one\r\ntwo\tthree"_s,
                                  u"one"_s + mark + mark + u"two"_s + mark + u"three"_s},
                    PrintableCase{"nul_and_the_last_c0", QString(QChar(0)) + QChar(0x1f),
                                  mark + mark},
                    PrintableCase{"delete", u"a\x7f"_s, u"a"_s + mark},
                    PrintableCase{"c1_csi_and_its_edges",
                                  QString(QChar(0x80)) + QChar(0x9b) + QChar(0x9f) + QChar(0xa0),
                                  mark + mark + mark + QChar(0xa0)},
                    PrintableCase{"ordinary_text_stays",
                                  u"caf\u00e9 \u20ac \U0001F600 https://example.com/?a=1"_s,
                                  u"caf\u00e9 \u20ac \U0001F600 https://example.com/?a=1"_s},
                    PrintableCase{"empty", QString(), QString()}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
