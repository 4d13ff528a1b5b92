#include "store/MonitoringTask.h"

#include "store/MonitoringSchedule.h"

MonitoringTask::MonitoringTask(Owner owner, Clock& clock)
    : owner_(std::move(owner)), clock_(clock), token_(std::make_shared<CancellationToken>())
{
    sleep_then_step(0);
}

MonitoringTask::~MonitoringTask()
{
    token_->cancel();
}

void MonitoringTask::sleep_then_step(qint64 ms)
{
    sleep_ = clock_.call_after(ms, [this] { step(); });
}

void MonitoringTask::step()
{
    const qint64 delay = owner_.delay_ms();
    if (delay > 0) {
        sleep_then_step(delay);
        return;
    }
    // The attempt may outlive this task; its report is ignored once cancelled.
    owner_.attempt(token_, [this, token = token_](bool recorded) {
        if (token->is_cancelled())
            return;
        if (recorded)
            step();
        else
            sleep_then_step(MonitoringSchedule::retry_pause_ms);
    });
}
