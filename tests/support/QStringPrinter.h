#pragma once

#include <QString>

#include <ostream>

// Readable failure messages: gtest would otherwise dump the UTF-16 units as bytes.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
