#pragma once

#include "measurement/MeasurementSource.h"
#include "model/Clock.h"

#include <QDateTime>
#include <QUuid>

#include <deque>
#include <optional>

// Measurements on the test's command: every request waits until the test
// completes it, in order, with a measurement of its choosing.
class FakeMeasurementSource final : public MeasurementSource {
public:
    struct Request {
        QString url_string;
        QString user_agent;
        Done done;
    };

    explicit FakeMeasurementSource(Clock& clock) : clock_(clock) {}

    void measure(const QString& url_string, const QString& user_agent, Done done) override
    {
        ++started_;
        pending_.push_back({url_string, user_agent, std::move(done)});
    }

    std::size_t pending_count() const { return pending_.size(); }
    int started_count() const { return started_; }
    const Request& next() const { return pending_.front(); }

    // Completes the oldest request with `result` (none: the probe found no network).
    void complete(std::optional<DomainMeasurement> result)
    {
        Request request = std::move(pending_.front());
        pending_.pop_front();
        request.done(std::move(result));
    }

    // Completes the oldest request with a measurement finished now.
    void complete_with(double total_time, std::optional<int> status = 200,
                       std::optional<QString> error = std::nullopt, bool local_issue = false)
    {
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = clock_.now();
        m.url_string = pending_.front().url_string;
        m.total_time = total_time;
        m.http_status = status;
        m.error_message = std::move(error);
        m.is_local_network_issue = local_issue;
        complete(std::move(m));
    }

private:
    Clock& clock_;
    std::deque<Request> pending_;
    int started_ = 0;
};
