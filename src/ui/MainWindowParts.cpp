#include "MainWindowParts.h"

#include "link/Win32port.h"
#include "radio/Autodetect.h"
#include "radio/Com_port.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QWidget>

StatusPanels::StatusPanels(QStatusBar* bar, const QString& messageName, const QString& clockName, QObject* parent)
    : QObject(parent)
{
    message_ = new QLabel(bar);
    message_->setObjectName(messageName);
    clock_ = new QLabel(QStringLiteral("12:00:00"), bar);
    clock_->setObjectName(clockName);
    bar->addWidget(message_, 1);
    bar->addPermanentWidget(clock_);
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &StatusPanels::Tick);
    timer_->start();
}

void StatusPanels::Tick()
{
    clock_->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

void SetCommandEnabled(QObject* control, bool wanted, const QSet<QString>& built)
{
    const bool on = wanted && built.contains(control->objectName());
    if (auto* w = qobject_cast<QWidget*>(control))
        w->setEnabled(on);
    else if (auto* a = qobject_cast<QAction*>(control))
        a->setEnabled(on);
}

bool ChooseComPort(TfrmPorts& ports, Win32Port& port, int& portNumber, bool& opened)
{
    ports.SetPort(portNumber);
    if (ports.exec() != QDialog::Accepted)
        return false;
    port.Close();
    portNumber = ports.GetPort();
    opened = port.Open(QStringLiteral("COM%1").arg(portNumber));
    return true;
}

void AutoDetectPort(TfrmAutoDetect& detect, int& portNumber)
{
    detect.exec();
    if (detect.FoundPort() != 0)
        portNumber = detect.FoundPort();
}
