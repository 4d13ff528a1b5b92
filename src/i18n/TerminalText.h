#pragma once

#include <QString>
#include <QStringView>

// Text for a terminal. Whatever came from the network or from a data file (header
// values, error texts, provider names, addresses) goes through here before a
// human-readable output prints it, so that no escape sequence in it can rewrite
// the screen or the window title. JSON output needs none of this: its writer
// escapes control characters itself.
namespace TerminalText {

// Every C0 control character (line breaks and tabs included), DEL, every C1
// control character and the invisible format characters that steer the
// direction of text (U+200B-U+200F, U+202A-U+202E, U+2066-U+2069, U+FEFF)
// replaced by U+FFFD, which the reader sees.
QString printable(QStringView text);

} // namespace TerminalText
