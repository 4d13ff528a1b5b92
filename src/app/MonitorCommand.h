#pragma once

#include "Command.h"

// `tessary monitor [--quiet] [--metrics ADDRESS]`: measures every active domain on
// schedule without a window until SIGINT, SIGTERM or SIGHUP, then writes the
// history and exits 0. With --metrics it serves Prometheus metrics meanwhile.
// It pauses while the window holds the data folder (see MonitorSession).
int run_monitor_command(CommandContext& context);
