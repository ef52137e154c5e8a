#include "ui/win32/Win32EventLoop.h"

namespace tv {

namespace {

constexpr UINT WM_RUN_POSTED = WM_APP + 1;
const wchar_t* const MessageClass = L"TvPostedCalls";

} // namespace

Win32EventLoop::Win32EventLoop() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = MessageProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = MessageClass;
    RegisterClassW(&windowClass); // a second loop finds the class already there
    FMessageWindow = CreateWindowExW(0, MessageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     windowClass.hInstance, nullptr);
    SetWindowLongPtrW(FMessageWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32EventLoop::~Win32EventLoop() {
    // Calls posted before this loop went must not reach it afterwards.
    SetWindowLongPtrW(FMessageWindow, GWLP_USERDATA, 0);
    DestroyWindow(FMessageWindow);
}

LRESULT CALLBACK Win32EventLoop::MessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RUN_POSTED) {
        if (auto* loop = reinterpret_cast<Win32EventLoop*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            loop->RunPosted();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32EventLoop::Post(std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FPosted.push_back(std::move(fn));
    }
    PostMessageW(FMessageWindow, WM_RUN_POSTED, 0, 0);
}

void Win32EventLoop::RunPosted() {
    std::function<void()> fn;
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (FPosted.empty()) return;
        fn = std::move(FPosted.front());
        FPosted.pop_front();
    }
    fn();
    // What a posted call changed (an installer's end) must reach the screen.
    if (OnPump) OnPump();
}

void Win32EventLoop::Handle(MSG& message) {
    if (DialogWindow && IsDialogMessageW(DialogWindow, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void Win32EventLoop::Drain() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) { // only marks the program as ending
            FQuitSeen = true;
            FQuitCode = static_cast<int>(message.wParam);
            continue;
        }
        Handle(message);
    }
}

void Win32EventLoop::ProcessMessages() {
    if (OnPump) OnPump();
    Drain();
}

int Win32EventLoop::RunUntil(const std::function<bool()>& done) {
    auto finished = [&] { return FQuitSeen || (done && done()); };
    for (;;) {
        Drain();
        if (finished()) return FQuitSeen ? FQuitCode : 0;
        if (OnIdle) OnIdle();
        if (finished()) return FQuitSeen ? FQuitCode : 0;
        // The idle pass may have queued work of its own; wait only when there is none.
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) continue;
        if (done)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        else
            WaitMessage();
    }
}

} // namespace tv
