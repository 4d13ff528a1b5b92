#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// What a subcommand of the `tessary` executable gets to work with.
struct CommandContext {
    // The arguments after the command name; global options are already taken out.
    QStringList arguments;
    // The support directory in effect ($XDG_DATA_HOME/Tessary or --data-dir).
    QString data_directory;
    QTextStream& out;
    QTextStream& err;
};

// A subcommand: its name, its arguments and a one-line summary for the help
// texts, and its body, which returns the process exit code.
struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    int (*run)(CommandContext& context);
};
