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

// `tessary [--hidden]`: the window, straight into the tray with --hidden.
struct WindowOptions {
    QString data_directory;
    bool hidden = false;
};

// The window's options when `arguments` name no command (nor help or version),
// so `tessary` opens the window; none otherwise, including for an invalid
// --data-dir, which run() then reports.
std::optional<WindowOptions> window_options(const QStringList& arguments);

} // namespace CommandLine
