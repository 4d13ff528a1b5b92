#include "hosting/HostingProfiles.h"

#include "hosting/ProviderName.h"
#include "model/AtomicFile.h"
#include "model/DomainHost.h"

#include <QPointer>

#include <algorithm>

HostingProfiles::HostingProfiles(QString file_path, HostingProviderService& service, Clock& clock,
                                 PrepareToReplace prepare_to_replace, QObject* parent)
    : QObject(parent), file_path_(std::move(file_path)), service_(service), clock_(clock),
      prepare_to_replace_(std::move(prepare_to_replace))
{}

HostingProfiles::~HostingProfiles() = default;

HostingProfiles::LoadOutcome HostingProfiles::load()
{
    HostingProfilesJson::FileContents contents = HostingProfilesJson::read_file(file_path_);
    const bool changed = contents.profiles != profiles_;
    profiles_ = std::move(contents.profiles);
    if (changed)
        Q_EMIT profiles_changed();
    return contents.state;
}

void HostingProfiles::save()
{
    if (prepare_to_replace_ && !prepare_to_replace_(file_path_))
        return;
    AtomicFile::write(file_path_, HostingProfilesJson::encode(profiles_));
}

bool HostingProfiles::is_due(const QString& host) const
{
    const auto profile = profiles_.constFind(host);
    if (profile == profiles_.cend() || !profile->network_range)
        return true;
    return profile->updated_at < clock_.now().addSecs(-max_profile_age_seconds);
}

void HostingProfiles::refresh(const QList<MonitoredDomain>& active_domains)
{
    cancel();
    monitored_hosts_.clear();
    for (const MonitoredDomain& domain : active_domains)
        monitored_hosts_.insert(host_key(domain.url_string));

    QStringList due;
    for (const QString& host : std::as_const(monitored_hosts_)) {
        if (is_due(host))
            due.append(host);
    }

    const qsizetype removed = profiles_.removeIf(
        [&](const auto& entry) { return !monitored_hosts_.contains(entry.key()); });
    save();
    if (removed > 0)
        Q_EMIT profiles_changed();

    std::sort(due.begin(), due.end());
    queue_ = std::move(due);
    refreshing_ = true;
    look_up_next();
}

void HostingProfiles::cancel()
{
    queue_.clear();
    refreshing_ = false;
}

void HostingProfiles::look_up_next()
{
    // A cancelled refresh's lookup may still be out; the next one waits for it.
    if (in_flight_)
        return;
    while (!queue_.isEmpty()) {
        const QString host = queue_.takeFirst();
        // An earlier refresh may have looked it up meanwhile.
        if (!is_due(host))
            continue;
        in_flight_ = host;
        // The service answers on this thread, possibly after this object is gone.
        service_.profile_for(
            host, [self = QPointer(this), host](std::optional<HostingProviderProfile> profile) {
                if (self)
                    self->on_profile(host, std::move(profile));
            });
        return;
    }
    if (refreshing_) {
        refreshing_ = false;
        Q_EMIT refresh_finished();
    }
}

void HostingProfiles::on_profile(const QString& host, std::optional<HostingProviderProfile> profile)
{
    in_flight_.reset();
    // A host that does not resolve keeps whatever profile it had.
    if (profile && monitored_hosts_.contains(host) && profiles_.value(host) != *profile) {
        profiles_.insert(host, *std::move(profile));
        save();
        Q_EMIT profiles_changed();
    }
    look_up_next();
}

std::optional<HostingProviderProfile>
HostingProfiles::profile_for(const MonitoredDomain& domain) const
{
    const auto profile = profiles_.constFind(host_key(domain.url_string));
    if (profile == profiles_.cend())
        return std::nullopt;
    return *profile;
}

std::optional<QString>
HostingProfiles::display_provider_name_for(const MonitoredDomain& domain) const
{
    const std::optional<HostingProviderProfile> profile = profile_for(domain);
    if (!profile)
        return std::nullopt;
    QString name = display_provider_name(profile->provider_name);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}
