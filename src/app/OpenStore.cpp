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
    print_store_warnings(context.err, **store, true);
    return StoreHandle(std::move(store).value());
}

void print_store_warnings(QTextStream& err, const TessaryStore& store, bool with_folder_warning)
{
    if (const auto& warning = store.support_directory_warning(); warning && with_folder_warning)
        err << "tessary: warning: " << TerminalText::printable(*warning) << Qt::endl;
    for (const QString& warning : store.load_warnings())
        err << "tessary: " << TerminalText::printable(warning) << Qt::endl;
}
