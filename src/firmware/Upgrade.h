#pragma once

#include "firmware/Flash.h"
#include "firmware/WavImport.h"
#include "platform/Deliverable.h"
#include "ui/Dialogs.h"

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

class QTextEdit;
class Win32Port;

namespace Ui {
class TUpgradePage;
}

// "Upgrade Radio Software": replaces the radio's firmware through its boot
// loader, stage by stage, with an optional voice identification recording
// merged in (ql4100 only). Hosted as a tab by the hardware options window,
// which disables its OK, Cancel and tab changes while RunningChanged(true)
// holds.
class TUpgradePage : public QWidget, public FlashUpgrade::FrontEnd {
    Q_OBJECT
public:
    // help: the host's help panel; null makes the page show its own.
    TUpgradePage(Deliverable deliverable, Win32Port& port, Dialogs& dialogs, QTextEdit* help = nullptr,
                 QWidget* parent = nullptr);
    ~TUpgradePage() override;

    // Maximum line speed (anything but 9600, 19200, 38400 or 57600 selects
    // 9600) and verify after programming.
    void SetSettings(int maxRate, bool verify);
    void GetSettings(int& maxRate, bool& verify) const;
    // Configuration image radio type: voice identification only for type 0.
    void SetRadioType(int radioType);
    void SetIdCode(const FlashUpgrade::IdCode& id) { id_ = id; }

    bool Running() const { return upgrade_->Running(); }
    QTextEdit* HelpText() const { return help_; }
    Ui::TUpgradePage& Form() { return *ui_; }

    void SetStageColour(FlashUpgrade::Stage stage, FlashUpgrade::Colour colour) override;
    void SetStageText(FlashUpgrade::Stage stage, const QString& text) override;
    void AddHelpLine(const QString& line) override;
    void SetProgressRange(int maximum) override;
    void SetProgress(int position) override;
    void ProcessEvents() override;

signals:
    void RunningChanged(bool running);

public slots:
    void btnNextClick();
    void BtnFileVoiceClick();

private:
    void Upgrade();
    QWidget* Led(FlashUpgrade::Stage stage) const;
    QWidget* StageLabel(FlashUpgrade::Stage stage) const;
    void ClearVoice();

    const Deliverable deliverable_;
    Win32Port& port_;
    Dialogs& dialogs_;
    std::unique_ptr<Ui::TUpgradePage> ui_;
    QTextEdit* help_ = nullptr;
    std::unique_ptr<TFlash> flash_;
    std::unique_ptr<FlashUpgrade> upgrade_;
    WavImport voice_;
    QString voiceFile_;
    bool voiceLoaded_ = false;
    bool busy_ = false; // inside btnNextClick, running or not
    FlashUpgrade::IdCode id_;
};
