#pragma once

#include "pmr/Eeprom.h"
#include "ui/Dialogs.h"

class QWidget;

// The image operations' questions and notices as message boxes, for the
// main window. It still shows status, labels and the layout check mark
// itself (the ShowStatus, ClearRadioLabels and ShowLayout hooks).
class PmrImageDialogs : public PmrImageFrontEnd {
public:
    PmrImageDialogs(Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}

    bool AskDisableV3Features() override;
    bool AskEnableV3Features() override;
    void ShowWriteError() override;
    // What a caller shows when a load failed.
    void ShowReadError();

private:
    Dialogs& dialogs_;
    QWidget* parent_;
};
