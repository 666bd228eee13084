#pragma once

#include "platform/Deliverable.h"
#include "radio/Transfer.h"

#include <QDialog>
#include <QString>
#include <memory>

class Event;
class ImageBlocks;
class TRadio;
class WindowMessageEvent;

namespace Ui {
class TransferProgressForm;
}

// The modal window shown while an image moves between radio and program:
// what is being done, how far it got, and Cancel (Close after an error).
class TransferProgressWindow : public QDialog {
    Q_OBJECT
public:
    ~TransferProgressWindow() override;

    void SetCancelEvent(Event* cancel) { cancel_ = cancel; }
    void SetRange(int minimum, int maximum);
    void SetPosition(int position);
    void SetRunning();
    void SetStopped();
    void SetAction(const QString& text);

    Ui::TransferProgressForm& Form() { return *ui_; }

public slots:
    // Tells the worker to stop before its next block and closes at once.
    void btnCancelClick();
    void reject() override;

protected:
    TransferProgressWindow(const QString& restCaption, QWidget* parent);

private:
    std::unique_ptr<Ui::TransferProgressForm> ui_;
    Event* cancel_ = nullptr;
};

// ql4100's progress window.
class TfrmReadWrite : public TransferProgressWindow {
    Q_OBJECT
public:
    explicit TfrmReadWrite(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

// TransferImage of a main window: runs the worker behind the modal progress
// window and answers the worker's 2029 messages, which the main window
// hands on to HandleMessage.
class TransferImageOperation {
public:
    TransferImageOperation(Deliverable deliverable, TRadio& radio, ImageBlocks& image, Event& cancel,
                           TransferProgressWindow& window, QObject* mainWindow);

    // Blocks (modally) until the transfer is over; true only when every
    // block of [first, last] went through.
    bool Run(bool write, int first, int last);

    // Returns true when the message ended the transfer and closed the
    // progress window (completed or cancelled); an error keeps it open.
    bool HandleMessage(const WindowMessageEvent& message);

private:
    const Deliverable deliverable_;
    Event& cancel_;
    TransferProgressWindow& window_;
    QObject* mainWindow_;
    ImageTransfer transfer_;
    bool writing_ = false;
};
