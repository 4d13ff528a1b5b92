#include "measurement/ConnectionAdmission.h"

#include <algorithm>

ConnectionAdmission::ConnectionAdmission(int limit, std::chrono::milliseconds hold)
    : limit_(std::max(limit, 1)), hold_(hold)
{}

void ConnectionAdmission::enqueue(Ticket ticket)
{
    waiting_.push_back(ticket);
}

void ConnectionAdmission::start_at_once(Ticket ticket, Clock::time_point now)
{
    connecting_.emplace(ticket, now);
    admitted_.emplace_back(now, ticket);
}

void ConnectionAdmission::connected(Ticket ticket)
{
    connecting_.erase(ticket);
}

void ConnectionAdmission::finished(Ticket ticket)
{
    if (connecting_.erase(ticket) > 0)
        return;
    const auto found = std::find(waiting_.begin(), waiting_.end(), ticket);
    if (found != waiting_.end())
        waiting_.erase(found);
}

void ConnectionAdmission::expire(Clock::time_point now)
{
    while (!admitted_.empty()) {
        const auto& [admitted_at, ticket] = admitted_.front();
        const auto found = connecting_.find(ticket);
        // Gone already, or admitted again later (tickets are not reused, but be safe).
        if (found == connecting_.end() || found->second != admitted_at) {
            admitted_.pop_front();
            continue;
        }
        if (now - admitted_at < hold_)
            break;
        connecting_.erase(found);
        admitted_.pop_front();
    }
}

std::vector<ConnectionAdmission::Ticket> ConnectionAdmission::admit(Clock::time_point now)
{
    expire(now);
    std::vector<Ticket> admitted;
    while (!waiting_.empty() && int(connecting_.size()) < limit_) {
        const Ticket ticket = waiting_.front();
        waiting_.pop_front();
        connecting_.emplace(ticket, now);
        admitted_.emplace_back(now, ticket);
        admitted.push_back(ticket);
    }
    return admitted;
}

std::optional<ConnectionAdmission::Clock::time_point> ConnectionAdmission::next_expiry() const
{
    if (waiting_.empty())
        return std::nullopt;
    for (const auto& [admitted_at, ticket] : admitted_) {
        const auto found = connecting_.find(ticket);
        if (found != connecting_.end() && found->second == admitted_at)
            return admitted_at + hold_;
    }
    return std::nullopt;
}
