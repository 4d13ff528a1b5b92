#pragma once

#include "hosting/DomainProviderGroup.h"
#include "hosting/HostingProfiles.h"
#include "hosting/HostingProviderService.h"
#include "measurement/MeasurementSource.h"
#include "measurement/NetworkAvailabilityService.h"
#include "measurement/TessaryNotificationService.h"
#include "model/Clock.h"
#include "model/Expected.h"
#include "model/MonitoredDomain.h"
#include "store/CancellationToken.h"
#include "store/CertificateExpiryAlerts.h"
#include "store/DomainRestoreSuggestion.h"
#include "store/HistoryPersistence.h"
#include "store/HistorySnapshot.h"
#include "store/MonitoringTask.h"
#include "store/OutageAlerts.h"
#include "store/StoreFiles.h"
#include "store/StoreLock.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <map>
#include <memory>
#include <optional>

// The one owner of everything Tessary knows: the domains with their histories and
// statistics, the selection, the measurements in flight and the remembered
// settings of deleted domains. It lives on the main thread; every change of a
// published field is announced by its signal, and views re-read the store then.
class TessaryStore : public QObject {
    Q_OBJECT

public:
    struct Environment {
        QString support_directory = StoreFiles::default_support_directory();
        Clock* clock = &Clock::system();
        // Names this process to another one that finds the data folder in use.
        QString lock_holder = QStringLiteral("Tessary");
        // Whether the store measures (the window, the headless monitor) or only
        // applies operations and saves (the editing commands).
        bool monitors = true;
        // The services it measures, waits and notifies with; null takes the real ones.
        MeasurementSource* measurement_source = nullptr;
        NetworkAvailabilityService* network = nullptr;
        TessaryNotificationService* notifications = nullptr;
        HostingProviderService* hosting = nullptr;
        // The user the data folder and its files must belong to; tests play another.
        uid_t user = ::geteuid();
    };

    // Creates the data folder (0700) when missing, takes its lock and runs the
    // start-up sequence. Fails when the folder or its lock file belongs to another
    // user, or when another process holds the lock.
    static Expected<std::unique_ptr<TessaryStore>, QString> open(Environment environment);

    // Cancels pending work and saves nothing new (the shell closes the persistence
    // before quitting); history writes already under way are waited for.
    ~TessaryStore() override;

    // Published state.
    const QList<MonitoredDomain>& domains() const { return domains_; }
    // The domain with this id, archived ones included; null when there is none.
    // The pointer is good until the domains next change.
    const MonitoredDomain* domain_with_id(const QUuid& domain_id) const
    {
        return find_domain(domain_id);
    }
    std::optional<QUuid> selected_domain_id() const { return selected_domain_id_; }
    void set_selected_domain_id(std::optional<QUuid> id);
    bool is_presenting_add_domain() const { return is_presenting_add_domain_; }
    void set_is_presenting_add_domain(bool presenting);
    const QSet<QUuid>& running_domain_ids() const { return running_domain_ids_; }
    const QList<DomainRestoreSuggestion>& deleted_domain_suggestions() const
    {
        return deleted_domain_suggestions_;
    }

    // Derived on every call.
    QList<MonitoredDomain> active_domains() const;
    QList<MonitoredDomain> archived_domains() const;
    // The selected domain when it is active (not archived).
    std::optional<MonitoredDomain> selected_domain() const;

    const StoreFiles& files() const { return files_; }
    // A sentence to show once: others can write in the data folder.
    const std::optional<QString>& support_directory_warning() const
    {
        return support_directory_warning_;
    }
    // Lines of the history journal that start-up had to drop (after a crash), for
    // the user.
    const QStringList& load_warnings() const { return load_warnings_; }

    // Hosting providers: one profile per monitored host, refreshed in the
    // background; the sidebar's groups follow from them.
    const QMap<QString, HostingProviderProfile>& hosting_profiles() const
    {
        return hosting_profiles_->profiles();
    }
    std::optional<HostingProviderProfile> hosting_profile(const MonitoredDomain& domain) const
    {
        return hosting_profiles_->profile_for(domain);
    }
    std::optional<QString> display_provider_name(const MonitoredDomain& domain) const
    {
        return hosting_profiles_->display_provider_name_for(domain);
    }
    QList<DomainProviderGroup> provider_groups() const;
    bool is_refreshing_hosting_profiles() const { return hosting_profiles_->is_refreshing(); }

    // Archived domains (made on the fly) and then deleted ones, by host.
    QList<DomainRestoreSuggestion> restore_suggestions() const;

    // Domain operations. add_domain returns a message for the user when it refuses
    // (invalid input, a duplicate), none on success; it revives an archived domain
    // with the same URL key, history included.
    std::optional<QString> add_domain(const QString& url_string, int interval_seconds,
                                      int max_history_hours, const QString& user_agent,
                                      bool is_active, bool notifies_on_anomalies);
    // Gives the domain these settings under the stored bounds, the URL normalised.
    // Its history, pin and archived state stay the store's own. Like add_domain it
    // returns a message for the user, and changes nothing, when the URL cannot be
    // used. The id is taken by value: callers may pass the id of an element that
    // the sort moves.
    std::optional<QString> update_domain(QUuid domain_id, const DomainSettings& settings);
    // Only the id and the settings of `edited` are taken: an edited copy made
    // before later measurements cannot write back its old history.
    std::optional<QString> update_domain(const MonitoredDomain& edited)
    {
        return update_domain(edited.id, edited.settings());
    }
    // Ids are taken by value: a caller may pass one from domains(), which these reorder.
    void toggle_pin(QUuid domain_id);
    void clear_history(QUuid domain_id);
    void clear_all_history();
    void clear_all();
    void archive_domain(QUuid domain_id);
    void archive_all();
    void remove_domain(QUuid domain_id);

    // Scheduling. measure_now starts one measurement at once (also of an inactive
    // domain) unless one is in flight; next_measurement_date is for countdowns.
    void measure_now(QUuid domain_id);
    std::optional<QDateTime> next_measurement_date(const QUuid& domain_id) const;
    bool has_monitoring_task(const QUuid& domain_id) const
    {
        return monitoring_tasks_.contains(domain_id);
    }

    // Inserts a finished measurement at the head of its domain's history (archived
    // ones too), recomputes the statistics, notifies an anomaly or an outage and
    // asks for a history save. A measurement of a domain that no longer exists is
    // dropped. The id is taken by value: receivers of its signals may change the
    // domain list.
    void record_measurement(QUuid domain_id, DomainMeasurement measurement);

    // Persistence. save_configuration writes domains.json at once. A recorded
    // measurement is appended to the history journal 20 s later, off the main
    // thread. flush_persistence starts the append of what
    // was recorded since the last save at once and returns (when the window loses
    // focus). close_persistence rewrites the history file whole unless it is
    // complete already, empties the journal and waits, so the history file at
    // rest is complete: at every clean stop; the store goes on saving afterwards.
    // save_all_now writes domains.json and the whole history file and waits.
    void save_configuration();
    void save_all_now();
    void flush_persistence();
    void close_persistence();
    void save_deleted_domain_suggestions();
    HistorySnapshot history_snapshot() const;
    bool has_pending_history_save() const { return persistence_.has_pending_save(); }

    static constexpr qint64 history_save_delay_ms = HistoryPersistence::save_delay_ms;

Q_SIGNALS:
    // After every change of `domains`. Each one comes with exactly one finer
    // signal that says what changed: measurement_recorded, domain_settings_changed
    // or domain_list_changed (so a model that follows those needs no other).
    void domains_changed();
    void selected_domain_id_changed();
    void is_presenting_add_domain_changed();
    // Followed by domain_running_changed for the domain concerned.
    void running_domain_ids_changed();
    void deleted_domain_suggestions_changed();
    void hosting_profiles_changed();
    // A debounced history write has finished (written, or skipped after a failure).
    void history_save_finished();
    // A measurement entered a domain's history (after domains_changed); the
    // domain's place in the list stays.
    void measurement_recorded(const QUuid& domain_id, const DomainMeasurement& measurement);
    // A domain with notifications on went down or came back (after
    // measurement_recorded); the notification has been posted.
    void domain_alert(const DomainAlert& alert);
    // An edit of the domain's settings (after domains_changed); when it moved the
    // domain, domains_reordered came first.
    void domain_settings_changed(const QUuid& domain_id);
    void domain_running_changed(const QUuid& domain_id, bool is_running);
    // The sort of an operation moved domains or placed an added one (before its
    // domains_changed): for each index of domains(), the index that domain had
    // before, or -1 for the domain the operation added.
    void domains_reordered(const QList<qsizetype>& previous_indices);
    // Domains were added, removed, archived, pinned or had their history cleared
    // (after domains_changed): a model of the list rebuilds.
    void domain_list_changed();

private:
    TessaryStore(Environment environment, StoreLock lock);

    void create_hosting_profiles(HostingProviderService* service);
    void start_up();
    // Removes the leftovers of saves interrupted by a crash (never anything
    // else) and takes from others what an older version let them do with the
    // data files.
    void tidy_data_files();
    void load();
    void select_first_active_domain();
    MonitoredDomain* find_domain(const QUuid& domain_id);
    const MonitoredDomain* find_domain(const QUuid& domain_id) const;
    // The domain's place in `domains_`, or -1.
    qsizetype domain_index(const QUuid& domain_id) const;
    // Sorts the domains and emits domains_reordered (when something moved) and
    // domains_changed. `added`, when given, is the id the operation appended.
    void sort_and_publish(std::optional<QUuid> added = std::nullopt);
    // domains_changed with domain_list_changed, for an operation that changed the
    // list without sorting it.
    void publish_list_change();
    void select_first_active_domain_if_selected(const QUuid& domain_id);

    // Monitoring.
    void restart_monitoring(const QUuid& domain_id);
    void stop_monitoring(const QUuid& domain_id);
    qint64 delay_before_next_measurement(const QUuid& domain_id) const;
    // One attempt: checks, the network wait, the request, the result. `token` is
    // the monitoring task's (null for measure_now); `done` learns whether a
    // measurement was recorded.
    void perform_measurement(const QUuid& domain_id, bool enforce_interval,
                             std::shared_ptr<CancellationToken> token,
                             std::function<void(bool)> done);
    void request_measurement(const QUuid& domain_id, quint64 attempt, const QUrl& url,
                             const QString& user_agent, const std::function<void(bool)>& done);
    void mark_running(const QUuid& domain_id, quint64 attempt);
    void finish_running(const QUuid& domain_id, quint64 attempt);
    void forget_running(const QUuid& domain_id);

    // Prunes the profiles to the active hosts and looks up the missing and stale ones.
    void refresh_hosting_profiles();

    // Deleted-domain suggestions.
    void store_deleted_suggestion(const MonitoredDomain& domain);
    void remove_deleted_suggestion(const QString& url_string);

    // After measurements were removed: the history file is rewritten at once, in
    // the background. `cleared` are the domains whose histories were emptied.
    void save_after_removal(const QList<QUuid>& cleared = {});
    // Moves a file that could not be loaded aside before its first replacement;
    // false when that failed and the file must not be written over.
    bool prepare_to_replace(const QString& path);

    Clock& clock_;
    bool monitors_;
    std::unique_ptr<MeasurementSource> owned_measurement_source_;
    MeasurementSource* measurement_source_ = nullptr;
    NetworkAvailabilityService* network_ = nullptr;
    TessaryNotificationService* notifications_ = nullptr;
    CertificateExpiryAlerts certificate_alerts_;
    StoreFiles files_;
    StoreLock lock_;
    uid_t user_;
    std::optional<QString> support_directory_warning_;
    QSet<QString> unreadable_files_;
    QStringList load_warnings_;

    QList<MonitoredDomain> domains_;
    // Where each domain was last found in `domains_`: a hint, checked on use.
    mutable QHash<QUuid, qsizetype> domain_index_hints_;
    std::optional<QUuid> selected_domain_id_;
    bool is_presenting_add_domain_ = false;
    QSet<QUuid> running_domain_ids_;
    QList<DomainRestoreSuggestion> deleted_domain_suggestions_;
    OutageAlerts outage_alerts_;

    HistoryPersistence persistence_;
    std::unique_ptr<HostingProfiles> hosting_profiles_;

    std::map<QUuid, std::unique_ptr<MonitoringTask>> monitoring_tasks_;
    // Which attempt put an id into running_domain_ids: a late attempt of an
    // archived-and-revived domain must not take out its successor's id.
    QHash<QUuid, quint64> running_attempts_;
    quint64 attempt_serial_ = 0;
    std::map<quint64, NetworkAvailabilityService::Wait> network_waits_;
    // Callbacks that arrive late are kept from finished objects in three ways:
    // a QPointer where a service answers a main-thread QObject (the measurement
    // source here, the provider service in HostingProfiles); a weak_ptr to the
    // shared state of a service whose work crosses threads (through ThreadInbox);
    // and the monitoring task's CancellationToken, which ends its steps. This flag
    // only covers the destructor, where cancelling the waits runs their callbacks
    // while the members go away; attempt serials are not about lifetime but tell
    // a revived domain's measurement from its predecessor's.
    bool tearing_down_ = false;
};
