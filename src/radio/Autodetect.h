#pragma once

#include "platform/Deliverable.h"

#include <QDialog>
#include <QString>
#include <memory>

class QShowEvent;
class QTimer;
class TRadio;
class Win32Port;

namespace Ui {
class TfrmAutoDetect;
}

// "Scanning serial ports...": opens COM1, COM2, ... in turn, one port per
// timer tick, and asks for the radio's identity until a QL4100 family radio
// answers. The port a radio answered on is left open; every other port
// tried is closed again. The radio session must be attached to the port.
class TfrmAutoDetect : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLastPort = 256;
    static constexpr int kTickMs = 50;

    TfrmAutoDetect(Deliverable deliverable, Win32Port& port, TRadio& radio,
                   QWidget* parent = nullptr);
    ~TfrmAutoDetect() override;

    // The port a radio answered on, or 0.
    int FoundPort() const { return foundPort_; }
    QString FoundIdent() const { return foundIdent_; }

    // The port the next tick probes.
    int ProbePort() const { return probePort_; }
    void SetProbePort(int port) { probePort_ = port; }

    // Starts a scan from COM1; runs on every show.
    void FormShow();
    // One step of the scan: probes the next port, or reports that no radio
    // was found once every port has been tried.
    void TimerAutoDetectTimer();
    // Stops the scan and closes the window with what was found so far.
    void btnCloseClick();

    QTimer& Timer() { return *timer_; }
    Ui::TfrmAutoDetect& Form() { return *ui_; }

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Opens COM<number> and asks for the identity. On success the port stays
    // open and ident holds the answer; otherwise the port is closed.
    bool Probe(int number, QString& ident);

    const Deliverable deliverable_;
    Win32Port& port_;
    TRadio& radio_;
    std::unique_ptr<Ui::TfrmAutoDetect> ui_;
    QTimer* timer_;

    int probePort_ = 1;
    int foundPort_ = 0;
    QString foundIdent_;
};
