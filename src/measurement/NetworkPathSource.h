#pragma once

#include <functional>

// Tells whether the machine has a usable network path. The gate listens to one
// of these; tests drive a fake one by hand.
class NetworkPathSource {
public:
    using Handler = std::function<void(bool usable)>;

    virtual ~NetworkPathSource() = default;

    // Starts reporting to `handler` on the calling thread: the current state
    // (possibly before start() returns) and every later change of the path.
    // A report may repeat the previous value when the path changed underneath,
    // for instance when the default route moved to another interface.
    virtual void start(Handler handler) = 0;
};
