#pragma once

#include "Command.h"

#include <QCommandLineParser>

#include <optional>

// Parses a subcommand's arguments with `parser`, which also learns -h/--help.
// Returns the exit code when the command ends here: 0 after printing its help,
// 1 after printing the problem with an unknown option or a wrong number of
// positional arguments (any number when `positional_count` is empty). Returns
// nothing when the command goes on.
std::optional<int> parse_command_options(CommandContext& context, QCommandLineParser& parser,
                                         const char* command_name,
                                         std::optional<qsizetype> positional_count);
