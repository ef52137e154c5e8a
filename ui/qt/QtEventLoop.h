// The event loop on Qt: ProcessMessages pumps what is pending without waiting, Post
// runs a call on the user-interface thread, and the idle pass runs when the loop is
// about to wait, never inside a pump or a modal dialog.
#pragma once

#include <functional>
#include <memory>

#include <QMetaObject>

#include "host/EventLoop.h"

namespace tv {

class QtEventLoop : public EventLoop {
public:
    QtEventLoop();
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;
    void ProcessMessages() override;
    void Post(std::function<void()> fn) override;

    // Called before a pump handles events, so the window shows the newest state.
    std::function<void()> OnPump;
    // Called each time the loop has nothing left to do.
    std::function<void()> OnIdle;

    // Scope in which the idle pass must not run (a modal dialog's own loop).
    class NoIdle {
    public:
        NoIdle() { ++Depth; }
        ~NoIdle() { --Depth; }
        NoIdle(const NoIdle&) = delete;
        NoIdle& operator=(const NoIdle&) = delete;
        static inline int Depth = 0;
    };

private:
    void AboutToBlock();
    int FPumpDepth = 0;
    QMetaObject::Connection FIdleConnection;
    // Calls posted before this loop went must not reach it afterwards.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

} // namespace tv
