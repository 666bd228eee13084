#include "Pktmon.h"

#include "ui_Pktmon.h"

#include <QShowEvent>
#include <algorithm>

TfrmPktMonitor::TfrmPktMonitor(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TfrmPktMonitor>())
{
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    connect(ui_->chkEnabled, &QCheckBox::toggled, this, &TfrmPktMonitor::chkEnabledClick);
    connect(ui_->btnClear, &QPushButton::clicked, this, &TfrmPktMonitor::btnClearClick);
    connect(ui_->btnClose, &QPushButton::clicked, this, &TfrmPktMonitor::btnCloseClick);
}

TfrmPktMonitor::~TfrmPktMonitor() = default;

void TfrmPktMonitor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ui_->chkEnabled->setChecked(monitoring_);
}

void TfrmPktMonitor::AddFrame(int direction, const uint8_t* bytes, int length)
{
    if (!monitoring_)
        return;
    QString line = direction == kSent ? QStringLiteral("TX: ") : QStringLiteral("RX: ");
    line.reserve(line.size() + 3 * std::max(length, 0));
    for (int i = 0; i < length; ++i)
        line += QStringLiteral("%1 ").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    ui_->mmoPacketMonitor->appendPlainText(line);
}

void TfrmPktMonitor::AddLine(const QString& text)
{
    ui_->mmoPacketMonitor->appendPlainText(text);
}

void TfrmPktMonitor::chkEnabledClick(bool checked)
{
    monitoring_ = checked;
}

void TfrmPktMonitor::btnClearClick()
{
    ui_->mmoPacketMonitor->clear();
}

void TfrmPktMonitor::btnCloseClick()
{
    monitoring_ = false;
    close();
}
