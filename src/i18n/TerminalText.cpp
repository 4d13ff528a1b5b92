#include "i18n/TerminalText.h"

namespace TerminalText {

namespace {

bool is_control(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

// Zero-width and direction marks, embeddings, overrides and isolates, and the
// byte order mark: invisible, yet they reorder or hide what follows, so a URL or
// a status could read as something else.
bool is_format_control(char16_t c)
{
    return (c >= 0x200b && c <= 0x200f) || (c >= 0x202a && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0xfeff;
}

} // namespace

QString printable(QStringView text)
{
    QString result = text.toString();
    for (QChar& c : result) {
        if (is_control(c.unicode()) || is_format_control(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return result;
}

} // namespace TerminalText
