#include "gui/qt/BesideWindow.h"

#include <thread>

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>

namespace {

// Swallows what would start something: a key, a click, the wheel, a
// shortcut, and the window system's close request (sent to the window, not
// to a widget: a widget the program closes itself still closes).
class InputDropper : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        case QEvent::Close:
            if (!watched->isWindowType())
                break;
            event->ignore();
            return true;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void RunBesideWindow(const std::function<void()>& call)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    InputDropper dropper;
    qApp->installEventFilter(&dropper);
    QEventLoop loop;
    // Queued, so a call that ends before the loop runs still ends it.
    std::thread worker([&] {
        call();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    qApp->removeEventFilter(&dropper);
    QApplication::restoreOverrideCursor();
}
