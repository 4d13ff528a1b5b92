#pragma once

#include "Command.h"
#include "store/TessaryStore.h"

#include <memory>

// Opens the data folder for writing, taking its lock; reports on standard error
// and returns null when the folder may not be used or another process holds it.
// A folder that others can write in is warned about on standard error.
// `monitors` is false for commands that only edit.
std::unique_ptr<TessaryStore> open_store(CommandContext& context, const QString& holder,
                                         bool monitors);
