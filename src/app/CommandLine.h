#pragma once

#include <QStringList>
#include <QTextStream>

#include <optional>

// Runs the `tessary` command line: global options (--help, --version,
// --data-dir DIR, accepted before or after the command name) and the
// subcommands. Returns the exit code.
namespace CommandLine {

int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The data folder when `arguments` name no command (nor help or version), so
// `tessary` opens the window; none otherwise, including for an invalid
// --data-dir, which run() then reports.
std::optional<QString> window_data_directory(const QStringList& arguments);

} // namespace CommandLine
