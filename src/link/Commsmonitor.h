#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>

namespace Ui {
class TfrmCommsMonitor;
}

// "Comms Monitor": the raw byte batches the serial port receives, one line
// of hexadecimal bytes per batch. Closing the window, by any means, turns
// monitoring off.
class TfrmCommsMonitor : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCommsMonitor(QWidget* parent = nullptr);
    ~TfrmCommsMonitor() override;

    // While monitoring: one line "RX :" then each byte as two hex digits
    // and a blank.
    void AddBytes(const uint8_t* bytes, int length);

    bool Monitoring() const { return monitoring_; }

    Ui::TfrmCommsMonitor& Form() { return *ui_; }

    // Every way of closing a dialog (Close, the title bar, Escape) ends here.
    void done(int result) override;

public slots:
    void chkEnabledClick(bool checked);
    void btnClearClick();
    void btnCloseClick();

private:
    std::unique_ptr<Ui::TfrmCommsMonitor> ui_;
    bool monitoring_ = false;
};
