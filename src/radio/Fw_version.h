#pragma once

#include "platform/Deliverable.h"
#include "radio/Radiotype.h"
#include "radio/Summary.h"
#include "ui/Dialogs.h"

#include <QDialog>
#include <QString>
#include <memory>

class QShowEvent;
class TRadio;

namespace Ui {
class TfrmFirmwareVersion;
}

// Asks whether to write an image to a radio whose firmware does not suit
// it (FirmwareMatchesImage failed); true only when the user chose OK.
bool ConfirmFirmwareMismatch(Dialogs& dialogs, QWidget* parent, const QString& ident,
                             int imageRadioType, int imageRepeaterFlags = 0);

// "Radio Summary": what the connected radio says about itself. Each time
// the window is shown it asks the radio for its identity and, for a QL4100
// family radio, reads the radio type (50), repeater flags (78) and hardware
// byte (40) one byte at a time, outside any programming session. The values
// stay until the next show; the main windows copy them out afterwards.
class TfrmFirmwareVersion : public QDialog {
    Q_OBJECT
public:
    TfrmFirmwareVersion(Deliverable deliverable, TRadio& radio, QWidget* parent = nullptr);
    ~TfrmFirmwareVersion() override;

    // Queries the radio and fills the labels; runs on every show.
    void FormShow();

    ModelRecord CopyModel() const { return summary_.model; }
    QString CopyIdent() const { return summary_.ident; }
    void CopyTypeAndFlags(int& type, int& flags) const
    {
        type = summary_.radioType;
        flags = summary_.repeaterFlags;
    }
    int HardwareByte() const { return summary_.hardware; }

    Ui::TfrmFirmwareVersion& Form() { return *ui_; }

public slots:
    void btnCloseClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    const Deliverable deliverable_;
    TRadio& radio_;
    std::unique_ptr<Ui::TfrmFirmwareVersion> ui_;

    // Kept from the last show; a failed read leaves the value before it.
    RadioSummary summary_;
};
