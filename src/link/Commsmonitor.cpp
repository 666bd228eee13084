#include "Commsmonitor.h"

#include "ui_Commsmonitor.h"

#include <algorithm>

TfrmCommsMonitor::TfrmCommsMonitor(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TfrmCommsMonitor>())
{
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    connect(ui_->chkEnabled, &QCheckBox::toggled, this, &TfrmCommsMonitor::chkEnabledClick);
    connect(ui_->btnClear, &QPushButton::clicked, this, &TfrmCommsMonitor::btnClearClick);
    connect(ui_->btnClose, &QPushButton::clicked, this, &TfrmCommsMonitor::btnCloseClick);
}

TfrmCommsMonitor::~TfrmCommsMonitor() = default;

void TfrmCommsMonitor::AddBytes(const uint8_t* bytes, int length)
{
    if (!monitoring_)
        return;
    QString line = QStringLiteral("RX :");
    line.reserve(line.size() + 3 * std::max(length, 0));
    for (int i = 0; i < length; ++i)
        line += QStringLiteral("%1 ").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    ui_->memotxt->appendPlainText(line);
}

void TfrmCommsMonitor::done(int result)
{
    monitoring_ = false;
    ui_->chkEnabled->setChecked(false);
    QDialog::done(result);
}

void TfrmCommsMonitor::chkEnabledClick(bool checked)
{
    monitoring_ = checked;
}

void TfrmCommsMonitor::btnClearClick()
{
    ui_->memotxt->clear();
}

void TfrmCommsMonitor::btnCloseClick()
{
    close();
}
