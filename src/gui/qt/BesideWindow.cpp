#include "gui/qt/BesideWindow.h"

#include <thread>

#include <QApplication>
#include <QCursor>
#include <QEventLoop>

void RunBesideWindow(const std::function<void()>& call)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop loop;
    // Queued, so a call that ends before the loop runs still ends it.
    std::thread worker([&] {
        call();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QApplication::restoreOverrideCursor();
}
