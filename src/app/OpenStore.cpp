#include "OpenStore.h"

#include "i18n/TerminalText.h"

StoreHandle open_store(CommandContext& context, const QString& holder)
{
    if (context.running_store != nullptr)
        return StoreHandle(*context.running_store);
    TessaryStore::Environment environment;
    environment.support_directory = context.data_directory;
    environment.lock_holder = holder;
    environment.monitors = false;
    auto store = TessaryStore::open(environment);
    if (!store) {
        context.err << "tessary: " << TerminalText::printable(store.error()) << '\n';
        return {};
    }
    if (const auto& warning = (*store)->support_directory_warning())
        context.err << "tessary: warning: " << TerminalText::printable(*warning) << '\n';
    for (const QString& warning : (*store)->load_warnings())
        context.err << "tessary: " << TerminalText::printable(warning) << '\n';
    return StoreHandle(std::move(store).value());
}
