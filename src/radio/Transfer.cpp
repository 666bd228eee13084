#include "Transfer.h"

#include "platform/Event.h"
#include "platform/WindowMessages.h"
#include "radio/Radio.h"

ImageTransfer::ImageTransfer(TRadio& radio, ImageBlocks& image, Event& cancel, bool opensSession)
    : radio_(radio), image_(image), cancel_(cancel), opensSession_(opensSession)
{
}

ImageTransfer::~ImageTransfer()
{
    Wait();
}

void ImageTransfer::Start(bool write, int first, int last, QObject* notify)
{
    Wait();
    success_ = false;
    worker_ = std::thread(&ImageTransfer::Run, this, write, first, last, notify);
}

bool ImageTransfer::Wait()
{
    if (worker_.joinable())
        worker_.join();
    return success_.load();
}

void ImageTransfer::Run(bool write, int first, int last, QObject* notify)
{
    if (opensSession_)
        radio_.OpenSession(false);

    Outcome outcome = Completed;
    int address = first;
    bool final = false;
    while (!final) {
        if (cancel_.IsSet()) {
            cancel_.Reset();
            outcome = Cancelled;
            break;
        }
        uint8_t block[kBlock] = {};
        if (write) {
            image_.ReadBlock(address, block, kBlock);
            if (!radio_.Write8(address, block)) {
                outcome = Failed;
                break;
            }
        } else {
            if (!radio_.Read8(address, block)) {
                outcome = Failed;
                break;
            }
            image_.WriteBlock(address, block, kBlock);
        }
        address += kBlock;
        final = address >= last;
        PostWindowMessage(notify, WindowMessage::TransferProgress, 0, address);
    }
    PostWindowMessage(notify, WindowMessage::TransferProgress, 1, outcome);
    radio_.CloseSession();
    success_ = outcome == Completed;
}
