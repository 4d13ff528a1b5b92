#include "measurement/SharedBaselineProbe.h"

#include "measurement/ThreadInbox.h"

SharedBaselineProbe::SharedBaselineProbe(HttpEngine& engine, Clock& clock, QUrl endpoint,
                                         std::chrono::milliseconds limit)
    : engine_(engine), clock_(clock), endpoint_(std::move(endpoint)), limit_(limit)
{}

SharedBaselineProbe::~SharedBaselineProbe() = default;

void SharedBaselineProbe::measure(Done done)
{
    if (last_ && !running_ && clock_.now() < last_ended_at_.addMSecs(reuse.count())) {
        ThreadInbox::current()->post([done = std::move(done), result = *last_] { done(result); });
        return;
    }
    waiting_.append(std::move(done));
    if (running_)
        return;
    ++probes_started_;
    running_ = std::make_unique<NetworkBaselineProbe>(engine_, clock_, endpoint_, limit_);
    running_->measure([this](NetworkBaselineResult result) { finish(result); });
}

void SharedBaselineProbe::finish(NetworkBaselineResult result)
{
    // Taken out first: a waiter may start the next probe, or delete this object.
    last_ = result;
    last_ended_at_ = clock_.now();
    const QList<Done> waiting = std::exchange(waiting_, {});
    std::unique_ptr<NetworkBaselineProbe> finished = std::move(running_);
    for (const Done& done : waiting)
        done(result);
}
