#include "host/QueueEventLoop.h"

#include <chrono>

namespace tv {

bool QueueEventLoop::RunOne() {
    std::function<void()> fn;
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (FQueue.empty()) return false;
        fn = std::move(FQueue.front());
        FQueue.pop_front();
    }
    fn();
    return true;
}

void QueueEventLoop::ProcessMessages() {
    while (RunOne()) {
    }
}

void QueueEventLoop::Post(std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FQueue.push_back(std::move(fn));
    }
    FPosted.notify_one();
}

bool QueueEventLoop::WaitAndProcess(int timeoutMs) {
    {
        std::unique_lock<std::mutex> lock(FLock);
        if (!FPosted.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !FQueue.empty(); }))
            return false;
    }
    ProcessMessages();
    return true;
}

} // namespace tv
