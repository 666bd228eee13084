#include "Com_port.h"

#include "ui_Com_port.h"

#include <QShowEvent>

TfrmPorts::TfrmPorts(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TfrmPorts>())
{
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    for (int n = 1; n <= kPortCount; ++n)
        ui_->cbPort->addItem(QStringLiteral("COM%1").arg(n));
    connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmPorts::accept);
    connect(ui_->BitBtn2, &QPushButton::clicked, this, &TfrmPorts::reject);
}

TfrmPorts::~TfrmPorts() = default;

void TfrmPorts::SetPort(int port)
{
    if (port >= 1 && port <= kPortCount)
        port_ = port;
}

void TfrmPorts::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmPorts::FormShow()
{
    ui_->cbPort->setCurrentIndex(port_ - 1);
}

void TfrmPorts::accept()
{
    port_ = ui_->cbPort->currentIndex() + 1;
    QDialog::accept();
}
