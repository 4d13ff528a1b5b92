#include "measurement/NetworkAvailabilityService.h"

#include "FakePathSource.h"
#include "ManualClock.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

using Wait = NetworkAvailabilityService::Wait;

// What one caller of wait_until_available() was told, and when.
struct Answer {
    int calls = 0;
    std::optional<bool> value;
    qint64 at_ms = -1;
    bool operator==(const Answer&) const = default;
};

// A service on a manual clock and a fake source, with callers kept by number.
// Waits are declared last so they go first, while what they report to exists.
struct Gate {
    explicit Gate(std::optional<bool> initial = std::nullopt)
        : source(new FakePathSource(initial)),
          service(std::make_unique<NetworkAvailabilityService>(
              std::unique_ptr<NetworkPathSource>(source), clock))
    {}

    void run_until(qint64 ms) { clock.advance_to(start.addMSecs(ms)); }
    void arrive(int caller)
    {
        waits[caller] = service->wait_until_available([this, caller](bool available) {
            answers[caller] = {answers[caller].calls + 1, available, start.msecsTo(clock.now())};
        });
    }

    ManualClock clock;
    QDateTime start = clock.now();
    std::map<int, Answer> answers;
    FakePathSource* source;
    std::unique_ptr<NetworkAvailabilityService> service;
    std::map<int, Wait> waits;
};

enum class Action { usable, unusable, arrive, cancel, drop };

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
    {"wait destroyed while parked", {{0, arrive, 0}, {100, arrive, 1}, {700, drop, 0}}, 5000,
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
            if (step.action == usable || step.action == unusable)
                gate.source->report(step.action == usable);
            else if (step.action == arrive)
                gate.arrive(step.caller);
            else if (step.action == cancel)
                gate.waits[step.caller].cancel();
            else
                gate.waits.erase(step.caller);
        }
        gate.run_until(scenario.end_ms);

        for (const Outcome& outcome : scenario.outcomes) {
            SCOPED_TRACE(testing::Message() << "caller " << outcome.caller);
            const bool waiting = outcome.at_ms < 0;
            EXPECT_EQ(gate.answers[outcome.caller],
                      (waiting ? Answer{} : Answer{1, outcome.value, outcome.at_ms}));
            EXPECT_EQ(gate.waits[outcome.caller].is_pending(), waiting);
        }
        EXPECT_EQ(gate.service->parked_count(), scenario.parked_at_end);
        // While the network is down nobody polls: parked callers hold no timer.
        EXPECT_TRUE(gate.service->is_available() || gate.clock.pending_count() == 0);
    }
}

TEST(NetworkAvailabilityServiceTest,
     ReassignedWaitIsCancelledCallbacksMayCancelOthersDestroyTheirOwnAndWaitAgain)
{
    Gate gate(true);
    std::vector<std::pair<char, bool>> answers;
    std::optional<Wait> first;
    Wait again;
    // A pending wait given another is cancelled; one moved from no longer is pending.
    Wait second = gate.service->wait_until_available([&](bool x) { answers.emplace_back('x', x); });
    Wait moved = gate.service->wait_until_available([](bool) {});
    second = std::move(moved);
    EXPECT_FALSE(moved.is_pending());
    first = gate.service->wait_until_available([&](bool available) {
        answers.emplace_back('a', available);
        second.cancel();
        first.reset();
        // Stable by now, so the new wait is answered before it returns.
        again = gate.service->wait_until_available([&](bool c) { answers.emplace_back('c', c); });
    });
    second = gate.service->wait_until_available([&](bool b) { answers.emplace_back('b', b); });

    gate.run_until(5000);
    const std::vector<std::pair<char, bool>> expected = {
        {'x', false}, {'a', true}, {'b', false}, {'c', true}};
    EXPECT_EQ(answers, expected);
    EXPECT_FALSE(again.is_pending());
}

TEST(NetworkAvailabilityServiceTest, DestroyedServiceReleasesItsCallersAndOutlivingWaitsAreHarmless)
{
    Gate gate;
    gate.arrive(0);
    gate.source->report(true);
    gate.run_until(500);
    gate.arrive(1);
    gate.run_until(1000);
    gate.source->report(false);
    gate.arrive(2);

    gate.service.reset();
    for (const int caller : {0, 1, 2}) {
        EXPECT_EQ(gate.answers[caller], (Answer{1, false, 1000})) << caller;
        EXPECT_FALSE(gate.waits[caller].is_pending()) << caller;
    }
    EXPECT_EQ(gate.clock.pending_count(), 0u);
    gate.waits[0].cancel();
    gate.waits.erase(1);
    gate.run_until(10000);
    EXPECT_EQ(gate.answers[0].calls, 1);
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
    NetworkAvailabilityService service{std::make_unique<FakePathSource>(true), clock};
    clock.offset_ms = -3600 * 1000;

    std::optional<bool> answer;
    auto wait = service.wait_until_available([&](bool available) { answer = available; });
    EXPECT_EQ(clock.timers.ms_until_next(), NetworkAvailabilityService::stabilization_ms);
    clock.timers.advance_by(NetworkAvailabilityService::stabilization_ms);
    EXPECT_EQ(answer, true);
}

} // namespace
