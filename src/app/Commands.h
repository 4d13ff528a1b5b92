#pragma once

#include "Command.h"

#include <span>

// Every subcommand of the `tessary` executable, in the order the help lists them.
std::span<const Command> all_commands();

// The subcommand called `name`; null when there is none.
const Command* find_command(const QString& name);
