#pragma once

#include <QtGlobal>

#include <chrono>
#include <deque>
#include <optional>
#include <unordered_map>
#include <vector>

// Decides when a transfer may start. Connecting and the TLS handshake are where
// transfers cost the engine thread most; when a thousand of them run at once,
// each one's phases also time the others' work. So at most `limit` transfers
// are in those phases at once and the rest wait, in order of arrival, before
// they start: a wait that is no part of any phase, since a transfer's clock
// starts when it is admitted. A transfer stops counting when its connection is
// ready, when it ends, or after `hold`: one that is still connecting by then
// waits for the network (a slow or silent host), not for this thread, and must
// not keep the others waiting.
//
// Plain bookkeeping on one thread; the engine tells it what happens.
class ConnectionAdmission {
public:
    using Ticket = quint64;
    using Clock = std::chrono::steady_clock;

    ConnectionAdmission(int limit, std::chrono::milliseconds hold);

    // Waits in line; admit() lets it go.
    void enqueue(Ticket ticket);
    // Counts from `now` without waiting (the baseline probe, which times the
    // network and must not queue behind the measurements).
    void start_at_once(Ticket ticket, Clock::time_point now);
    // Its connection is ready (or was reused): the request is under way.
    void connected(Ticket ticket);
    // It ended or was cancelled, whether waiting, connecting or connected.
    void finished(Ticket ticket);

    // The waiting tickets that may start at `now`, in order of arrival; from
    // then on they count as connecting.
    std::vector<Ticket> admit(Clock::time_point now);
    // When a connecting ticket will stop counting, while others wait.
    std::optional<Clock::time_point> next_expiry() const;

    int connecting() const { return int(connecting_.size()); }
    std::size_t waiting() const { return waiting_.size(); }

private:
    void expire(Clock::time_point now);

    int limit_;
    std::chrono::milliseconds hold_;
    std::deque<Ticket> waiting_;
    // Ticket -> when it was admitted.
    std::unordered_map<Ticket, Clock::time_point> connecting_;
    // Admission order, for expiry; may hold tickets that no longer count.
    std::deque<std::pair<Clock::time_point, Ticket>> admitted_;
};
