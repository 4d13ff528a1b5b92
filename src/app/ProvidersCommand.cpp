#include "ProvidersCommand.h"

#include "CommandOptions.h"
#include "ReadOnlyData.h"
#include "hosting/HostingProfilesJson.h"
#include "hosting/ProviderGroups.h"
#include "hosting/ProviderName.h"
#include "i18n/TerminalText.h"
#include "model/Clock.h"
#include "model/DomainHost.h"
#include "model/JsonWrite.h"

#include <QFileInfo>

namespace {

using ProfileMap = HostingProfilesJson::ProfileMap;

// Names come from registries: nothing in them may steer the terminal.
QString printable(const QString& text)
{
    return TerminalText::printable(text);
}

QString age_text(qint64 seconds)
{
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(std::max<qint64>(seconds, 0));
    if (seconds < 3600)
        return QStringLiteral("%1 min").arg(seconds / 60);
    if (seconds < 86400)
        return QStringLiteral("%1 h").arg(seconds / 3600);
    return QStringLiteral("%1 d").arg(seconds / 86400);
}

template <typename Writer>
void write_profile(Writer& writer, const HostingProviderProfile& p, const QDateTime& now)
{
    writer.StartObject();
    JsonWrite::key(writer, "age_seconds");
    writer.Int64(p.updated_at.secsTo(now));
    HostingProfilesJson::write_members(writer, p);
    writer.EndObject();
}

template <typename Writer>
void write_domain(Writer& writer, const MonitoredDomain& domain, const ProfileMap& profiles,
                  const QDateTime& now)
{
    const QString host = host_key(domain.url_string);
    const auto profile = profiles.constFind(host);
    writer.StartObject();
    if (profile != profiles.cend()) {
        const QString shown = display_provider_name(profile->provider_name);
        if (!shown.isEmpty()) {
            JsonWrite::key(writer, "display_provider_name");
            JsonWrite::string(writer, shown);
        }
    }
    JsonWrite::key(writer, "host");
    JsonWrite::string(writer, host);
    JsonWrite::key(writer, "id");
    JsonWrite::uuid(writer, domain.id);
    if (profile != profiles.cend()) {
        JsonWrite::key(writer, "profile");
        write_profile(writer, *profile, now);
    }
    JsonWrite::key(writer, "url_string");
    JsonWrite::string(writer, domain.url_string);
    writer.EndObject();
}

void print_json(CommandContext& context, const QList<DomainProviderGroup>& groups,
                const ProfileMap& profiles, const QDateTime& now)
{
    context.out << QString::fromUtf8(JsonWrite::compact_text([&](auto& writer) {
        writer.StartArray();
        for (const DomainProviderGroup& group : groups) {
            writer.StartObject();
            JsonWrite::key(writer, "domains");
            writer.StartArray();
            for (const MonitoredDomain& domain : group.domains)
                write_domain(writer, domain, profiles, now);
            writer.EndArray();
            JsonWrite::key(writer, "id");
            JsonWrite::string(writer, group.id);
            JsonWrite::key(writer, "title");
            JsonWrite::string(writer, group.title);
            writer.EndObject();
        }
        writer.EndArray();
    })) << '\n';
}

void print_profile(CommandContext& context, const HostingProviderProfile& p, const QDateTime& now)
{
    context.out << "    address " << printable(p.ip_address) << " (" << printable(p.range_key)
                << "), network "
                << (p.network_range ? printable(*p.network_range) : QStringLiteral("unknown"))
                << ", provider \"" << printable(p.provider_name) << "\", updated "
                << age_text(p.updated_at.secsTo(now)) << " ago\n";
}

void print_table(CommandContext& context, const QList<DomainProviderGroup>& groups,
                 const ProfileMap& profiles, const QDateTime& now)
{
    if (groups.isEmpty()) {
        context.out << "No active domains.\n";
        return;
    }
    for (const DomainProviderGroup& group : groups) {
        context.out << printable(group.title) << '\n';
        for (const MonitoredDomain& domain : group.domains) {
            context.out << "  " << printable(domain_host(domain.url_string)) << "  "
                        << printable(domain.url_string) << '\n';
            const auto profile = profiles.constFind(host_key(domain.url_string));
            if (profile == profiles.cend())
                context.out << "    no provider profile yet\n";
            else
                print_profile(context, *profile, now);
        }
    }
}

} // namespace

int run_providers_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
    if (const auto exit_code = parse_command_options(context, parser, "providers", 0))
        return *exit_code;
    const auto loaded = load_for_reading(context);
    if (!loaded)
        return 1;
    const QString path = StoreFiles::in(context.data_directory).hosting_profiles_url;
    const HostingProfilesJson::FileContents file = HostingProfilesJson::read_file(path);
    if (file.state == HostingProfilesJson::FileState::unusable) {
        context.err << "tessary: cannot use " << QFileInfo(path).fileName() << ": " << file.problem
                    << '\n';
        return 1;
    }

    QList<MonitoredDomain> active;
    for (const MonitoredDomain& domain : loaded->domains) {
        if (!domain.is_archived)
            active.append(domain);
    }
    const QList<DomainProviderGroup> groups = provider_groups(active, file.profiles);
    const QDateTime now = Clock::system().now();
    if (parser.isSet(QStringLiteral("json")))
        print_json(context, groups, file.profiles, now);
    else
        print_table(context, groups, file.profiles, now);
    return 0;
}
