#include "Upgrade.h"

#include "ui_Upgrade.h"

#include <QCoreApplication>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

using Stage = FlashUpgrade::Stage;
using Colour = FlashUpgrade::Colour;

namespace {

const int kRates[] = {9600, 19200, 38400, 57600};

QString LengthText(double seconds)
{
    // "##0.#": one decimal at most, none when it is zero.
    const double rounded = std::round(seconds * 10.0) / 10.0;
    QString text = QString::number(rounded, 'f', 1);
    if (text.endsWith(QLatin1String(".0")))
        text.chop(2);
    return text;
}

} // namespace

TUpgradePage::TUpgradePage(Deliverable deliverable, Win32Port& port, Dialogs& dialogs, QTextEdit* help,
                           QWidget* parent)
    : QWidget(parent), deliverable_(deliverable), port_(port), dialogs_(dialogs),
      ui_(std::make_unique<Ui::TUpgradePage>()), help_(help),
      flash_(std::make_unique<TFlash>(port)),
      upgrade_(std::make_unique<FlashUpgrade>(*flash_, port, deliverable, *this))
{
    id_.fill(0xFF);
    ui_->setupUi(this);
    if (!help_) {
        help_ = new QTextEdit(this);
        help_->setObjectName(QStringLiteral("HelpText"));
        help_->setReadOnly(true);
        layout()->addWidget(help_);
    }

    ui_->Memo1->setPlainText(QStringList{
        QStringLiteral("Use this function to upgrade the Radio operating software."), QString(),
        QStringLiteral("First switch off the radio and remove the bottom cover."),
        QStringLiteral("Connect the special adapter KA207 into the 10 pin connector on the board."),
        QStringLiteral("Switch on the radio when ready and press the 'Upgrade' button to continue.")}
                                 .join(QLatin1Char('\n')));
    QTextCursor cursor(ui_->Memo1->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);

    // The hex dump of the image is not offered.
    ui_->btnDump->setVisible(false);
    ui_->btnDump->setEnabled(false);
    if (deliverable_ == Deliverable::Pmr)
        ui_->gbVoiceId->setVisible(false);

    connect(ui_->btnNext, &QPushButton::clicked, this, &TUpgradePage::btnNextClick);
    connect(ui_->BtnFileVoice, &QPushButton::clicked, this, &TUpgradePage::BtnFileVoiceClick);

    upgrade_->Reset();
    SetSettings(9600, false);
}

TUpgradePage::~TUpgradePage() = default;

void TUpgradePage::SetSettings(int maxRate, bool verify)
{
    QRadioButton* const buttons[] = {ui_->rbBaud9600, ui_->rbBaud19200, ui_->rbBaud38400,
                                     ui_->rbBaud57600};
    int index = 0;
    for (int i = 0; i < 4; ++i)
        if (kRates[i] == maxRate)
            index = i;
    buttons[index]->setChecked(true);
    ui_->chkVerify->setChecked(verify);
}

void TUpgradePage::GetSettings(int& maxRate, bool& verify) const
{
    QRadioButton* const buttons[] = {ui_->rbBaud9600, ui_->rbBaud19200, ui_->rbBaud38400,
                                     ui_->rbBaud57600};
    maxRate = 9600;
    for (int i = 0; i < 4; ++i)
        if (buttons[i]->isChecked())
            maxRate = kRates[i];
    verify = ui_->chkVerify->isChecked();
}

void TUpgradePage::SetRadioType(int radioType)
{
    const bool voice = radioType == 0;
    ui_->gbVoiceId->setEnabled(voice);
    if (!voice) {
        ui_->chkVoiceId->setChecked(false);
        ui_->chkVoiceId->setEnabled(false);
        ui_->editWaveFileName->clear();
        voiceFile_.clear();
        voiceLoaded_ = false;
    } else {
        ui_->chkVoiceId->setEnabled(true);
    }
}

QWidget* TUpgradePage::Led(Stage stage) const
{
    switch (stage) {
    case Stage::File: return ui_->ledFileOk;
    case Stage::Connect: return ui_->ledConnected;
    case Stage::Version: return ui_->ledVersion;
    case Stage::Id: return ui_->ledID;
    case Stage::Erase: return ui_->ledErase;
    case Stage::Write: return ui_->ledWrite;
    case Stage::Verify: return ui_->ledVerify;
    }
    return ui_->ledFileOk;
}

QWidget* TUpgradePage::StageLabel(Stage stage) const
{
    switch (stage) {
    case Stage::File: return ui_->lblFileOk;
    case Stage::Connect: return ui_->lblConnected;
    case Stage::Version: return ui_->lblVersion;
    case Stage::Id: return ui_->lblID;
    case Stage::Erase: return ui_->lblErase;
    case Stage::Write: return ui_->lblWrite;
    case Stage::Verify: return ui_->lblVerify;
    }
    return ui_->lblFileOk;
}

void TUpgradePage::SetStageColour(Stage stage, Colour colour)
{
    const char* name = "white";
    const char* paint = "white";
    switch (colour) {
    case Colour::White: name = paint = "white"; break;
    case Colour::Yellow: name = paint = "yellow"; break;
    case Colour::Green: name = "green"; paint = "lime"; break;
    case Colour::Red: name = paint = "red"; break;
    }
    QWidget* led = Led(stage);
    led->setProperty("colour", QString::fromLatin1(name));
    led->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray; border-radius: 7px;")
                           .arg(QLatin1String(paint)));
}

void TUpgradePage::SetStageText(Stage stage, const QString& text)
{
    static_cast<QLabel*>(StageLabel(stage))->setText(text);
}

void TUpgradePage::AddHelpLine(const QString& line)
{
    help_->append(line);
}

void TUpgradePage::SetProgressRange(int maximum)
{
    ui_->progressAddress->setRange(0, std::max(0, maximum));
}

void TUpgradePage::SetProgress(int position)
{
    ui_->progressAddress->setValue(
        std::clamp(position, ui_->progressAddress->minimum(), ui_->progressAddress->maximum()));
}

void TUpgradePage::ProcessEvents()
{
    QCoreApplication::processEvents();
}

void TUpgradePage::btnNextClick()
{
    if (upgrade_->Running()) {
        upgrade_->Cancel();
        return;
    }
    // A press seen while the file is being loaded starts nothing.
    if (busy_)
        return;
    busy_ = true;
    Upgrade();
    busy_ = false;
}

void TUpgradePage::Upgrade()
{
    upgrade_->Reset();
    ui_->lblReturnData->clear();

    const bool addVoice = deliverable_ == Deliverable::Telemetry && ui_->chkVoiceId->isChecked();
    if (addVoice && !voiceLoaded_) {
        dialogs_.Message(this, QStringLiteral("No voice ID filename specified."), QStringLiteral("Error"),
                         Dialogs::Buttons::Ok, Dialogs::Icon::Error);
        return;
    }

    Dialogs::FileRequest request;
    request.title = QStringLiteral("Open programming file...");
    request.filter = QStringLiteral("Motorola S file (*.mot)|*.mot");
    request.defaultExtension = QStringLiteral("*.mot");
    request.mustExist = true;
    const QString path = dialogs_.OpenFile(this, request);
    if (path.isEmpty())
        return;
    if (!upgrade_->LoadFile(path))
        return;

    if (addVoice) {
        if (!voice_.Import(voiceFile_)) {
            dialogs_.Message(this, QStringLiteral("Error reading voice ID wavefile: \n") + voiceFile_,
                             QStringLiteral("Error"), Dialogs::Buttons::Ok, Dialogs::Icon::Error);
            return;
        }
        voice_.MergeInto(flash_->Image().Image());
    }

    int maxRate = 9600;
    bool verify = false;
    GetSettings(maxRate, verify);
    ui_->btnNext->setText(QStringLiteral("Cancel"));
    emit RunningChanged(true);
    upgrade_->Run(maxRate, verify, id_);
    ui_->btnNext->setText(QStringLiteral("Upgrade"));
    emit RunningChanged(false);
}

void TUpgradePage::ClearVoice()
{
    ui_->lblWaveSampleFreq->setText(QStringLiteral("---"));
    ui_->lblWaveLength->setText(QStringLiteral("---"));
    ui_->chkVoiceId->setChecked(false);
    ui_->chkVoiceId->setEnabled(false);
    voiceLoaded_ = false;
}

void TUpgradePage::BtnFileVoiceClick()
{
    Dialogs::FileRequest request;
    request.filter = QStringLiteral("Wave File (*.wav)|*.wav");
    request.defaultExtension = QStringLiteral("*.wav");
    request.mustExist = true;
    const QString path = dialogs_.OpenFile(this, request);
    if (path.isEmpty())
        return;
    voiceFile_ = path;
    ui_->editWaveFileName->setText(path);
    help_->clear();
    if (!voice_.Import(path)) {
        ClearVoice();
        AddHelpLine(QStringLiteral("Error loading Voice ID file."));
        return;
    }
    ui_->lblWaveSampleFreq->setText(QString::number(voice_.SampleRate()) + QStringLiteral("Hz"));
    ui_->lblWaveLength->setText(LengthText(voice_.LengthSeconds()) + QStringLiteral("secs"));
    ui_->chkVoiceId->setEnabled(true);
    ui_->chkVoiceId->setChecked(true);
    voiceLoaded_ = true;
    AddHelpLine(QStringLiteral("Voice ID file loaded"));
}
