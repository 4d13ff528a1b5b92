#pragma once

#include "Command.h"

// `tessary list [--json]`: every domain with its state, last result, average and counts.
int run_list_command(CommandContext& context);
