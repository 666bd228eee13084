#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

class QShowEvent;

namespace Ui {
class TfrmPktMonitor;
}

// "Packet Monitor": every frame the radio session sends or receives, one
// line of hexadecimal bytes per frame. Created at program start and shown on
// demand; keeps its log while hidden. Monitoring starts off and is turned off
// again only by Close.
class TfrmPktMonitor : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSent = 1;
    static constexpr int kReceived = 0;

    explicit TfrmPktMonitor(QWidget* parent = nullptr);
    ~TfrmPktMonitor() override;

    // While monitoring: one line "TX: " (direction 1) or "RX: " (otherwise),
    // then each byte as two upper-case hex digits and a blank.
    void AddFrame(int direction, const uint8_t* bytes, int length);
    // Adds the text as a line, monitoring or not.
    void AddLine(const QString& text);

    bool Monitoring() const { return monitoring_; }
    void SetMonitoring(bool on) { monitoring_ = on; }

    Ui::TfrmPktMonitor& Form() { return *ui_; }

public slots:
    void chkEnabledClick(bool checked);
    void btnClearClick();
    void btnCloseClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TfrmPktMonitor> ui_;
    bool monitoring_ = false;
};
