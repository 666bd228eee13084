#include "WindowMessages.h"

#include <QCoreApplication>

void PostWindowMessage(QObject* receiver, int message, qintptr wParam, qintptr lParam)
{
    if (receiver == nullptr)
        return;
    QCoreApplication::postEvent(receiver, new WindowMessageEvent(message, wParam, lParam));
}
