#include "Program.h"

#include "Main.h"
#include "platform/SingleInstance.h"
#include "ui/Dialogs.h"

#include <QApplication>

namespace {
const char* const kTitle = "QL4100 Telemetry";
}

int RunQl4100(Dialogs& dialogs, bool runEventLoop)
{
    SingleInstance instance;
    if (!instance.TryAcquire()) {
        dialogs.Message(nullptr, QStringLiteral("The program is already running"), QStringLiteral("QL4100"),
                        Dialogs::Buttons::Ok, Dialogs::Icon::None);
        // Renamed first, so the search below cannot find this copy.
        QGuiApplication::setApplicationDisplayName(QStringLiteral("QL4100 run another"));
        SingleInstance::RequestBringForward(QString::fromLatin1(kTitle));
        return 0;
    }

    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(kTitle));
    Tfrm4100 mainWindow(dialogs);
    instance.Listen(QString::fromLatin1(kTitle), [&mainWindow] {
        mainWindow.showNormal();
        mainWindow.raise();
        mainWindow.activateWindow();
    });
    mainWindow.show();
    if (!runEventLoop)
        return 0;
    return QApplication::exec();
}
