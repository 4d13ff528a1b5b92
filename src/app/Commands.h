#pragma once

#include "Command.h"

#include <span>

// Every subcommand of the `tessary` executable, in the order the help lists them.
std::span<const Command> all_commands();

// The subcommand called `name`, or null.
const Command* find_command(QStringView name);
