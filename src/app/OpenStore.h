#pragma once

#include "Command.h"
#include "store/TessaryStore.h"

#include <memory>

// Opens the data folder for writing, taking its lock; reports on standard error
// (naming the process in the way) and returns null when another process holds it.
// `monitors` is false for commands that only edit.
std::unique_ptr<TessaryStore> open_store(CommandContext& context, const QString& holder,
                                         bool monitors);
