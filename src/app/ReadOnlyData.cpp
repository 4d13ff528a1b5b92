#include "ReadOnlyData.h"

#include "DomainArgument.h"
#include "i18n/TerminalText.h"
#include "store/DomainOrder.h"
#include "store/SupportDirectory.h"

std::optional<LoadedStore> load_for_reading(CommandContext& context)
{
    const SupportDirectory directory = SupportDirectory::prepare(context.data_directory, false);
    if (directory.refusal) {
        context.err << "tessary: " << TerminalText::printable(*directory.refusal) << '\n';
        return std::nullopt;
    }
    if (directory.warning)
        context.err << "tessary: warning: " << TerminalText::printable(*directory.warning) << '\n';
    LoadedStore loaded = StoreLoader::load(StoreFiles::in(context.data_directory));
    if (!loaded.problems.isEmpty()) {
        for (const QString& problem : std::as_const(loaded.problems))
            context.err << "tessary: cannot use " << TerminalText::printable(problem) << '\n';
        return std::nullopt;
    }
    sort_domains(loaded.domains);
    return loaded;
}

std::optional<MonitoredDomain>
load_domain_for_reading(CommandContext& context, const QString& argument, const char* command_name)
{
    const auto loaded = load_for_reading(context);
    if (!loaded)
        return std::nullopt;
    auto domain = find_domain(loaded->domains, argument);
    if (!domain) {
        context.err << "tessary " << command_name << ": " << domain.error() << '\n';
        return std::nullopt;
    }
    return std::move(domain).value();
}
