#include "Radio_rw.h"

#include "platform/Event.h"
#include "platform/WindowMessages.h"
#include "radio/Programmer.h"
#include "ui_Transferprogress.h"

#include <QCoreApplication>

#include <algorithm>

TransferProgressWindow::TransferProgressWindow(const QString& restCaption, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TransferProgressForm>())
{
    ui_->setupUi(this);
    setWindowTitle(restCaption);
    setModal(true);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &TransferProgressWindow::btnCancelClick);
}

TransferProgressWindow::~TransferProgressWindow() = default;

void TransferProgressWindow::SetRange(int minimum, int maximum)
{
    ui_->gaugeProgress->setRange(minimum, maximum);
}

void TransferProgressWindow::SetPosition(int position)
{
    // The last block reports the address after the range; the gauge shows
    // it as full.
    ui_->gaugeProgress->setValue(std::clamp(position, ui_->gaugeProgress->minimum(), ui_->gaugeProgress->maximum()));
}

void TransferProgressWindow::SetRunning()
{
    ui_->btnCancel->setText(QStringLiteral("Cancel"));
}

void TransferProgressWindow::SetStopped()
{
    ui_->btnCancel->setText(QStringLiteral("Close"));
}

void TransferProgressWindow::SetAction(const QString& text)
{
    ui_->lblAction->setText(text);
}

void TransferProgressWindow::btnCancelClick()
{
    reject();
}

void TransferProgressWindow::reject()
{
    // Escape and the window's close box cancel too: the worker must not run
    // on unseen.
    if (cancel_ != nullptr)
        cancel_->Set();
    QDialog::reject();
}

TfrmReadWrite::TfrmReadWrite(QWidget* parent)
    : TransferProgressWindow(QStringLiteral("Reading / writing to radio"), parent)
{
    setObjectName(QStringLiteral("TfrmReadWrite"));
    Form().lblAction->setWordWrap(true);
}

void TfrmReadWrite::showEvent(QShowEvent* event)
{
    SetPosition(0);
    TransferProgressWindow::showEvent(event);
}

TransferImageOperation::TransferImageOperation(Deliverable deliverable, TRadio& radio, ImageBlocks& image,
                                               Event& cancel, TransferProgressWindow& window, QObject* mainWindow)
    : deliverable_(deliverable),
      cancel_(cancel),
      window_(window),
      mainWindow_(mainWindow),
      transfer_(radio, image, cancel, deliverable == Deliverable::Telemetry)
{
}

bool TransferImageOperation::Run(bool write, int first, int last)
{
    writing_ = write;
    QString caption = write ? QStringLiteral("Writing to Radio") : QStringLiteral("Reading from Radio");
    if (deliverable_ == Deliverable::Pmr)
        caption += QStringLiteral(" (%1kB)").arg((last + 1) / 1024);
    window_.setWindowTitle(caption);
    window_.SetRange(first, last);
    window_.SetRunning();
    window_.SetAction(write ? QStringLiteral("Writing to radio...") : QStringLiteral("Reading from radio..."));
    if (deliverable_ == Deliverable::Pmr)
        window_.SetPosition(0);

    // A Close after an earlier error left the event set.
    cancel_.Reset();
    window_.SetCancelEvent(&cancel_);
    transfer_.Start(write, first, last, mainWindow_);
    window_.exec();
    const bool success = transfer_.Wait();
    // A cancelled worker reports after the window has gone: handle its last
    // messages now, so none is left to reach the next transfer's window.
    QCoreApplication::sendPostedEvents(mainWindow_, WindowMessage::TransferProgress);
    return success;
}

bool TransferImageOperation::HandleMessage(const WindowMessageEvent& message)
{
    if (message.WParam() == 0) {
        window_.SetPosition(static_cast<int>(message.LParam()));
        return false;
    }
    window_.SetStopped();
    if (message.LParam() == ImageTransfer::Failed) {
        window_.SetAction(QString::fromUtf8(writing_ ? ProgrammerText::kWriteFailed : ProgrammerText::kReadFailed));
        return false;
    }
    window_.accept();
    return true;
}
