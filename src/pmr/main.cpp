#include "Program.h"
#include "platform/WindowMessages.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    WatchWindowMessageHandOver();
    QApplication::setOrganizationName(QStringLiteral("Zyn"));
    QApplication::setApplicationName(QStringLiteral("Ql4100P"));
    QtDialogs dialogs;
    try {
        return RunQl4100p(dialogs, QApplication::arguments().mid(1));
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("QL4100/4120/4300/4320 PMR Dealer Software"),
                              QString::fromLocal8Bit(e.what()));
        return 0;
    }
}
