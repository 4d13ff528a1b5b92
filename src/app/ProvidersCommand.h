#pragma once

#include "Command.h"

// `tessary providers [--json]`: the sidebar's provider groups with their domains
// and each host's provider profile.
int run_providers_command(CommandContext& context);
