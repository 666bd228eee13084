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
    QApplication::setApplicationName(QStringLiteral("Ql4100t"));
    QtDialogs dialogs;
    try {
        return RunQl4100(dialogs);
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("QL4100"), QString::fromLocal8Bit(e.what()));
        return 0;
    }
}
