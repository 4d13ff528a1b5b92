#include "ProgressLine.h"

#include <algorithm>
#include <cmath>

ProgressLine::ProgressLine(QTextStream& stream, QString label, bool on_terminal)
    : stream_(stream), label_(std::move(label)), on_terminal_(on_terminal)
{}

ProgressLine::~ProgressLine()
{
    finish();
}

void ProgressLine::show(double fraction)
{
    const int percent = int(std::floor(std::clamp(fraction, 0.0, 1.0) * 100.0));
    if (!on_terminal_ || percent == shown_percent_)
        return;
    shown_percent_ = percent;
    stream_ << '\r' << label_ << QStringLiteral(": %1%").arg(percent);
    stream_.flush();
}

void ProgressLine::finish()
{
    if (!on_terminal_ || shown_percent_ < 0)
        return;
    // Spaces over the text, and back to the start of the line.
    stream_ << '\r' << QString(label_.size() + 6, QLatin1Char(' ')) << '\r';
    stream_.flush();
    shown_percent_ = -1;
}
