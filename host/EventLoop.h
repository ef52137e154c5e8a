// The event loop as the core sees it: pump what is pending without waiting, and
// hand work from other threads to the user-interface thread.
#pragma once

#include <functional>

namespace tv {

class EventLoop {
public:
    virtual ~EventLoop() = default;
    // Handles every pending event and returns; never waits, never runs the idle pass.
    virtual void ProcessMessages() = 0;
    // Thread-safe: `fn` runs later on the user-interface thread.
    virtual void Post(std::function<void()> fn) = 0;
};

} // namespace tv
