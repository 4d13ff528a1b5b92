#pragma once

#include "measurement/NetworkPathSource.h"

#include <optional>
#include <utility>

// A path source the test reports through by hand.
class FakePathSource final : public NetworkPathSource {
public:
    explicit FakePathSource(std::optional<bool> initial = std::nullopt) : initial_(initial) {}

    void start(Handler handler) override
    {
        handler_ = std::move(handler);
        if (initial_)
            handler_(*initial_);
    }

    void report(bool usable) { handler_(usable); }

private:
    std::optional<bool> initial_;
    Handler handler_;
};
