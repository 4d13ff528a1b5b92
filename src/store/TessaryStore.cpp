#include "store/TessaryStore.h"

#include "hosting/ProviderGroups.h"
#include "i18n/L10n.h"
#include "measurement/EngineMeasurementSource.h"
#include "model/AtomicFile.h"
#include "model/DomainHost.h"
#include "model/DomainJson.h"
#include "model/MeasurementThresholds.h"
#include "model/PrivateFile.h"
#include "model/UrlNormalizer.h"
#include "store/DomainOrder.h"
#include "store/MonitoringSchedule.h"
#include "store/RestoreSuggestions.h"
#include "store/StoreLoader.h"
#include "store/SuggestionJson.h"
#include "store/SupportDirectory.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QPointer>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString invalid_url_message()
{
    return L10n::text(u"Enter a valid domain or URL.",
                      u"Voer een geldig domein of een geldige URL in.");
}

} // namespace

Expected<std::unique_ptr<TessaryStore>, QString> TessaryStore::open(Environment environment)
{
    // Creating the folder may fail (read-only parent); reads and writes then fail silently.
    SupportDirectory directory =
        SupportDirectory::prepare(environment.support_directory, true, environment.user);
    if (directory.refusal)
        return *directory.refusal;
    auto lock = StoreLock::acquire(environment.support_directory, environment.lock_holder,
                                   environment.user);
    if (!lock)
        return lock.error();
    std::unique_ptr<TessaryStore> store(
        new TessaryStore(std::move(environment), std::move(lock).value()));
    store->support_directory_warning_ = std::move(directory.warning);
    store->start_up();
    return store;
}

TessaryStore::TessaryStore(Environment environment, StoreLock lock)
    : clock_(*environment.clock), monitors_(environment.monitors),
      measurement_source_(environment.measurement_source), network_(environment.network),
      notifications_(environment.notifications),
      files_(StoreFiles::in(environment.support_directory)), lock_(std::move(lock)),
      user_(environment.user),
      persistence_(files_, clock_,
                   {[this] { return history_snapshot(); },
                    [this](const QString& path) { return prepare_to_replace(path); }})
{
    connect(&persistence_, &HistoryPersistence::save_finished, this,
            &TessaryStore::history_save_finished);
    create_hosting_profiles(environment.hosting);
    if (!monitors_)
        return;
    if (measurement_source_ == nullptr) {
        owned_measurement_source_ = std::make_unique<EngineMeasurementSource>();
        measurement_source_ = owned_measurement_source_.get();
    }
    if (network_ == nullptr)
        network_ = &NetworkAvailabilityService::shared();
    if (notifications_ == nullptr)
        notifications_ = &TessaryNotificationService::shared();
}

void TessaryStore::create_hosting_profiles(HostingProviderService* service)
{
    hosting_profiles_ = std::make_unique<HostingProfiles>(
        files_.hosting_profiles_url, service ? *service : HostingProviderService::shared(), clock_,
        [this](const QString& path) { return prepare_to_replace(path); });
    connect(hosting_profiles_.get(), &HostingProfiles::profiles_changed, this,
            &TessaryStore::hosting_profiles_changed);
}

TessaryStore::~TessaryStore()
{
    // Callbacks that still arrive while members go away must not touch the store.
    tearing_down_ = true;
    hosting_profiles_->cancel();
    monitoring_tasks_.clear();
    network_waits_.clear();
}

void TessaryStore::start_up()
{
    tidy_data_files();
    load();
    // A restart neither repeats the down alert of an outage nor forgets it; an
    // archived domain's outage ended with its monitoring.
    for (const MonitoredDomain& domain : std::as_const(domains_)) {
        if (!domain.is_archived)
            outage_alerts_.resume(domain);
    }
    sort_domains(domains_);
    select_first_active_domain();
    for (const MonitoredDomain& domain : active_domains())
        restart_monitoring(domain.id);
    refresh_hosting_profiles();
}

void TessaryStore::tidy_data_files()
{
    // Only under the lock: without it another process may be writing one right now.
    if (!lock_.is_held())
        return;
    for (const QString& path : files_.data_files()) {
        AtomicFile::remove_stale_temporary_files(path);
        if (auto opened = PrivateFile::open(path, O_RDONLY, user_))
            ::close(*opened);
    }
}

void TessaryStore::load()
{
    LoadedStore loaded = StoreLoader::load(files_);
    domains_ = std::move(loaded.domains);
    deleted_domain_suggestions_ = std::move(loaded.deleted_domain_suggestions);
    unreadable_files_ = std::move(loaded.unreadable_files);
    load_warnings_ = std::move(loaded.warnings);
    persistence_.resume(loaded.history_on_disk);
    if (hosting_profiles_->load() == HostingProfiles::LoadOutcome::unusable)
        unreadable_files_.insert(files_.hosting_profiles_url);
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

void TessaryStore::refresh_hosting_profiles()
{
    if (monitors_)
        hosting_profiles_->refresh(active_domains());
}

QList<DomainProviderGroup> TessaryStore::provider_groups() const
{
    return ::provider_groups(active_domains(), hosting_profiles_->profiles());
}

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

qsizetype TessaryStore::domain_index(const QUuid& domain_id) const
{
    // Where the domain was found last time, checked, since the list may have
    // changed: with ten thousand domains, each looked up several times per
    // measurement, a scan would cost more than the rest of the scheduling.
    if (const auto hint = domain_index_hints_.constFind(domain_id);
        hint != domain_index_hints_.cend() && *hint < domains_.size() &&
        domains_.at(*hint).id == domain_id)
        return *hint;
    const auto found = std::find_if(domains_.cbegin(), domains_.cend(),
                                    [&](const MonitoredDomain& d) { return d.id == domain_id; });
    if (found == domains_.cend())
        return -1;
    const qsizetype index = found - domains_.cbegin();
    domain_index_hints_.insert(domain_id, index);
    return index;
}

MonitoredDomain* TessaryStore::find_domain(const QUuid& domain_id)
{
    const qsizetype index = domain_index(domain_id);
    return index < 0 ? nullptr : &domains_[index];
}

const MonitoredDomain* TessaryStore::find_domain(const QUuid& domain_id) const
{
    const qsizetype index = domain_index(domain_id);
    return index < 0 ? nullptr : &domains_.at(index);
}

void TessaryStore::record_measurement(QUuid domain_id, DomainMeasurement measurement)
{
    MonitoredDomain* domain = find_domain(domain_id);
    if (domain == nullptr)
        return;
    const std::optional<double> previous_average = domain->statistics.average_total_time;
    const bool notifies = domain->notifies_on_anomalies;
    const QString url_string = domain->url_string;
    // The requested URL is nearly always the domain's own, and the X-headers often
    // those of the measurement before: share them rather than keep copies.
    if (measurement.url_string == url_string)
        measurement.url_string = url_string;
    if (!domain->measurements.isEmpty() &&
        domain->measurements.first().response_x_headers == measurement.response_x_headers)
        measurement.response_x_headers = domain->measurements.first().response_x_headers;
    domain->measurements.prepend(measurement);
    domain->refresh_statistics();
    // Before the signal: its receivers may change the domain list.
    const auto certificate_notice = certificate_alerts_.due(*domain, measurement, clock_.now());
    const std::optional<DomainAlert> alert = outage_alerts_.record(*domain, measurement);
    Q_EMIT domains_changed();
    persistence_.record(domain_id, measurement);
    if (notifies && MeasurementThresholds::is_anomaly(measurement.total_time, previous_average) &&
        notifications_ != nullptr) {
        notifications_->notify_build_time_exceeded(domain_host(url_string), measurement.total_time,
                                                   *previous_average, domain_id);
    }
    if (certificate_notice && notifications_ != nullptr)
        notifications_->notify_certificate_expiring(domain_host(url_string), *certificate_notice,
                                                    domain_id);
    if (alert && notifications_ != nullptr)
        notifications_->notify_domain_alert(*alert);
    Q_EMIT measurement_recorded(domain_id, measurement);
    if (alert)
        Q_EMIT domain_alert(*alert);
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

void TessaryStore::save_all_now()
{
    save_after_removal();
    persistence_.wait_for_writes();
}

void TessaryStore::save_after_removal(const QList<QUuid>& cleared)
{
    save_configuration();
    persistence_.compact(cleared);
}

void TessaryStore::flush_persistence()
{
    persistence_.save_now();
}

void TessaryStore::close_persistence()
{
    persistence_.close();
}

// Monitoring

void TessaryStore::restart_monitoring(const QUuid& domain_id)
{
    monitoring_tasks_.erase(domain_id);
    const MonitoredDomain* domain = find_domain(domain_id);
    if (!monitors_ || domain == nullptr || domain->is_archived || !domain->is_active)
        return;
    MonitoringTask::Owner owner{
        [this, domain_id] { return delay_before_next_measurement(domain_id); },
        [this, domain_id](std::shared_ptr<CancellationToken> token,
                          std::function<void(bool)> done) {
            perform_measurement(domain_id, true, std::move(token), std::move(done));
        },
    };
    monitoring_tasks_[domain_id] = std::make_unique<MonitoringTask>(std::move(owner), clock_);
}

void TessaryStore::stop_monitoring(const QUuid& domain_id)
{
    monitoring_tasks_.erase(domain_id);
    forget_running(domain_id);
}

qint64 TessaryStore::delay_before_next_measurement(const QUuid& domain_id) const
{
    const MonitoredDomain* domain = find_domain(domain_id);
    return domain ? MonitoringSchedule::delay_before_next_measurement(*domain, clock_.now()) : 0;
}

std::optional<QDateTime> TessaryStore::next_measurement_date(const QUuid& domain_id) const
{
    const MonitoredDomain* domain = find_domain(domain_id);
    if (domain == nullptr)
        return std::nullopt;
    return MonitoringSchedule::next_measurement_date(*domain, clock_.now());
}

void TessaryStore::measure_now(QUuid domain_id)
{
    if (!monitors_ || running_domain_ids_.contains(domain_id))
        return;
    perform_measurement(domain_id, false, nullptr, [](bool) {});
}

void TessaryStore::mark_running(const QUuid& domain_id, quint64 attempt)
{
    running_attempts_.insert(domain_id, attempt);
    running_domain_ids_.insert(domain_id);
    Q_EMIT running_domain_ids_changed();
    Q_EMIT domain_running_changed(domain_id, true);
}

void TessaryStore::finish_running(const QUuid& domain_id, quint64 attempt)
{
    if (running_attempts_.value(domain_id) == attempt)
        forget_running(domain_id);
}

void TessaryStore::forget_running(const QUuid& domain_id)
{
    running_attempts_.remove(domain_id);
    if (!running_domain_ids_.remove(domain_id))
        return;
    Q_EMIT running_domain_ids_changed();
    Q_EMIT domain_running_changed(domain_id, false);
}

void TessaryStore::perform_measurement(const QUuid& domain_id, bool enforce_interval,
                                       std::shared_ptr<CancellationToken> token,
                                       std::function<void(bool)> done)
{
    const MonitoredDomain* domain = find_domain(domain_id);
    if (running_domain_ids_.contains(domain_id) || domain == nullptr || domain->is_archived) {
        done(false);
        return;
    }
    const QUrl url(domain->url_string, QUrl::StrictMode);
    if (!url.isValid() || (enforce_interval && delay_before_next_measurement(domain_id) > 0)) {
        done(false);
        return;
    }
    const QString user_agent = domain->user_agent;
    const quint64 attempt = ++attempt_serial_;
    mark_running(domain_id, attempt);

    // The wait may end at once (a long stable network), inside wait_until_available.
    const auto waited = std::make_shared<bool>(false);
    auto after_wait = [this, domain_id, attempt, url, user_agent, token, done,
                       waited](bool available) {
        if (tearing_down_)
            return;
        network_waits_.erase(attempt);
        if (token)
            token->clear_interrupt();
        const MonitoredDomain* current = find_domain(domain_id);
        if (!available || (token && token->is_cancelled()) || current == nullptr ||
            current->is_archived) {
            finish_running(domain_id, attempt);
            done(false);
            return;
        }
        // A network that came back (or settled at start-up) frees every domain
        // that waited for it at the same moment: each goes in its own slot again.
        const qint64 spread = *waited && token ? delay_before_next_measurement(domain_id) : 0;
        if (spread <= 0) {
            request_measurement(domain_id, attempt, url, user_agent, done);
            return;
        }
        // The token holds the pending call until it runs or the task ends.
        const auto call = std::make_shared<std::unique_ptr<ScheduledCall>>();
        *call = clock_.call_after(spread, [this, domain_id, attempt, url, user_agent, token, done] {
            token->clear_interrupt(); // lets go of this call too
            const MonitoredDomain* again = find_domain(domain_id);
            if (token->is_cancelled() || again == nullptr || again->is_archived) {
                finish_running(domain_id, attempt);
                done(false);
                return;
            }
            request_measurement(domain_id, attempt, url, user_agent, done);
        });
        token->set_interrupt([this, call, domain_id, attempt, done] {
            call->reset();
            if (tearing_down_)
                return;
            finish_running(domain_id, attempt);
            done(false);
        });
    };
    NetworkAvailabilityService::Wait wait = network_->wait_until_available(std::move(after_wait));
    if (!wait.is_pending())
        return;
    *waited = true;
    network_waits_.emplace(attempt, std::move(wait));
    if (token) {
        token->set_interrupt([this, attempt] {
            // Taken out first: cancelling runs the callback, which forgets the wait.
            auto node = network_waits_.extract(attempt);
            if (!node.empty())
                node.mapped().cancel();
        });
    }
}

void TessaryStore::request_measurement(const QUuid& domain_id, quint64 attempt, const QUrl& url,
                                       const QString& user_agent,
                                       const std::function<void(bool)>& done)
{
    measurement_source_->measure(
        url.toString(QUrl::FullyEncoded), user_agent,
        [self = QPointer(this), domain_id, attempt, done](std::optional<DomainMeasurement> result) {
            if (!self || self->tearing_down_)
                return;
            self->finish_running(domain_id, attempt);
            // A domain removed meanwhile drops the result; an archived one keeps it.
            const bool recorded = result && self->find_domain(domain_id) != nullptr;
            if (recorded)
                self->record_measurement(domain_id, *std::move(result));
            done(recorded);
        });
}

// Domain operations

void TessaryStore::sort_and_publish(std::optional<QUuid> added)
{
    QHash<QUuid, qsizetype> previous_index;
    previous_index.reserve(domains_.size());
    for (qsizetype i = 0; i < domains_.size(); ++i)
        previous_index.insert(domains_[i].id, i);
    sort_domains(domains_);
    QList<qsizetype> previous_indices;
    previous_indices.reserve(domains_.size());
    bool moved = false;
    for (qsizetype i = 0; i < domains_.size(); ++i) {
        const QUuid& id = domains_[i].id;
        previous_indices.append(id == added ? -1 : previous_index.value(id));
        moved = moved || previous_indices.last() != i;
    }
    if (moved)
        Q_EMIT domains_reordered(previous_indices);
    Q_EMIT domains_changed();
}

std::optional<QString> TessaryStore::add_domain(const QString& url_string, int interval_seconds,
                                                int max_history_hours, const QString& user_agent,
                                                bool is_active, bool notifies_on_anomalies)
{
    const std::optional<QUrl> url = UrlNormalizer::normalize_url(url_string);
    if (!url)
        return invalid_url_message();
    const QString absolute = UrlNormalizer::absolute_string(*url);
    const QString key = UrlNormalizer::url_key(absolute);
    const auto same = std::find_if(domains_.begin(), domains_.end(), [&](const MonitoredDomain& d) {
        return UrlNormalizer::url_key(d.url_string) == key;
    });
    if (same != domains_.end() && !same->is_archived)
        return L10n::text(u"This domain is already being monitored.",
                          u"Dit domein wordt al gemonitord.");

    DomainSettings settings = DomainSettings{.url_string = absolute,
                                             .interval_seconds = interval_seconds,
                                             .max_history_hours = max_history_hours,
                                             .user_agent = user_agent,
                                             .is_active = is_active,
                                             .notifies_on_anomalies = notifies_on_anomalies}
                                  .bounded();
    QUuid id;
    std::optional<QUuid> appended;
    if (same != domains_.end()) {
        // Revival: the archived domain keeps its id, URL, pin state and history.
        settings.url_string = same->url_string;
        same->apply(settings);
        same->is_archived = false;
        id = same->id;
        remove_deleted_suggestion(same->url_string);
    } else {
        MonitoredDomain domain;
        domain.id = QUuid::createUuid();
        domain.apply(settings);
        domain.refresh_statistics();
        id = domain.id;
        appended = id;
        domains_.append(std::move(domain));
        remove_deleted_suggestion(absolute);
    }
    sort_and_publish(appended);
    Q_EMIT domain_list_changed();
    set_selected_domain_id(id);
    save_configuration();
    restart_monitoring(id);
    refresh_hosting_profiles();
    if (is_active)
        measure_now(id);
    return std::nullopt;
}

std::optional<QString> TessaryStore::update_domain(QUuid domain_id, const DomainSettings& settings)
{
    MonitoredDomain* current = find_domain(domain_id);
    if (current == nullptr)
        return std::nullopt;
    DomainSettings bounded = settings.bounded();
    // The stored URL stays as it is, even one that no longer normalises.
    if (bounded.url_string != current->url_string) {
        const std::optional<QUrl> url = UrlNormalizer::normalize_url(bounded.url_string);
        if (!url)
            return invalid_url_message();
        bounded.url_string = UrlNormalizer::absolute_string(*url);
    }
    // An outage of the old address says nothing about the new one.
    if (UrlNormalizer::url_key(bounded.url_string) != UrlNormalizer::url_key(current->url_string))
        outage_alerts_.forget(domain_id);
    current->apply(bounded);
    // The interval shapes the disturbance periods.
    current->refresh_statistics();
    sort_and_publish();
    Q_EMIT domain_settings_changed(domain_id);
    save_configuration();
    restart_monitoring(domain_id);
    refresh_hosting_profiles();
    return std::nullopt;
}

void TessaryStore::publish_list_change()
{
    Q_EMIT domains_changed();
    Q_EMIT domain_list_changed();
}

void TessaryStore::toggle_pin(QUuid domain_id)
{
    MonitoredDomain* domain = find_domain(domain_id);
    if (domain == nullptr)
        return;
    domain->is_pinned = !domain->is_pinned;
    sort_and_publish();
    Q_EMIT domain_list_changed();
    save_configuration();
}

void TessaryStore::clear_history(QUuid domain_id)
{
    MonitoredDomain* domain = find_domain(domain_id);
    if (domain == nullptr)
        return;
    domain->measurements.clear();
    domain->refresh_statistics();
    outage_alerts_.forget(domain_id);
    publish_list_change();
    save_after_removal({domain_id});
}

void TessaryStore::clear_all_history()
{
    QList<QUuid> cleared;
    for (MonitoredDomain& domain : domains_) {
        if (domain.is_archived)
            continue;
        domain.measurements.clear();
        domain.refresh_statistics();
        outage_alerts_.forget(domain.id);
        cleared.append(domain.id);
    }
    publish_list_change();
    save_after_removal(cleared);
}

void TessaryStore::clear_all()
{
    for (const MonitoredDomain& domain : std::as_const(domains_))
        store_deleted_suggestion(domain);
    for (const MonitoredDomain& domain : std::as_const(domains_))
        stop_monitoring(domain.id);
    domains_.clear();
    outage_alerts_ = OutageAlerts();
    publish_list_change();
    set_selected_domain_id(std::nullopt);
    save_after_removal();
}

// Archive, delete and restore

void TessaryStore::select_first_active_domain_if_selected(const QUuid& domain_id)
{
    if (selected_domain_id_ == domain_id)
        select_first_active_domain();
}

void TessaryStore::archive_domain(QUuid domain_id)
{
    MonitoredDomain* domain = find_domain(domain_id);
    if (domain == nullptr)
        return;
    stop_monitoring(domain_id);
    // A revival starts afresh instead of ending an outage of days ago.
    outage_alerts_.forget(domain_id);
    domain->is_archived = true;
    domain->is_pinned = false;
    publish_list_change();
    select_first_active_domain_if_selected(domain_id);
    save_configuration();
    flush_persistence();
    refresh_hosting_profiles();
}

void TessaryStore::archive_all()
{
    const QList<MonitoredDomain> active = active_domains();
    if (active.isEmpty())
        return;
    for (const MonitoredDomain& domain : active) {
        stop_monitoring(domain.id);
        outage_alerts_.forget(domain.id);
    }
    for (MonitoredDomain& domain : domains_) {
        domain.is_archived = true;
        domain.is_pinned = false;
    }
    publish_list_change();
    set_selected_domain_id(std::nullopt);
    save_configuration();
    flush_persistence();
    refresh_hosting_profiles();
}

void TessaryStore::remove_domain(QUuid domain_id)
{
    const MonitoredDomain* domain = find_domain(domain_id);
    if (domain == nullptr)
        return;
    const MonitoredDomain removed = *domain;
    stop_monitoring(domain_id);
    outage_alerts_.forget(domain_id);
    domains_.removeIf([&](const MonitoredDomain& d) { return d.id == domain_id; });
    publish_list_change();
    store_deleted_suggestion(removed);
    select_first_active_domain_if_selected(domain_id);
    save_after_removal();
    refresh_hosting_profiles();
}

void TessaryStore::store_deleted_suggestion(const MonitoredDomain& domain)
{
    const QString key = UrlNormalizer::url_key(domain.url_string);
    deleted_domain_suggestions_.removeIf([&](const DomainRestoreSuggestion& s) {
        return UrlNormalizer::url_key(s.url_string) == key;
    });
    deleted_domain_suggestions_.append(suggestion_from(domain, false));
    Q_EMIT deleted_domain_suggestions_changed();
    save_deleted_domain_suggestions();
}

void TessaryStore::remove_deleted_suggestion(const QString& url_string)
{
    const QString key = UrlNormalizer::url_key(url_string);
    const qsizetype removed =
        deleted_domain_suggestions_.removeIf([&](const DomainRestoreSuggestion& s) {
            return UrlNormalizer::url_key(s.url_string) == key;
        });
    if (removed == 0)
        return;
    Q_EMIT deleted_domain_suggestions_changed();
    save_deleted_domain_suggestions();
}

QList<DomainRestoreSuggestion> TessaryStore::restore_suggestions() const
{
    return ::restore_suggestions(domains_, deleted_domain_suggestions_);
}
