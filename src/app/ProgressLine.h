#pragma once

#include <QString>
#include <QTextStream>

// A line of progress that rewrites itself ("Writing the report: 42%") on a
// terminal, and prints nothing where the output is not one: a log or a pipe
// should not fill with carriage returns. The line is wiped when done.
class ProgressLine {
public:
    // Writes to `stream` only when `on_terminal`.
    ProgressLine(QTextStream& stream, QString label, bool on_terminal);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows `fraction` (0 to 1) as a whole percentage when that has changed.
    void show(double fraction);
    // Wipes the line, so that what follows starts on a clean one.
    void finish();

private:
    QTextStream& stream_;
    QString label_;
    bool on_terminal_;
    int shown_percent_ = -1;
};
