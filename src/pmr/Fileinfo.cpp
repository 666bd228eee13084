#include "Fileinfo.h"

#include "pmr/Eeprom.h"
#include "radio/Radiotype.h"
#include "ui_Fileinfo.h"

TfrmFileInfo::TfrmFileInfo(const PmrImage& image, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TfrmFileInfo>()), image_(image)
{
    ui_->setupUi(this);
    connect(ui_->btnClose, &QPushButton::clicked, this, &TfrmFileInfo::btnCloseClick);
}

TfrmFileInfo::~TfrmFileInfo() = default;

void TfrmFileInfo::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TfrmFileInfo::FormShow()
{
    ui_->mmoFilename->clear();
    ui_->lblRadioPersonality->clear();
    ui_->lblRadioType->clear();
    ui_->lblFilesize->clear();

    const EEbuffer& ee = image_.Buffer();
    ui_->mmoFilename->setPlainText(image_.CurrentFile());
    ui_->lblRadioPersonality->setText(
        DecodeHardware(Deliverable::Pmr, ee.GetByte(RadioIdent::kHardwareAddress)).text);
    ui_->lblRadioType->setText(RadioSummaryTypeName(Deliverable::Pmr, ee.GetByte(RadioIdent::kRadioTypeAddress),
                                                    ee.GetByte(RadioIdent::kModeAddress)));
    ui_->lblFilesize->setText(QString::number(image_.FileSize()) + QStringLiteral(" bytes"));
}

void TfrmFileInfo::btnCloseClick()
{
    accept();
}
