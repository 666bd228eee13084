#include "Fw_version.h"

#include "radio/Radio.h"
#include "ui_Fw_version.h"

#include <QShowEvent>

bool ConfirmFirmwareMismatch(Dialogs& dialogs, QWidget* parent, const QString& ident,
                             int imageRadioType, int imageRepeaterFlags)
{
    return dialogs.Message(parent, FirmwareMismatchText(ident, imageRadioType, imageRepeaterFlags),
                           QStringLiteral("Warning"), Dialogs::Buttons::OkCancel,
                           Dialogs::Icon::Warning)
           == Dialogs::Answer::Ok;
}

TfrmFirmwareVersion::TfrmFirmwareVersion(Deliverable deliverable, TRadio& radio, QWidget* parent)
    : QDialog(parent), deliverable_(deliverable), radio_(radio),
      ui_(std::make_unique<Ui::TfrmFirmwareVersion>())
{
    ui_->setupUi(this);
    connect(ui_->btnClose, &QPushButton::clicked, this, &TfrmFirmwareVersion::btnCloseClick);
}

TfrmFirmwareVersion::~TfrmFirmwareVersion() = default;

void TfrmFirmwareVersion::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmFirmwareVersion::FormShow()
{
    using namespace RadioIdent;
    ui_->lblVersion->clear();
    ui_->lblRadioType->clear();
    ui_->lblRadioModel->clear();
    if (deliverable_ == Deliverable::Pmr)
        hardware_ = 0;

    if (!radio_.GetIdent(ident_)) {
        // Nothing of a radio that no longer answers is handed on as if it
        // were the one connected now.
        ident_.clear();
        radioType_ = -1;
        repeaterFlags_ = 0;
        model_ = ModelRecord();
        ui_->lblVersion->setText(QStringLiteral("No radio connected"));
        return;
    }
    ui_->lblVersion->setText(ident_);
    if (!IsSupportedIdent(ident_))
        return;

    radio_.ReadByte(kRadioTypeAddress, radioType_);
    radio_.ReadByte(kModeAddress, repeaterFlags_);
    ui_->lblRadioType->setText(RadioSummaryTypeName(deliverable_, radioType_, repeaterFlags_));

    radio_.ReadByte(kHardwareAddress, hardware_);
    model_ = DecodeHardware(deliverable_, hardware_);
    if (deliverable_ == Deliverable::Pmr) {
        ui_->lblRadioModel->setText(model_.text);
    } else {
        QString text = model_.text + (IsVhf(model_) ? QStringLiteral(" VHF") : QStringLiteral(" UHF"));
        if ((hardware_ & 0x0C) != 0)
            text += QStringLiteral(" LOWBAND");
        ui_->lblRadioModel->setText(text);
    }
}

void TfrmFirmwareVersion::btnCloseClick()
{
    accept();
}
