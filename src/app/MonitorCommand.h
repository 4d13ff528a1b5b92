#pragma once

#include "Command.h"

// `tessary monitor [--quiet]`: measures every active domain on schedule without a
// window until SIGINT, SIGTERM or SIGHUP, then writes the history and exits 0.
int run_monitor_command(CommandContext& context);
