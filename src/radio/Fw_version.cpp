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
    ui_->lblVersion->clear();
    ui_->lblRadioType->clear();
    ui_->lblRadioModel->clear();
    summary_.Query(deliverable_, radio_);
    if (!summary_.answered) {
        ui_->lblVersion->setText(QStringLiteral("No radio connected"));
        return;
    }
    ui_->lblVersion->setText(summary_.ident);
    if (!summary_.supported)
        return;
    ui_->lblRadioType->setText(summary_.TypeText(deliverable_));
    ui_->lblRadioModel->setText(summary_.ModelText(deliverable_));
}

void TfrmFirmwareVersion::btnCloseClick()
{
    accept();
}
