#include "Monitorfeed.h"

#include "link/Commsmonitor.h"
#include "link/Pktmon.h"
#include "link/Protocol.h"
#include "link/Win32port.h"
#include "platform/WindowMessages.h"
#include "radio/Radio.h"

#include <QString>
#include <algorithm>
#include <vector>

namespace {

constexpr int kMonitorBatch = 1024;

// Takes length bytes from a log. The PMR logs are byte rings holding frames
// back to back: taking exactly the announced length keeps the next message
// aligned on its own frame. Telemetry gives at most its one held frame.
std::vector<uint8_t> TakeLength(TRadio& radio, bool sent, qintptr length)
{
    const int wanted = static_cast<int>(std::clamp<qintptr>(length, 0, MTdeque::Size));
    std::vector<uint8_t> frame(static_cast<size_t>(std::max(wanted, 1)));
    const int n = sent ? radio.TakeSent(frame.data(), wanted) : radio.TakeReceived(frame.data(), wanted);
    frame.resize(static_cast<size_t>(n));
    return frame;
}

} // namespace

void FeedSentFrame(TRadio& radio, TfrmPktMonitor& monitor, qintptr length)
{
    // Telemetry holds the last sent frame as it went out: wire order already.
    const std::vector<uint8_t> frame = TakeLength(radio, true, length);
    monitor.AddFrame(TfrmPktMonitor::kSent, frame.data(), static_cast<int>(frame.size()));
}

void FeedReceivedFrame(TRadio& radio, TfrmPktMonitor& monitor, const WindowMessageEvent& message)
{
    std::vector<uint8_t> frame;
    if (radio.GetDeliverable() == Deliverable::Pmr) {
        frame = TakeLength(radio, false, message.WParam());
    } else {
        // Telemetry holds only the last frame, newest byte first: take all
        // of it, whatever length this message announced, and turn it round.
        uint8_t held[TPktQueue::Capacity];
        const int n = radio.TakeReceived(held, TPktQueue::Capacity);
        frame.resize(static_cast<size_t>(n));
        ProtocolZYN1::ToWireOrder(held, n, frame.data());
    }
    const bool refused = message.LParam() == 1;
    if (refused) {
        monitor.AddLine(QStringLiteral("*********************"));
        monitor.AddLine(QStringLiteral("unexpected packet - ignored: "));
    }
    monitor.AddFrame(TfrmPktMonitor::kReceived, frame.data(), static_cast<int>(frame.size()));
    if (refused)
        monitor.AddLine(QStringLiteral("====================="));
}

void FeedCommsMonitor(Win32Port& port, TfrmCommsMonitor& monitor)
{
    uint8_t bytes[kMonitorBatch];
    const int n = port.ReadMonitor(bytes, kMonitorBatch);
    // A batch an earlier message already drained leaves nothing to show.
    if (n > 0)
        monitor.AddBytes(bytes, n);
}
