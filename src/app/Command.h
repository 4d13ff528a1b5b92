#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

class TessaryStore;

// What a subcommand of the `tessary` executable gets to work with.
struct CommandContext {
    // The arguments after the command name; global options are already taken out.
    QStringList arguments;
    // The support directory in effect ($XDG_DATA_HOME/Tessary or --data-dir).
    QString data_directory;
    QTextStream& out;
    QTextStream& err;
    // Set when the running Tessary runs an editing command for another process:
    // its own store, which the command uses instead of opening one.
    TessaryStore* running_store = nullptr;
    // There, a confirmation the command needed and --yes did not give: the
    // other process asks its user and sends the command again.
    std::optional<QString> unanswered_question;
};

// A subcommand: its name, its arguments and a one-line summary for the help
// texts, and its body, which returns the process exit code. One that edits the
// data folder is sent to the running Tessary when another process holds it.
struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    int (*run)(CommandContext& context);
    bool edits = false;
};
