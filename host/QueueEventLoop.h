// An event loop that is only a queue of posted calls: what a program without a
// window toolkit, and the controller tests, run on.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "host/EventLoop.h"

namespace tv {

class QueueEventLoop : public EventLoop {
public:
    void ProcessMessages() override;
    void Post(std::function<void()> fn) override;
    // Waits up to `timeoutMs` for a posted call and runs what is pending; false on time-out.
    bool WaitAndProcess(int timeoutMs);

private:
    bool RunOne();
    std::mutex FLock;
    std::condition_variable FPosted;
    std::deque<std::function<void()>> FQueue;
};

} // namespace tv
