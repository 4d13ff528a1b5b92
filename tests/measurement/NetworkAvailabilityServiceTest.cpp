#include "measurement/NetworkAvailabilityService.h"

#include "FakePathSource.h"
#include "ManualClock.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

// What one caller of wait_until_available() was told, and when.
struct Answer {
    int calls = 0;
    std::optional<bool> value;
    qint64 at_ms = -1;
};

// A service on a manual clock and a fake source, with callers kept by number.
class Gate {
public:
    explicit Gate(std::optional<bool> initial = std::nullopt)
        : source_(new FakePathSource(initial)),
          service_(std::make_unique<NetworkAvailabilityService>(
              std::unique_ptr<NetworkPathSource>(source_), clock_)),
          start_(clock_.now())
    {}

    ManualClock& clock() { return clock_; }
    NetworkAvailabilityService& service() { return *service_; }
    void report(bool usable) { source_->report(usable); }
    qint64 elapsed_ms() const { return start_.msecsTo(clock_.now()); }
    void run_until(qint64 ms) { clock_.advance_to(start_.addMSecs(ms)); }

    void arrive(int caller)
    {
        waits_[caller] = service_->wait_until_available([this, caller](bool available) {
            Answer& answer = answers_[caller];
            ++answer.calls;
            answer.value = available;
            answer.at_ms = elapsed_ms();
        });
    }
    void cancel(int caller) { waits_[caller].cancel(); }
    void drop(int caller) { waits_.erase(caller); }
    NetworkAvailabilityService::Wait& wait(int caller) { return waits_[caller]; }
    const Answer& answer(int caller) { return answers_[caller]; }
    void destroy_service() { service_.reset(); }

private:
    // Waits go first, while the service and the answers they report to still exist.
    ManualClock clock_;
    std::map<int, Answer> answers_;
    FakePathSource* source_;
    std::unique_ptr<NetworkAvailabilityService> service_;
    QDateTime start_;
    std::map<int, NetworkAvailabilityService::Wait> waits_;
};

enum class Action { usable, unusable, arrive, cancel };

struct Step {
    qint64 at_ms;
    Action action;
    int caller = 0;
};

struct Outcome {
    int caller;
    qint64 at_ms;
    bool value = true;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
    qint64 end_ms;
    std::vector<Outcome> outcomes;
    std::size_t parked_at_end = 0;
};

using enum Action;

// Times in milliseconds from the start; `at_ms` -1: still waiting at the end.
// clang-format off
const Scenario scenarios[] = {
    {"waits for the first report to settle", {{0, arrive, 0}, {1000, usable}}, 10000, {{0, 3000}}},
    {"arriving soon after a report", {{0, usable}, {500, arrive, 0}}, 10000, {{0, 2000}}},
    {"arriving long after a report", {{0, usable}, {10000, arrive, 0}}, 20000, {{0, 10000}}},
    {"arriving as it settles", {{0, usable}, {2000, arrive, 0}}, 5000, {{0, 2000}}},
    {"a usable report restarts the time", {{0, usable}, {1500, usable}, {1600, arrive, 0}}, 10000,
     {{0, 3500}}},
    {"a sleeper wakes on its own schedule", {{0, usable}, {500, arrive, 0}, {1500, usable}}, 10000,
     {{0, 2000}}},
    {"lost during the sleep parks", {{0, usable}, {500, arrive, 0}, {1000, unusable}}, 60000,
     {{0, -1}}, 1},
    {"parked ones settle anew", {{0, usable}, {500, arrive, 0}, {1000, unusable}, {4000, usable}},
     10000, {{0, 6000}}},
    {"back before sleep ends", {{0, usable}, {500, arrive, 0}, {1000, unusable}, {1500, usable}},
     10000, {{0, 2000}}},
    {"no network ever", {{0, arrive, 0}, {100, unusable}, {200, arrive, 1}}, 600000,
     {{0, -1}, {1, -1}}, 2},
    {"cancelled while parked", {{0, arrive, 0}, {100, arrive, 1}, {700, cancel, 0}}, 5000,
     {{0, 700, false}, {1, -1}}, 1},
    {"cancelled asleep", {{0, usable}, {500, arrive, 0}, {600, arrive, 1}, {1000, cancel, 0}},
     5000, {{0, 1000, false}, {1, 2000}}},
    {"cancelled after release", {{0, usable}, {500, arrive, 0}, {3000, cancel, 0}}, 5000,
     {{0, 2000}}},
    {"callers share one report",
     {{0, arrive, 0}, {300, arrive, 1}, {1000, usable}, {1500, arrive, 2}, {4000, arrive, 3}},
     10000, {{0, 3000}, {1, 3000}, {2, 3000}, {3, 4000}}},
};
// clang-format on

TEST(NetworkAvailabilityServiceTest, ReleasesCallersAtTheRightMoment)
{
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        Gate gate;
        for (const Step& step : scenario.steps) {
            gate.run_until(step.at_ms);
            switch (step.action) {
            case usable:
            case unusable:
                gate.report(step.action == usable);
                break;
            case arrive:
                gate.arrive(step.caller);
                break;
            case cancel:
                gate.cancel(step.caller);
                break;
            }
        }
        gate.run_until(scenario.end_ms);

        for (const Outcome& outcome : scenario.outcomes) {
            SCOPED_TRACE(testing::Message() << "caller " << outcome.caller);
            const Answer& answer = gate.answer(outcome.caller);
            const bool waiting = outcome.at_ms < 0;
            EXPECT_EQ(answer.calls, waiting ? 0 : 1);
            EXPECT_EQ(gate.wait(outcome.caller).is_pending(), waiting);
            if (!waiting) {
                EXPECT_EQ(answer.value, outcome.value);
                EXPECT_EQ(answer.at_ms, outcome.at_ms);
            }
        }
        EXPECT_EQ(gate.service().parked_count(), scenario.parked_at_end);
        // While the network is down nobody polls: parked callers hold no timer.
        if (!gate.service().is_available())
            EXPECT_EQ(gate.clock().pending_count(), 0u);
    }
}

TEST(NetworkAvailabilityServiceTest, TakesTheSourcesFirstReportAsItsStartingState)
{
    Gate down;
    EXPECT_FALSE(down.service().is_available());
    EXPECT_FALSE(down.service().available_since());

    Gate up(true);
    EXPECT_TRUE(up.service().is_available());
    EXPECT_EQ(up.service().available_since(), up.clock().now());
    up.run_until(100);
    up.report(false);
    EXPECT_FALSE(up.service().is_available());
    EXPECT_FALSE(up.service().available_since());
}

TEST(NetworkAvailabilityServiceTest, DestroyingTheWaitReleasesItWithFalseOnce)
{
    Gate gate;
    gate.arrive(0);
    gate.arrive(1);
    ASSERT_EQ(gate.service().parked_count(), 2u);

    gate.drop(0);
    EXPECT_EQ(gate.answer(0).calls, 1);
    EXPECT_EQ(gate.answer(0).value, false);
    EXPECT_EQ(gate.service().parked_count(), 1u);

    gate.report(true);
    gate.run_until(5000);
    EXPECT_EQ(gate.answer(0).calls, 1);
    EXPECT_EQ(gate.answer(1).value, true);
}

TEST(NetworkAvailabilityServiceTest, MovedWaitKeepsTheCallerAndReassignmentCancelsTheOld)
{
    Gate gate(true);
    int calls = 0;
    std::optional<bool> first;
    auto wait = gate.service().wait_until_available([&](bool available) {
        ++calls;
        first = available;
    });
    NetworkAvailabilityService::Wait moved = std::move(wait);
    EXPECT_TRUE(moved.is_pending());
    EXPECT_FALSE(wait.is_pending());

    moved = gate.service().wait_until_available([](bool) {});
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(first, false);
    EXPECT_TRUE(moved.is_pending());
}

TEST(NetworkAvailabilityServiceTest, CallbackMayCancelAnotherCallerDueAtTheSameMoment)
{
    Gate gate(true);
    std::vector<std::pair<char, bool>> answers;
    NetworkAvailabilityService::Wait second;
    auto first = gate.service().wait_until_available([&](bool available) {
        answers.emplace_back('a', available);
        second.cancel();
    });
    second = gate.service().wait_until_available(
        [&](bool available) { answers.emplace_back('b', available); });

    gate.run_until(5000);
    const std::vector<std::pair<char, bool>> expected = {{'a', true}, {'b', false}};
    EXPECT_EQ(answers, expected);
}

TEST(NetworkAvailabilityServiceTest, CallbackMayDestroyItsOwnWaitAndWaitAgain)
{
    Gate gate(true);
    std::vector<bool> answers;
    std::optional<NetworkAvailabilityService::Wait> wait;
    NetworkAvailabilityService::Wait again;
    wait = gate.service().wait_until_available([&](bool available) {
        answers.push_back(available);
        wait.reset();
        // Stable by now, so the second wait is answered before it returns.
        again =
            gate.service().wait_until_available([&](bool second) { answers.push_back(second); });
    });
    gate.run_until(5000);
    EXPECT_EQ(answers, (std::vector<bool>{true, true}));
    EXPECT_FALSE(again.is_pending());
}

TEST(NetworkAvailabilityServiceTest, DestroyedServiceReleasesItsCallersAndOutlivingWaitsAreHarmless)
{
    Gate gate;
    gate.arrive(0);
    gate.report(true);
    gate.run_until(500);
    gate.arrive(1);
    gate.run_until(1000);
    gate.report(false);
    gate.arrive(2);

    gate.destroy_service();
    for (const int caller : {0, 1, 2}) {
        EXPECT_EQ(gate.answer(caller).calls, 1) << caller;
        EXPECT_EQ(gate.answer(caller).value, false) << caller;
        EXPECT_FALSE(gate.wait(caller).is_pending()) << caller;
    }
    EXPECT_EQ(gate.clock().pending_count(), 0u);
    gate.cancel(0);
    gate.drop(1);
    gate.run_until(10000);
    EXPECT_EQ(gate.answer(0).calls, 1);
}

// A wall clock that can be set back, as the user or time synchronisation may do.
class SettableClock final : public Clock {
public:
    QDateTime now() const override { return timers.now().addMSecs(offset_ms); }
    std::unique_ptr<ScheduledCall> call_after(qint64 delay_ms,
                                              std::function<void()> callback) override
    {
        return timers.call_after(delay_ms, std::move(callback));
    }

    ManualClock timers;
    qint64 offset_ms = 0;
};

TEST(NetworkAvailabilityServiceTest, WallClockSetBackDoesNotStretchTheWait)
{
    SettableClock clock;
    auto* source = new FakePathSource(true);
    NetworkAvailabilityService service{std::unique_ptr<NetworkPathSource>(source), clock};
    clock.offset_ms = -3600 * 1000;

    std::optional<bool> answer;
    auto wait = service.wait_until_available([&](bool available) { answer = available; });
    EXPECT_EQ(clock.timers.ms_until_next(), NetworkAvailabilityService::stabilization_ms);
    clock.timers.advance_by(NetworkAvailabilityService::stabilization_ms);
    EXPECT_EQ(answer, true);
}

} // namespace
