#pragma once

#include "Command.h"

// `tessary report [DOMAIN ...] [--all] -o FILE.pdf|-`: the PDF report of the named
// domains in the given order, or of every active domain in store order, written
// to FILE (replaced atomically) or to standard output.
int run_report_command(CommandContext& context);
