#include "Radio.h"

#include "link/Win32port.h"
#include "platform/WindowMessages.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr uint8_t kCodeOpen = 0x01;
constexpr uint8_t kCodeIdent = 0x02; // also the status report under the status marker
constexpr uint8_t kCodeRead8 = 0x04;
constexpr uint8_t kCodeWrite8 = 0x05;
constexpr uint8_t kCodeLevels = 0x0A;
constexpr uint8_t kCodeReadByte = 0x46;
constexpr uint8_t kCodeWriteByte = 0x47;
constexpr int kReadChunk = 256;
} // namespace

TRadio::TRadio(Deliverable deliverable)
    : deliverable_(deliverable), checked_(deliverable == Deliverable::Pmr), framer_(deliverable)
{
    framer_.SetEscapeMode(false);
    thread_ = std::thread(&TRadio::ReceiveLoop, this);
}

TRadio::~TRadio()
{
    stop_.Set();
    if (thread_.joinable())
        thread_.join();
}

void TRadio::AttachPort(Win32Port* port)
{
    {
        std::lock_guard<std::mutex> guard(portLock_);
        port_.store(port);
    }
    attached_.Set();
}

void TRadio::ReceiveLoop()
{
    uint8_t bytes[kReadChunk];
    for (;;) {
        Win32Port* port = port_.load();
        int which;
        if (port != nullptr)
            which = Event::WaitAny({&stop_, &attached_, &port->SessionReceiveEvent()});
        else
            which = Event::WaitAny({&stop_, &attached_});
        if (which == 0) {
            stop_.Reset();
            return;
        }
        if (which == 1 || which < 0) {
            if (which < 0)
                Event::WaitAny({&stop_, &attached_}); // the port went away: wait for news
            else
                attached_.Reset();
            continue;
        }
        int n = 0;
        {
            // The port may have been swapped while we slept.
            std::lock_guard<std::mutex> guard(portLock_);
            if (port_.load() == port)
                n = port->ReadAvailable(bytes, kReadChunk);
        }
        HandleBytes(bytes, n);
    }
}

void TRadio::HandleBytes(const uint8_t* bytes, int count)
{
    for (int i = 0; i < count; ++i) {
        framer_.PushByte(bytes[i]);
        int length = 0;
        if (!framer_.FindFrame(lastFrame_, length))
            continue;
        const bool accepted = Dispatch(lastFrame_, length);
        QObject* window = notifyWindow_.load();
        if (checked_) {
            // Logged in wire order: the found frame reads newest byte first.
            uint8_t wire[ProtocolZYN1::kMaxFrame];
            std::reverse_copy(lastFrame_, lastFrame_ + length, wire);
            receivedRing_.Push(wire, length);
            // A refused reply is still shown to the technician, marked as such.
            PostWindowMessage(window, WindowMessage::PacketReceived, length, accepted ? 0 : 1);
        } else {
            receivedHolder_.Put(lastFrame_, static_cast<uint32_t>(length));
            PostWindowMessage(window, WindowMessage::PacketReceived, length, 0);
        }
    }
}

bool TRadio::Dispatch(const uint8_t* f, int length)
{
    const uint8_t marker = f[0];
    const uint8_t code = f[1];
    const bool prefixed = checked_ && code == kCodeIdent && framer_.ExtensionFlag();
    const int payloadLength = length - 3 - (prefixed ? 8 : 0);
    // Payload byte k in wire order (p0 first).
    auto p = [f, payloadLength](int k) { return f[3 + payloadLength - 1 - k]; };
    auto word = [&p](int k) { return p(k) + 256 * p(k + 1); };

    if (marker == ProtocolZYN1::kStatusMarker) {
        if (code != kCodeIdent || payloadLength < 10)
            return false;
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (int k = 0; k < 10; ++k)
                statusReport_[k] = p(k);
            for (int k = 0; k < 7; ++k)
                // Prefix block after c2, newest first: e6 … e0.
                statusExtension_[k] = prefixed ? f[3 + payloadLength + 1 + 6 - k] : 0;
        }
        PostWindowMessage(notifyWindow_.load(), WindowMessage::StatusReport, 0, 0);
        return true;
    }

    switch (code) {
    case kCodeOpen:
        if (checked_ && escapeRequested_.load())
            framer_.SetEscapeMode(true);
        SetReply();
        return true;
    case kCodeIdent: {
        const int n = p(payloadLength - 1);
        const int kept = std::min({n, payloadLength - 1, kIdentityMax});
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (int k = 0; k < kept; ++k)
                identity_[k] = static_cast<char>(p(k));
            identity_[kept] = '\0';
        }
        SetReply();
        return true;
    }
    case kCodeRead8: {
        const int address = word(8);
        if (checked_ && address != awaitRead8_.load())
            return false; // a late reply for another block: its bytes are not taken
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (int k = 0; k < 8; ++k)
                block_[k] = p(7 - k);
        }
        SetReply();
        return true;
    }
    case kCodeWrite8: {
        const int address = word(2);
        if (!checked_ || address == awaitWrite8_.load() || address == 0)
            SetReply();
        return true;
    }
    case kCodeLevels: {
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (int k = 0; k < 4; ++k)
                levels_[k] = p(3 - k);
        }
        SetReply();
        return true;
    }
    case kCodeReadByte: {
        const int address = word(2);
        if (checked_ && address != awaitReadByte_.load())
            return false;
        {
            std::lock_guard<std::mutex> guard(lock_);
            byteValue_ = p(0);
        }
        SetReply();
        return true;
    }
    case kCodeWriteByte: {
        const int address = word(2);
        if (!checked_ || address == awaitWriteByte_.load())
            SetReply();
        return true;
    }
    default:
        return false;
    }
}

void TRadio::Send(const uint8_t* frame, int length)
{
    if (length <= 0)
        return;
    // Logged before it goes out, so the packet monitor never lists a reply
    // ahead of its request.
    if (checked_)
        sentRing_.Push(frame, length);
    else
        sentHolder_.Put(frame, static_cast<uint32_t>(length));
    PostWindowMessage(notifyWindow_.load(), WindowMessage::PacketSent, length, 0);
    if (Win32Port* port = port_.load())
        port->Write(frame, length);
}

bool TRadio::Transact(const uint8_t* frame, int length, bool noWait)
{
    Send(frame, length);
    if (noWait)
        return true;
    if (length <= 0) {
        // Nothing went out, so nothing can answer: the wait runs out.
        stop_.Wait(kReplyWaitMs);
        return false;
    }
    if (!reply_.Wait(kReplyWaitMs))
        return false;
    reply_.Reset();
    return true;
}

bool TRadio::OpenSession(bool escape)
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    if (checked_) {
        // The open request and its acknowledgement travel unescaped.
        framer_.SetEscapeMode(false);
        escapeRequested_.store(escape);
    }
    const int n = framer_.MakeOpenSession(frame, escape);
    return Transact(frame, n, false);
}

bool TRadio::GetIdent(QString& text)
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    const int n = framer_.MakeGetIdent(frame);
    if (!Transact(frame, n, false))
        return false;
    std::lock_guard<std::mutex> guard(lock_);
    text = QString::fromLatin1(identity_);
    return true;
}

bool TRadio::ProbeIdent()
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    const int n = framer_.MakeGetIdent(frame);
    return Transact(frame, n, false);
}

bool TRadio::CloseSession()
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    // Built while escaping is still on: the close itself goes out escaped.
    const int n = framer_.MakeCloseSession(frame);
    Transact(frame, n, true);
    if (checked_)
        framer_.SetEscapeMode(false);
    return true;
}

bool TRadio::ReadByte(int address, int& value)
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    awaitReadByte_.store(address & 0xFFFF);
    const int n = framer_.MakeReadByte(frame, address);
    if (!Transact(frame, n, false))
        return false;
    std::lock_guard<std::mutex> guard(lock_);
    value = byteValue_;
    return true;
}

bool TRadio::WriteByte(int address, int value)
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    awaitWriteByte_.store(address & 0xFFFF);
    const int n = framer_.MakeWriteByte(frame, address, value & 0xFF);
    return Transact(frame, n, false);
}

bool TRadio::Read8(int address, uint8_t bytes[8])
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    awaitRead8_.store(address & 0xFFFF);
    const int n = framer_.MakeRead8(frame, address);
    if (!Transact(frame, n, false))
        return false;
    std::lock_guard<std::mutex> guard(lock_);
    std::memcpy(bytes, block_, 8);
    return true;
}

bool TRadio::Write8(int address, const uint8_t bytes[8])
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    awaitWrite8_.store(address & 0xFFFF);
    const int n = framer_.MakeWrite8(frame, address, bytes);
    return Transact(frame, n, false);
}

bool TRadio::ReadRange(int start, int end, uint8_t* destination)
{
    OpenSession(checked_ && firmwareMajor_.load() > 2);
    bool result = false;
    int address = start - (start % 8);
    uint8_t* out = destination;
    while (address < end) {
        result = Read8(address, out);
        if (!result)
            break;
        address += 8;
        out += 8;
    }
    CloseSession();
    return result;
}

void TRadio::KeyEvent(int key, int event)
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    const int n = framer_.MakeKeyEvent(frame, key, event);
    Transact(frame, n, true);
}

bool TRadio::RequestStatus()
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    const int n = framer_.MakeStatusRequest(frame);
    return Transact(frame, n, true);
}

bool TRadio::ReadLevels(int& first, int& second)
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    const int n = framer_.MakeReadLevels(frame);
    if (!Transact(frame, n, false))
        return false;
    std::lock_guard<std::mutex> guard(lock_);
    // Stored last payload byte first: levels[1] is p2, the echoed 6.
    if (levels_[1] == 6) {
        first = levels_[2];
        second = levels_[3];
    }
    return true;
}

int TRadio::TestToneValue(double hz)
{
    return static_cast<int>(std::floor(hz * 65536.0 * 0.0000625 + 0.5));
}

bool TRadio::SetTestTone(double hz)
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    const int n = framer_.MakeTestTone(frame, TestToneValue(hz));
    return Transact(frame, n, false);
}

bool TRadio::SetAlignFrequency(long hz)
{
    uint8_t frame[ProtocolZYN1::kMaxRequest];
    const int n = framer_.MakeAlignChannel(frame, static_cast<int>(hz / 12500));
    return Transact(frame, n, false);
}

void TRadio::GetStatusReport(uint8_t report[10], uint8_t extension[7])
{
    std::lock_guard<std::mutex> guard(lock_);
    std::memcpy(report, statusReport_, 10);
    if (extension != nullptr)
        std::memcpy(extension, statusExtension_, 7);
}

int TRadio::TakeLogged(MTdeque& ring, TPktQueue& holder, uint8_t* destination, int maximum)
{
    if (checked_)
        return ring.Pop(destination, maximum);
    uint8_t held[TPktQueue::Capacity];
    const int length = static_cast<int>(std::min<uint32_t>(holder.Get(held), TPktQueue::Capacity));
    const int n = std::clamp(length, 0, std::max(maximum, 0));
    std::memcpy(destination, held, static_cast<size_t>(n));
    return n;
}

int TRadio::TakeReceived(uint8_t* destination, int maximum)
{
    return TakeLogged(receivedRing_, receivedHolder_, destination, maximum);
}

int TRadio::TakeSent(uint8_t* destination, int maximum)
{
    return TakeLogged(sentRing_, sentHolder_, destination, maximum);
}
