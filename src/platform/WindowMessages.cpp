#include "WindowMessages.h"

#include <QCoreApplication>

void PostWindowMessage(QObject* receiver, int message, qintptr wParam, qintptr lParam)
{
    if (receiver == nullptr)
        return;
    QCoreApplication::postEvent(receiver, new WindowMessageEvent(message, wParam, lParam));
}

#if defined(__SANITIZE_THREAD__)
namespace {
class HandOverWatch : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Only the address is used: nothing of the event is read before this.
        __tsan_acquire(event);
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

void WatchWindowMessageHandOver()
{
    // Application-wide filters see each event before the receiver's own.
    static HandOverWatch* watch = new HandOverWatch;
    QCoreApplication::instance()->installEventFilter(watch);
}
#else
void WatchWindowMessageHandOver() {}
#endif
