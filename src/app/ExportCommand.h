#pragma once

#include "Command.h"

// `tessary export DOMAIN --format json|csv [-o FILE]`: the export texts of one
// domain, to FILE (replaced atomically) or to standard output.
int run_export_command(CommandContext& context);
