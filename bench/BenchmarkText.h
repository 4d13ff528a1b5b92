#pragma once

#include <QTextStream>
#include <QtGlobal>

// What the benchmarks that print their own figures share.
namespace BenchmarkText {

inline QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

inline double ms(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

} // namespace BenchmarkText
