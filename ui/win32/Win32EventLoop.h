// The event loop on Windows: ProcessMessages empties the thread's queue without waiting,
// Post hands a call to the user-interface thread through a message-only window, and Run
// raises the idle pass each time the queue has run empty before it waits.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "host/EventLoop.h"

namespace tv {

class Win32EventLoop : public EventLoop {
public:
    Win32EventLoop();
    ~Win32EventLoop() override;
    Win32EventLoop(const Win32EventLoop&) = delete;
    Win32EventLoop& operator=(const Win32EventLoop&) = delete;

    void ProcessMessages() override;
    void Post(std::function<void()> fn) override;

    // Handles messages until a quit message arrives; returns its exit code.
    int Run() { return RunUntil(nullptr); }
    // The same, but also returns (with 0) as soon as `done` answers true; it is asked
    // after each batch of messages and at least every 20 ms.
    int RunUntil(const std::function<bool()>& done);

    // Called before a pump handles messages, so the window shows the newest state.
    std::function<void()> OnPump;
    // Called each time the main loop has nothing left to do.
    std::function<void()> OnIdle;
    // The window whose dialog keys (Tab, arrows) the loop routes through IsDialogMessage.
    HWND DialogWindow = nullptr;

private:
    static LRESULT CALLBACK MessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void RunPosted();
    // One message, as every loop of this program handles it.
    void Handle(MSG& message);
    // Handles every pending message; a quit message only marks the program as ending.
    void Drain();

    HWND FMessageWindow = nullptr;
    std::mutex FLock;
    std::deque<std::function<void()>> FPosted;
    bool FQuitSeen = false;
    int FQuitCode = 0;
};

} // namespace tv
