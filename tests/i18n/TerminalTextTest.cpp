#include "i18n/TerminalText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(Printable, replaces_every_control_character_and_nothing_else)
{
    const QString mark = u"\ufffd"_s;
    const QString ordinary = u"caf\u00e9 \u20ac \U0001F600 https://example.com/?a=1"_s;
    const std::pair<QString, QString> cases[] = {
        {u"a\x1b]0;owned\x07z"_s, u"a"_s + mark + u"]0;owned"_s + mark + u"z"_s},
        {u"one\r\ntwo\tthree"_s, u"one"_s + mark + mark + u"two"_s + mark + u"three"_s},
        {QString(QChar(0)) + QChar(0x1f) + QChar(0x7f), mark + mark + mark},
        // C1 controls up to 0x9f; the no-break space after them stays.
        {QString(QChar(0x80)) + QChar(0x9b) + QChar(0x9f) + QChar(0xa0),
         mark + mark + mark + QChar(0xa0)},
        {ordinary, ordinary},
        {QString(), QString()}};
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(TerminalText::printable(input), expected) << expected.toStdString();
}

// Each invisible character that reorders or hides text is shown; its neighbours
// outside the ranges (spaces, dashes, separators) are not.
TEST(Printable, replaces_each_direction_and_zero_width_format_character)
{
    const std::pair<char16_t, char16_t> replaced[] = {
        {0x200b, 0x200f}, {0x202a, 0x202e}, {0x2066, 0x2069}, {0xfeff, 0xfeff}};
    for (const auto& [first, last] : replaced) {
        for (char16_t c = first; c <= last; ++c)
            EXPECT_EQ(TerminalText::printable(QString(QChar(c))), u"\ufffd"_s) << int(c);
        for (const char16_t outside : {char16_t(first - 1), char16_t(last + 1)})
            EXPECT_EQ(TerminalText::printable(QString(QChar(outside))), QString(QChar(outside)))
                << int(outside);
    }
}

} // namespace
