#pragma once

#include "Command.h"
#include "store/TessaryStore.h"

#include <memory>

// The store an editing command works on: one it opened itself, or the running
// Tessary's own when that runs the command for another process.
class StoreHandle {
public:
    StoreHandle() = default;
    explicit StoreHandle(std::unique_ptr<TessaryStore> owned)
        : owned_(std::move(owned)), store_(owned_.get())
    {}
    explicit StoreHandle(TessaryStore& running) : store_(&running) {}

    explicit operator bool() const { return store_ != nullptr; }
    TessaryStore* operator->() const { return store_; }
    TessaryStore& operator*() const { return *store_; }

private:
    std::unique_ptr<TessaryStore> owned_;
    TessaryStore* store_ = nullptr;
};

// The running store when the context has one; otherwise opens the data folder
// for editing, taking its lock. Reports on standard error and returns an empty
// handle when the folder may not be used or another process holds it. A folder
// that others can write in is warned about on standard error.
StoreHandle open_store(CommandContext& context, const QString& holder);

// What the store found on opening the folder: the folder's warning (unless
// `with_folder_warning` is false) and the load's, each on a line of `err`.
void print_store_warnings(QTextStream& err, const TessaryStore& store, bool with_folder_warning);
