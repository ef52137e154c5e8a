#include <chrono>

#include "host/Machine.h"

namespace tv {

namespace {
// How soon a stop request is seen: well below what a person or a deployment agent notices.
constexpr auto StopPollInterval = std::chrono::milliseconds(50);
} // namespace

StopWatcher::StopWatcher(EventLoop& loop, std::function<void()> onStop)
    : FThread([this, &loop, onStop = std::move(onStop)] {
          while (!FEnd) {
              if (StopRequested()) {
                  loop.Post(onStop);
                  return;
              }
              std::this_thread::sleep_for(StopPollInterval);
          }
      }) {}

StopWatcher::~StopWatcher() {
    FEnd = true;
    FThread.join();
}

} // namespace tv
