#include "i18n/TerminalText.h"

namespace TerminalText {

namespace {

bool is_control(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

} // namespace

QString printable(QStringView text)
{
    QString result = text.toString();
    for (QChar& c : result) {
        if (is_control(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return result;
}

} // namespace TerminalText
