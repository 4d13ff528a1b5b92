#pragma once

#include <functional>

// Tells the steps of a monitoring task that the task has ended, and interrupts
// the one wait that may be under way (the wait for a usable network).
class CancellationToken {
public:
    bool is_cancelled() const { return cancelled_; }

    // Marks the token cancelled, then interrupts the registered wait, if any.
    void cancel()
    {
        cancelled_ = true;
        if (auto interrupt = std::exchange(interrupt_, {}))
            interrupt();
    }

    void set_interrupt(std::function<void()> interrupt) { interrupt_ = std::move(interrupt); }
    void clear_interrupt() { interrupt_ = {}; }

private:
    bool cancelled_ = false;
    std::function<void()> interrupt_;
};
