#include "ProgramEntry.h"

#include "platform/SingleInstance.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QWidget>

int RunProgram(Dialogs& dialogs, const ProgramTitles& titles,
               const std::function<std::unique_ptr<QWidget>()>& createMainWindow, bool runEventLoop)
{
    SingleInstance instance;
    if (!instance.TryAcquire()) {
        dialogs.Message(nullptr, QStringLiteral("The program is already running"), titles.messageCaption,
                        Dialogs::Buttons::Ok, Dialogs::Icon::None);
        QGuiApplication::setApplicationDisplayName(titles.renamedTitle);
        SingleInstance::RequestBringForward(titles.title);
        return 0;
    }

    QGuiApplication::setApplicationDisplayName(titles.title);
    std::unique_ptr<QWidget> mainWindow = createMainWindow();
    QWidget* window = mainWindow.get();
    instance.Listen(titles.title, [window] {
        window->showNormal();
        window->raise();
        window->activateWindow();
    });
    mainWindow->show();
    if (!runEventLoop)
        return 0;
    return QApplication::exec();
}
