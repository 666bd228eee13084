#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class QLabel;
class QStatusBar;
class QTimer;
class TfrmAutoDetect;
class TfrmPorts;
class Win32Port;

// Pieces both main windows are built from.

// The two-panel status bar: messages on the left, the time of day on the
// right, rewritten every second by a timer that runs from the start.
class StatusPanels : public QObject {
    Q_OBJECT
public:
    StatusPanels(QStatusBar* bar, const QString& messageName, const QString& clockName, QObject* parent);
    QLabel* Message() const { return message_; }
    QLabel* Clock() const { return clock_; }

public slots:
    // One tick of the clock.
    void Tick();

private:
    QLabel* message_;
    QLabel* clock_;
    QTimer* timer_;
};

// A command (button or menu item) is enabled only when the image wants it and
// its action is part of this build; otherwise it stays disabled rather than
// doing nothing.
void SetCommandEnabled(QObject* control, bool wanted, const QSet<QString>& built);

// The Com Port command: offers the current number; on OK closes the port and
// opens the chosen one. False when the user cancelled; opened tells whether
// the new port could be opened (the caller says so in its own words).
bool ChooseComPort(TfrmPorts& ports, Win32Port& port, int& portNumber, bool& opened);

// The Auto Detect command: a port found becomes the current one (it is
// already open).
void AutoDetectPort(TfrmAutoDetect& detect, int& portNumber);
