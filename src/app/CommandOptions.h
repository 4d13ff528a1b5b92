#pragma once

#include "Command.h"

#include <QCommandLineParser>

// Parses a subcommand's arguments with `parser`; on an unknown option or a wrong
// number of positional arguments prints the problem and returns false.
bool parse_command_options(CommandContext& context, QCommandLineParser& parser,
                           const char* command_name, qsizetype positional_count);
