#include "host/TcpSocket.h"

#include <algorithm>
#include <chrono>

#include "util/Failure.h"

namespace tv {

namespace {
constexpr int WaitSliceMs = 100; // how often a waiting caller gets control back
} // namespace

TcpSocket::WaitResult TcpSocket::WaitFor(bool writable, int timeoutMs, const WaitHook& keepWaiting) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) return WaitResult::TimedOut;
        if (PollSlice(writable, static_cast<int>(std::min<long long>(left.count(), WaitSliceMs))))
            return WaitResult::Ready;
        if (keepWaiting && !keepWaiting()) return WaitResult::Cancelled;
    }
}

bool TcpSocket::FinishConnect(const std::string& where, int timeoutMs, const WaitHook& keepWaiting,
                              std::string& reason) {
    WaitResult result = WaitWritable(timeoutMs, keepWaiting);
    if (result == WaitResult::Cancelled) throw Failure("Verbindung zu " + where + " wurde abgebrochen");
    if (result == WaitResult::TimedOut) {
        reason = "Zeitüberschreitung";
        return false;
    }
    reason = ConnectError();
    return reason.empty();
}

TcpSocket::WaitResult TcpSocket::WaitReadable(int timeoutMs, const WaitHook& keepWaiting) {
    return WaitFor(false, timeoutMs, keepWaiting);
}

TcpSocket::WaitResult TcpSocket::WaitWritable(int timeoutMs, const WaitHook& keepWaiting) {
    return WaitFor(true, timeoutMs, keepWaiting);
}

} // namespace tv
