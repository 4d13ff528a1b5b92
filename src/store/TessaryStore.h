#pragma once

#include "model/Clock.h"
#include "model/Expected.h"
#include "model/MonitoredDomain.h"
#include "store/DomainRestoreSuggestion.h"
#include "store/HistorySnapshot.h"
#include "store/HistoryWriter.h"
#include "store/StoreFiles.h"
#include "store/StoreLock.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

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
    };

    // Takes the data folder's lock and runs the start-up sequence. Fails only when
    // another process holds the lock.
    static Expected<std::unique_ptr<TessaryStore>, QString> open(Environment environment);

    // Cancels pending work and saves nothing (the shell flushes before quitting).
    ~TessaryStore() override;

    // Published state.
    const QList<MonitoredDomain>& domains() const { return domains_; }
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

    // Inserts a finished measurement at the head of its domain's history,
    // recomputes the statistics and asks for a history save. A measurement of a
    // domain that no longer exists is dropped.
    void record_measurement(const QUuid& domain_id, DomainMeasurement measurement);

    // Persistence. save_configuration writes domains.json at once;
    // schedule_history_save writes the history 20 s after the first request, off
    // the main thread; save_all_now writes both at once; flush_persistence writes
    // the history at once (on deactivation and before quitting).
    void save_configuration();
    void schedule_history_save();
    void save_all_now();
    void flush_persistence();
    void save_deleted_domain_suggestions();
    HistorySnapshot history_snapshot() const;
    bool has_pending_history_save() const { return history_save_task_.has_value(); }

    static constexpr qint64 history_save_delay_ms = 20'000;

Q_SIGNALS:
    void domains_changed();
    void selected_domain_id_changed();
    void is_presenting_add_domain_changed();
    void running_domain_ids_changed();
    void deleted_domain_suggestions_changed();
    // A debounced history write has finished (written, or skipped after a failure).
    void history_save_finished();

private:
    TessaryStore(Environment environment, StoreLock lock);

    void start_up();
    void load();
    void select_first_active_domain();
    // Monitoring and provider lookups join in later; these are where they start.
    void restart_monitoring(const QUuid& domain_id);
    void refresh_hosting_profiles();

    void start_history_write();
    void cancel_history_save();
    void write_history_now();
    // Moves a file that could not be loaded aside before its first replacement;
    // false when that failed and the file must not be written over.
    bool prepare_to_replace(const QString& path);

    Clock& clock_;
    StoreFiles files_;
    StoreLock lock_;
    QSet<QString> unreadable_files_;

    QList<MonitoredDomain> domains_;
    std::optional<QUuid> selected_domain_id_;
    bool is_presenting_add_domain_ = false;
    QSet<QUuid> running_domain_ids_;
    QList<DomainRestoreSuggestion> deleted_domain_suggestions_;

    struct HistorySaveTask {
        quint64 token = 0;
        std::unique_ptr<ScheduledCall> sleep; // null once the write has started
    };
    std::optional<HistorySaveTask> history_save_task_;
    quint64 history_save_tokens_ = 0;
    HistoryWriter history_writer_;
};
