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
        context.err << "tessary: " << TerminalText::printable(store.error()) << '\n';
        return nullptr;
    }
    if (const auto& warning = (*store)->support_directory_warning())
        context.err << "tessary: warning: " << TerminalText::printable(*warning) << '\n';
    return std::move(store).value();
}
