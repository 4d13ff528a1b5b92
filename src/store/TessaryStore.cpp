#include "store/TessaryStore.h"

#include "model/DomainJson.h"
#include "store/AtomicFile.h"
#include "store/DomainOrder.h"
#include "store/StoreLoader.h"
#include "store/SuggestionJson.h"

#include <QDir>
#include <QFile>

#include <algorithm>

Expected<std::unique_ptr<TessaryStore>, QString> TessaryStore::open(Environment environment)
{
    // Creating the folder may fail (read-only parent); reads and writes then fail silently.
    QDir().mkpath(environment.support_directory);
    auto lock = StoreLock::acquire(environment.support_directory, environment.lock_holder);
    if (!lock)
        return lock.error();
    std::unique_ptr<TessaryStore> store(
        new TessaryStore(std::move(environment), std::move(lock).value()));
    store->start_up();
    return store;
}

TessaryStore::TessaryStore(Environment environment, StoreLock lock)
    : clock_(*environment.clock), files_(StoreFiles::in(environment.support_directory)),
      lock_(std::move(lock)), history_writer_(files_.history_url)
{}

TessaryStore::~TessaryStore()
{
    history_save_task_.reset();
    history_writer_.wait_for_background_writes();
}

void TessaryStore::start_up()
{
    load();
    sort_domains(domains_);
    select_first_active_domain();
    for (const MonitoredDomain& domain : active_domains())
        restart_monitoring(domain.id);
    refresh_hosting_profiles();
}

void TessaryStore::load()
{
    LoadedStore loaded = StoreLoader::load(files_);
    domains_ = std::move(loaded.domains);
    deleted_domain_suggestions_ = std::move(loaded.deleted_domain_suggestions);
    unreadable_files_ = std::move(loaded.unreadable_files);
    if (loaded.needs_migration)
        save_all_now();
}

void TessaryStore::select_first_active_domain()
{
    const auto first_active = std::find_if(domains_.cbegin(), domains_.cend(),
                                           [](const MonitoredDomain& d) { return !d.is_archived; });
    set_selected_domain_id(first_active == domains_.cend() ? std::nullopt
                                                           : std::optional(first_active->id));
}

void TessaryStore::restart_monitoring(const QUuid&) {}

void TessaryStore::refresh_hosting_profiles() {}

void TessaryStore::set_selected_domain_id(std::optional<QUuid> id)
{
    if (selected_domain_id_ == id)
        return;
    selected_domain_id_ = id;
    Q_EMIT selected_domain_id_changed();
}

void TessaryStore::set_is_presenting_add_domain(bool presenting)
{
    if (is_presenting_add_domain_ == presenting)
        return;
    is_presenting_add_domain_ = presenting;
    Q_EMIT is_presenting_add_domain_changed();
}

QList<MonitoredDomain> TessaryStore::active_domains() const
{
    QList<MonitoredDomain> active;
    std::copy_if(domains_.cbegin(), domains_.cend(), std::back_inserter(active),
                 [](const MonitoredDomain& d) { return !d.is_archived; });
    return active;
}

QList<MonitoredDomain> TessaryStore::archived_domains() const
{
    QList<MonitoredDomain> archived;
    std::copy_if(domains_.cbegin(), domains_.cend(), std::back_inserter(archived),
                 [](const MonitoredDomain& d) { return d.is_archived; });
    return archived;
}

std::optional<MonitoredDomain> TessaryStore::selected_domain() const
{
    if (!selected_domain_id_)
        return std::nullopt;
    const auto found =
        std::find_if(domains_.cbegin(), domains_.cend(), [&](const MonitoredDomain& d) {
            return !d.is_archived && d.id == *selected_domain_id_;
        });
    return found == domains_.cend() ? std::nullopt : std::optional(*found);
}

void TessaryStore::record_measurement(const QUuid& domain_id, DomainMeasurement measurement)
{
    const auto found = std::find_if(domains_.begin(), domains_.end(),
                                    [&](const MonitoredDomain& d) { return d.id == domain_id; });
    if (found == domains_.end())
        return;
    found->measurements.prepend(std::move(measurement));
    found->refresh_statistics();
    Q_EMIT domains_changed();
    schedule_history_save();
}

HistorySnapshot TessaryStore::history_snapshot() const
{
    HistorySnapshot snapshot;
    snapshot.reserve(domains_.size());
    for (const MonitoredDomain& domain : domains_)
        snapshot.append({domain.id, domain.measurements});
    return snapshot;
}

bool TessaryStore::prepare_to_replace(const QString& path)
{
    if (!unreadable_files_.contains(path))
        return true;
    if (!QFile::exists(path)) {
        unreadable_files_.remove(path);
        return true;
    }
    const QString stamp = clock_.now().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFile::exists(aside); ++n)
        aside =
            path + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, aside))
        return false;
    unreadable_files_.remove(path);
    return true;
}

void TessaryStore::save_configuration()
{
    if (!prepare_to_replace(files_.persistence_url))
        return;
    // Errors are left alone: the previous file stays whole and the next save retries.
    AtomicFile::write(files_.persistence_url,
                      DomainJson::encode_list(domains_, DomainJson::MeasurementsField::left_empty));
}

void TessaryStore::save_deleted_domain_suggestions()
{
    if (!prepare_to_replace(files_.deleted_domain_suggestions_url))
        return;
    AtomicFile::write(files_.deleted_domain_suggestions_url,
                      SuggestionJson::encode_list(deleted_domain_suggestions_));
}

void TessaryStore::schedule_history_save()
{
    if (history_save_task_)
        return;
    const quint64 token = ++history_save_tokens_;
    history_save_task_ = HistorySaveTask{
        token, clock_.call_after(history_save_delay_ms, [this] { start_history_write(); })};
}

void TessaryStore::start_history_write()
{
    history_save_task_->sleep.reset();
    const quint64 token = history_save_task_->token;
    const auto finish = [this, token] {
        // A save_all_now or flush meanwhile has already cleared (or replaced) the task.
        if (history_save_task_ && history_save_task_->token == token)
            history_save_task_.reset();
        Q_EMIT history_save_finished();
    };
    if (!prepare_to_replace(files_.history_url)) {
        finish();
        return;
    }
    history_writer_.write_in_background(history_snapshot(), history_writer_.next_generation(), this,
                                        finish);
}

void TessaryStore::cancel_history_save()
{
    history_save_task_.reset();
}

void TessaryStore::write_history_now()
{
    if (!prepare_to_replace(files_.history_url))
        return;
    history_writer_.write_now(history_snapshot(), history_writer_.next_generation());
}

void TessaryStore::save_all_now()
{
    cancel_history_save();
    save_configuration();
    write_history_now();
}

void TessaryStore::flush_persistence()
{
    cancel_history_save();
    write_history_now();
}
