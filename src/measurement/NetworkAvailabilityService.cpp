#include "measurement/NetworkAvailabilityService.h"

#include "measurement/NetlinkPathSource.h"

#include <algorithm>
#include <utility>

struct NetworkAvailabilityService::Waiter {
    quint64 id = 0;
    Callback callback;
    // Cleared when the callback has been called (or is being called).
    NetworkAvailabilityService* service = nullptr;
    std::unique_ptr<ScheduledCall> sleep;
};

NetworkAvailabilityService::Wait& NetworkAvailabilityService::Wait::operator=(Wait&& other) noexcept
{
    if (this != &other) {
        cancel();
        waiter_ = std::move(other.waiter_);
    }
    return *this;
}

NetworkAvailabilityService::Wait::~Wait()
{
    cancel();
}

void NetworkAvailabilityService::Wait::cancel()
{
    if (is_pending())
        waiter_->service->cancel(waiter_);
}

bool NetworkAvailabilityService::Wait::is_pending() const
{
    return waiter_ && waiter_->service != nullptr;
}

NetworkAvailabilityService::NetworkAvailabilityService(std::unique_ptr<NetworkPathSource> source,
                                                       Clock& clock)
    : clock_(clock), source_(std::move(source))
{
    source_->start([this](bool usable) { update(usable); });
}

NetworkAvailabilityService::~NetworkAvailabilityService()
{
    source_.reset();
    parked_.clear();
    const auto pending = std::exchange(pending_, {});
    for (const auto& [id, weak] : pending) {
        if (const auto waiter = weak.lock()) {
            waiter->sleep.reset();
            finish(waiter, false);
        }
    }
}

NetworkAvailabilityService& NetworkAvailabilityService::shared()
{
    // Never destroyed: the watcher runs for the life of the process, and its
    // socket notifier must not outlive the event dispatcher at exit.
    static auto* const instance =
        new NetworkAvailabilityService(std::make_unique<NetlinkPathSource>(), Clock::system());
    return *instance;
}

NetworkAvailabilityService::Wait NetworkAvailabilityService::wait_until_available(Callback callback)
{
    auto waiter = std::make_shared<Waiter>();
    waiter->id = next_waiter_id_++;
    waiter->callback = std::move(callback);
    waiter->service = this;
    pending_.emplace(waiter->id, waiter);
    Wait wait(waiter);
    step(waiter);
    return wait;
}

void NetworkAvailabilityService::update(bool is_available)
{
    is_available_ = is_available;
    // Every usable report restarts the stabilisation time, even when the path
    // was usable already: the path underneath has changed.
    available_since_ = is_available ? std::optional(clock_.now()) : std::nullopt;
    if (!is_available)
        return;
    const auto resumed = std::exchange(parked_, {});
    for (const auto& [id, waiter] : resumed) {
        if (waiter->service == this)
            step(waiter);
    }
}

void NetworkAvailabilityService::step(const std::shared_ptr<Waiter>& waiter)
{
    if (!is_available_) {
        // No polling while the network is down: the next usable report resumes it.
        parked_.emplace(waiter->id, waiter);
        return;
    }
    const QDateTime now = clock_.now();
    const qint64 elapsed_ms = available_since_.value_or(now).msecsTo(now);
    // Capped, so a wall clock set back cannot stretch the wait beyond one period.
    const qint64 remaining_ms = std::min(stabilization_ms - elapsed_ms, stabilization_ms);
    if (remaining_ms <= 0) {
        finish(waiter, true);
        return;
    }
    const std::weak_ptr<Waiter> weak = waiter;
    waiter->sleep = clock_.call_after(remaining_ms, [weak] {
        if (const auto sleeper = weak.lock(); sleeper && sleeper->service != nullptr)
            sleeper->service->wake_after_sleep(sleeper);
    });
}

void NetworkAvailabilityService::wake_after_sleep(const std::shared_ptr<Waiter>& waiter)
{
    // The stabilisation time is not consulted again: a usable network after the
    // sleep lets the caller through, an unusable one parks it.
    if (is_available_)
        finish(waiter, true);
    else
        parked_.emplace(waiter->id, waiter);
}

void NetworkAvailabilityService::cancel(const std::shared_ptr<Waiter>& waiter)
{
    parked_.erase(waiter->id);
    waiter->sleep.reset();
    finish(waiter, false);
}

void NetworkAvailabilityService::finish(const std::shared_ptr<Waiter>& waiter, bool available)
{
    pending_.erase(waiter->id);
    waiter->service = nullptr;
    // The callback may destroy the wait, and with it the waiter.
    const Callback callback = std::exchange(waiter->callback, nullptr);
    if (callback)
        callback(available);
}
