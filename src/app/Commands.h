#pragma once

#include "Command.h"

#include <span>

// Every subcommand of the `tessary` executable, in the order the help lists them.
std::span<const Command> all_commands();
