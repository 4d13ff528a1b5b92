#pragma once

#include "Command.h"

// `tessary stats DOMAIN [--json]`: the statistics of one domain and the level of
// every measurement.
int run_stats_command(CommandContext& context);
