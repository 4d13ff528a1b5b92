#pragma once

#include "Command.h"
#include "store/StoreLoader.h"

#include <optional>

// Loads the data folder for a command that only reads: no lock, no writes. A
// folder of another user's, and files that exist but cannot be used, are
// reported on standard error; then there is nothing to show, since the data
// would be incomplete or not the user's.
std::optional<LoadedStore> load_for_reading(CommandContext& context);

// Loads for reading and finds the domain `argument` names (see find_domain);
// problems are reported on standard error under `command_name`.
std::optional<MonitoredDomain>
load_domain_for_reading(CommandContext& context, const QString& argument, const char* command_name);
