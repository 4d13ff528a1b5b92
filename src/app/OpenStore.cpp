#include "OpenStore.h"

#include "i18n/TerminalText.h"

std::unique_ptr<TessaryStore> open_store(CommandContext& context, const QString& holder,
                                         bool monitors)
{
    TessaryStore::Environment environment;
    environment.support_directory = context.data_directory;
    environment.lock_holder = holder;
    environment.monitors = monitors;
    auto store = TessaryStore::open(environment);
    if (!store) {
        context.err << "tessary: " << store.error() << '\n';
        return nullptr;
    }
    for (const QString& warning : (*store)->load_warnings())
        context.err << "tessary: " << TerminalText::printable(warning) << '\n';
    return std::move(store).value();
}
