#pragma once

#include "hosting/HostingProfilesJson.h"
#include "hosting/HostingProviderProfile.h"
#include "hosting/HostingProviderService.h"
#include "model/Clock.h"
#include "model/MonitoredDomain.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The provider profile of every monitored host, in memory and in
// hosting_profiles.json. A refresh drops the profiles of hosts no longer
// monitored and looks up, one host at a time, those that are missing, have no
// network range (the registry lookup failed) or are older than a week. Lives
// on the main thread.
class HostingProfiles : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 max_profile_age_seconds = 7 * 24 * 60 * 60;

    using LoadOutcome = HostingProfilesJson::FileState;
    // Called before every write of the file with its path; false skips the write.
    using PrepareToReplace = std::function<bool(const QString& path)>;

    // `service` and `clock` must outlive this object.
    HostingProfiles(QString file_path, HostingProviderService& service, Clock& clock,
                    PrepareToReplace prepare_to_replace = {}, QObject* parent = nullptr);
    // A lookup still running is abandoned.
    ~HostingProfiles() override;

    // Reads the file. The profiles are empty unless it was loaded; an unusable
    // file is left as it is.
    LoadOutcome load();

    const QMap<QString, HostingProviderProfile>& profiles() const { return profiles_; }

    // Cancels the running refresh, prunes and saves, then looks up the hosts that
    // are due in sorted order, saving after each. `active_domains` are the
    // non-archived domains.
    void refresh(const QList<MonitoredDomain>& active_domains);
    // Stops after the lookup in flight, whose result is still kept.
    void cancel();
    // While hosts are left or a lookup is in flight.
    bool is_refreshing() const { return refreshing_ || in_flight_.has_value(); }

    std::optional<HostingProviderProfile> profile_for(const MonitoredDomain& domain) const;
    // The provider as shown for the domain; none without a profile or name.
    std::optional<QString> display_provider_name_for(const MonitoredDomain& domain) const;

    // Writes the file now; a failure leaves the previous file.
    void save();

Q_SIGNALS:
    // After every change of profiles().
    void profiles_changed();
    // When a refresh has looked up its last host (not when cancelled).
    void refresh_finished();

private:
    bool is_due(const QString& host) const;
    void look_up_next();
    void on_profile(const QString& host, std::optional<HostingProviderProfile> profile);

    QString file_path_;
    HostingProviderService& service_;
    Clock& clock_;
    PrepareToReplace prepare_to_replace_;
    QMap<QString, HostingProviderProfile> profiles_;
    // Hosts of the latest refresh: a late answer for any other host is dropped.
    QSet<QString> monitored_hosts_;
    // Due hosts still to look up, sorted; emptied by cancel().
    QStringList queue_;
    bool refreshing_ = false;
    std::optional<QString> in_flight_;
};
