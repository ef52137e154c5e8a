#include "ui/qt/QtEventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace tv {

QtEventLoop::QtEventLoop() {
    FIdleConnection = QObject::connect(
        QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()),
        &QAbstractEventDispatcher::aboutToBlock, QCoreApplication::instance(), [this] { AboutToBlock(); });
}

QtEventLoop::~QtEventLoop() {
    *FAlive = false;
    QObject::disconnect(FIdleConnection);
}

void QtEventLoop::AboutToBlock() {
    if (FPumpDepth > 0 || NoIdle::Depth > 0 || !OnIdle) return;
    OnIdle();
}

void QtEventLoop::ProcessMessages() {
    if (OnPump) OnPump();
    ++FPumpDepth;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    --FPumpDepth;
}

void QtEventLoop::Post(std::function<void()> fn) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, alive = FAlive, fn = std::move(fn)] {
            fn();
            if (!*alive) return;
            // What a posted call changed (an installer's end) must reach the screen.
            if (OnPump) OnPump();
        },
        Qt::QueuedConnection);
}

} // namespace tv
