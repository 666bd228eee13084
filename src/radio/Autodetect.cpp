#include "Autodetect.h"

#include "link/Win32port.h"
#include "platform/PortNames.h"
#include "radio/Radio.h"
#include "radio/Summary.h"
#include "ui_Autodetect.h"

#include <QShowEvent>
#include <QTimer>

TfrmAutoDetect::TfrmAutoDetect(Deliverable deliverable, Win32Port& port, TRadio& radio,
                               QWidget* parent)
    : QDialog(parent), deliverable_(deliverable), port_(port), radio_(radio),
      ui_(std::make_unique<Ui::TfrmAutoDetect>())
{
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("TimerAutoDetect"));
    timer_->setInterval(kTickMs);
    connect(timer_, &QTimer::timeout, this, &TfrmAutoDetect::TimerAutoDetectTimer);
    connect(ui_->btnClose, &QPushButton::clicked, this, &TfrmAutoDetect::btnCloseClick);
}

TfrmAutoDetect::~TfrmAutoDetect() = default;

void TfrmAutoDetect::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmAutoDetect::FormShow()
{
    ui_->btnClose->setText(QStringLiteral("Cancel"));
    ui_->btnClose->setFocus();
    probePort_ = 1;
    foundPort_ = 0;
    foundIdent_.clear();
    ui_->Memo1->clear();
    timer_->setInterval(kTickMs);
    timer_->start();
}

void TfrmAutoDetect::TimerAutoDetectTimer()
{
    ui_->Memo1->clear();
    if (probePort_ > kLastPort) {
        foundPort_ = 0;
        timer_->stop();
        ui_->Memo1->appendPlainText(QStringLiteral("Radio not found."));
        ui_->Memo1->appendPlainText(QStringLiteral("Ensure radio is switched on."));
        ui_->Memo1->appendPlainText(QStringLiteral("Check programming leads."));
        ui_->btnClose->setText(QStringLiteral("Close"));
        return;
    }

    ui_->Memo1->appendPlainText(QStringLiteral("Checking COM%1").arg(probePort_));
    repaint();

    QString ident;
    if (Probe(probePort_, ident)) {
        timer_->stop();
        ui_->Memo1->clear();
        ui_->Memo1->appendPlainText(QStringLiteral("Radio found on COM%1").arg(probePort_));
        ui_->Memo1->appendPlainText(ident);
        foundPort_ = probePort_;
        foundIdent_ = ident;
        ui_->btnClose->setText(QStringLiteral("Close"));
        return;
    }
    ++probePort_;
}

bool TfrmAutoDetect::Probe(int number, QString& ident)
{
    return ProbeForRadio(deliverable_, port_, radio_,
                         PortNames::DevicePath(deliverable_, QStringLiteral("COM%1").arg(number)), ident);
}

void TfrmAutoDetect::btnCloseClick()
{
    timer_->stop();
    accept();
}

void TfrmAutoDetect::done(int result)
{
    // However the window closes, the scan ends with it.
    timer_->stop();
    QDialog::done(result);
}
