#pragma once

#include "Command.h"

// `tessary measure URL [--user-agent UA] [--json]`: the baseline probe and one
// measurement, printed as a breakdown of its phases or as its stored JSON.
// Exit code 0 when a measurement was made (also when the site failed), 2 when
// the probe found no usable network, 1 for input that is not a URL.
int run_measure_command(CommandContext& context);
