#pragma once

#include "measurement/HttpEngine.h"

#include <chrono>
#include <map>
#include <optional>
#include <vector>

// Transfers on the test's command: each one waits, as in the engine's
// admission line, until the test starts it, and ends when the test finishes
// it. Everything runs on the test's thread; the fake records when each
// transfer was started.
class FakeHttpEngine final : public HttpEngine {
public:
    struct Transfer {
        HttpRequest request;
        Completion done;
        Started started;
        std::optional<std::chrono::steady_clock::time_point> started_at;
        bool cancelled = false;
    };

    TransferId start(HttpRequest request, Completion done, Started started = {}) override
    {
        const TransferId id = ++last_id_;
        Transfer transfer;
        transfer.request = std::move(request);
        transfer.done = std::move(done);
        transfer.started = std::move(started);
        transfers_.emplace(id, std::move(transfer));
        order_.push_back(id);
        return id;
    }

    void cancel(TransferId id) override
    {
        const auto found = transfers_.find(id);
        if (found == transfers_.end() || !found->second.done)
            return;
        found->second.cancelled = true;
        HttpResult result;
        result.cancelled = true;
        result.error = QStringLiteral("Transfer cancelled");
        finish(id, std::move(result));
    }

    std::shared_ptr<CurlConnectionGroup> new_connection_group() override { return nullptr; }

    // The id of the n-th transfer asked for (from 0), in order of arrival.
    TransferId id_of(std::size_t n) const { return order_.at(n); }
    std::size_t count() const { return order_.size(); }
    const Transfer& transfer(TransferId id) const { return transfers_.at(id); }

    // It leaves the line now.
    void begin(TransferId id)
    {
        Transfer& t = transfers_.at(id);
        t.started_at = std::chrono::steady_clock::now();
        if (t.started)
            t.started(*t.started_at);
    }

    // It ends with `result` (whose `started` is set to when it began).
    void finish(TransferId id, HttpResult result)
    {
        Transfer& t = transfers_.at(id);
        if (t.started_at)
            result.started = *t.started_at;
        Completion done = std::move(t.done);
        t.done = nullptr;
        if (done)
            done(std::move(result));
    }

private:
    TransferId last_id_ = 0;
    std::map<TransferId, Transfer> transfers_;
    std::vector<TransferId> order_;
};
