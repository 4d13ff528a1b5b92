#pragma once

#include "measurement/NetworkPathSource.h"
#include "model/Clock.h"

#include <QDateTime>

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>

// Holds measurements back while there is no usable network path, and for a
// short stabilisation time after one appears. Lives on the thread that created
// it (the main thread); every member is called there and every callback runs
// there.
class NetworkAvailabilityService {
    struct Waiter;

public:
    static constexpr qint64 stabilization_ms = 2000;

    using Callback = std::function<void(bool available)>;

    // A pending wait_until_available(). Cancelling or destroying it releases the
    // wait at once: its callback gets false before cancel() or the destructor
    // returns. Once the callback has run, both do nothing.
    class Wait {
    public:
        Wait() = default;
        Wait(Wait&& other) noexcept = default;
        Wait& operator=(Wait&& other) noexcept;
        Wait(const Wait&) = delete;
        Wait& operator=(const Wait&) = delete;
        ~Wait();

        void cancel();
        // Whether the callback is still to come.
        bool is_pending() const;

    private:
        friend class NetworkAvailabilityService;
        explicit Wait(std::shared_ptr<Waiter> waiter) : waiter_(std::move(waiter)) {}
        std::shared_ptr<Waiter> waiter_;
    };

    // Starts `source` at once; until its first report the network counts as unusable.
    NetworkAvailabilityService(std::unique_ptr<NetworkPathSource> source, Clock& clock);
    // Releases every remaining wait with false.
    ~NetworkAvailabilityService();
    NetworkAvailabilityService(const NetworkAvailabilityService&) = delete;
    NetworkAvailabilityService& operator=(const NetworkAvailabilityService&) = delete;

    // The process-wide instance, watching the kernel's routing state on the
    // system clock; created on first use, from the main thread, and kept for
    // the life of the process. The store takes another one in its place
    // (TessaryStore::Environment).
    static NetworkAvailabilityService& shared();

    // Calls `callback` with true once the network is usable and has been since
    // the last usable report for the stabilisation time; with false when the
    // returned wait is cancelled or destroyed first. When the network has long
    // been stable, the callback runs before this returns.
    [[nodiscard]] Wait wait_until_available(Callback callback);

    bool is_available() const { return is_available_; }
    std::optional<QDateTime> available_since() const { return available_since_; }
    // Waits parked until the network comes back (not those sleeping out the
    // stabilisation time).
    std::size_t parked_count() const { return parked_.size(); }

private:
    void update(bool is_available);
    void step(const std::shared_ptr<Waiter>& waiter);
    void wake_after_sleep(const std::shared_ptr<Waiter>& waiter);
    void cancel(const std::shared_ptr<Waiter>& waiter);
    void finish(const std::shared_ptr<Waiter>& waiter, bool available);

    Clock& clock_;
    bool is_available_ = false;
    std::optional<QDateTime> available_since_;
    quint64 next_waiter_id_ = 0;
    std::map<quint64, std::shared_ptr<Waiter>> parked_;
    // Every wait whose callback is still to come, parked or sleeping.
    std::map<quint64, std::weak_ptr<Waiter>> pending_;
    std::unique_ptr<NetworkPathSource> source_;
};
