#include "app/BackgroundWork.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <exception>
#include <thread>

void RunOffInterfaceThread(const std::function<void()>& Work)
{
    QEventLoop Loop;
    QTimer Busy;
    Busy.setSingleShot(true);
    Busy.setTimerType(Qt::PreciseTimer);
    bool CursorShown = false;
    QObject::connect(&Busy, &QTimer::timeout, &Loop, [&CursorShown] {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        CursorShown = true;
    });
    Busy.start(BusyCursorDelay);

    std::exception_ptr Failure;
    std::thread Worker([&] {
        try {
            Work();
        } catch (...) {
            Failure = std::current_exception();
        }
        // Queued, so that the loop ends even when the work is done before it has started.
        QMetaObject::invokeMethod(&Loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The loop also ends early when the application quits; the join then waits for the work.
    Loop.exec(QEventLoop::ExcludeUserInputEvents);
    Worker.join();
    Busy.stop();
    if (CursorShown) QGuiApplication::restoreOverrideCursor();
    if (Failure) std::rethrow_exception(Failure);
}
