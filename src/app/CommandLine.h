#pragma once

#include <QStringList>
#include <QTextStream>

#include <optional>

// Runs the `tessary` command line: global options (--help, --version,
// --data-dir DIR, accepted before or after the command name) and the
// subcommands. Returns the exit code.
namespace CommandLine {

int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

// True when the command that `arguments` (the program name first) name draws
// text, which needs a GUI application: the PDF report.
bool needs_gui_application(const QStringList& arguments);

// The data folder when `arguments` name no command (nor help or version), so
// `tessary` opens the window; none otherwise, including for an invalid
// --data-dir, which run() then reports.
std::optional<QString> window_data_directory(const QStringList& arguments);

} // namespace CommandLine
