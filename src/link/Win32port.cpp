#include "Win32port.h"

#include "platform/PortNames.h"
#include "platform/WindowMessages.h"

#include <cerrno>
#include <poll.h>
#include <system_error>

namespace {
// Rest between attempts on a line that reports errors or has hung up.
constexpr int LineFaultRestMs = 100;
} // namespace

Win32Port::Win32Port(Deliverable deliverable)
    : deliverable_(deliverable)
{
}

Win32Port::~Win32Port()
{
    Close();
}

bool Win32Port::Open(const QString& portName)
{
    if (open_.load())
        return false;
    const QString path = PortNames::DevicePath(deliverable_, portName);
    if (path.isEmpty())
        return false;
    return OpenDevice(path);
}

bool Win32Port::OpenDevice(const QString& path)
{
    std::lock_guard<std::mutex> guard(lifecycle_);
    if (open_.load())
        return false;
    // Opening records the line settings it finds (put back on close by the
    // PMR program) and sets the line to 9600 8N1 raw without flow control.
    if (!device_.Open(path))
        return false;

    // Nothing queued for or received from an earlier connection belongs to
    // this one: a probe left unsent must not reach the next port tried.
    transmitRing_.Clear();
    transmit_.Reset();
    {
        std::lock_guard<std::mutex> drain(drainLock_);
        unsent_ = 0;
    }
    FlushReceive();

    readerStop_.Reset();
    writerStop_.Reset();
    try {
        reader_ = std::thread(&Win32Port::ReaderLoop, this);
        writer_ = std::thread(&Win32Port::WriterLoop, this);
    } catch (const std::system_error&) {
        StopThreads();
        device_.Close();
        return false;
    }
    open_.store(true);
    return true;
}

bool Win32Port::Close()
{
    std::lock_guard<std::mutex> guard(lifecycle_);
    if (!open_.load())
        return true;
    {
        std::unique_lock<std::mutex> drain(drainLock_);
        drained_.wait_for(drain, std::chrono::milliseconds(DrainWaitMs), [this] { return unsent_ <= 0; });
    }
    StopThreads();
    if (deliverable_ == Deliverable::Pmr)
        device_.RestoreSettings();
    device_.Close();
    open_.store(false);
    return true;
}

void Win32Port::StopThreads()
{
    readerStop_.Set();
    writerStop_.Set();
    if (reader_.joinable())
        reader_.join();
    if (writer_.joinable())
        writer_.join();
    // A thread that never started has not consumed its stop request.
    readerStop_.Reset();
    writerStop_.Reset();
}

bool Win32Port::SetBaudRate(int rate)
{
    std::lock_guard<std::mutex> guard(lifecycle_);
    if (!open_.load())
        return false;
    return device_.SetBaudRate(rate);
}

void Win32Port::Write(const uint8_t* bytes, int length)
{
    const int queued = transmitRing_.Push(bytes, length);
    {
        std::lock_guard<std::mutex> drain(drainLock_);
        unsent_ += queued;
    }
    transmit_.Set();
}

int Win32Port::ReadAvailable(uint8_t* dst, int max)
{
    std::lock_guard<std::mutex> guard(portLock_);
    const int n = receiveRing_.Pop(dst, max);
    if (receiveRing_.IsEmpty())
        sessionReceive_.Reset();
    return n;
}

int Win32Port::ReadWait(uint8_t* dst, int length)
{
    if (dst == nullptr || length <= 0)
        return 0;
    int got = 0;
    while (got < length) {
        if (!directReceive_.Wait(ByteWaitMs))
            break;
        std::lock_guard<std::mutex> guard(portLock_);
        got += receiveRing_.Pop(dst + got, length - got);
        // Sleep on the next wait until new bytes arrive; the reader pushes
        // and sets under the same lock, so no arrival is missed.
        if (got < length)
            directReceive_.Reset();
    }
    return got;
}

int Win32Port::ReadMonitor(uint8_t* dst, int max)
{
    return monitorRing_.Pop(dst, max);
}

void Win32Port::FlushReceive()
{
    std::lock_guard<std::mutex> guard(portLock_);
    receiveRing_.Clear();
    sessionReceive_.Reset();
    directReceive_.Reset();
}

void Win32Port::EnableSessionNotify()
{
    std::lock_guard<std::mutex> guard(portLock_);
    sessionNotify_ = true;
    sessionReceive_.Reset();
}

void Win32Port::DisableSessionNotify()
{
    std::lock_guard<std::mutex> guard(portLock_);
    sessionNotify_ = false;
    sessionReceive_.Reset();
}

bool Win32Port::RestAfterLineFault()
{
    device_.Purge();
    if (readerStop_.Wait(LineFaultRestMs)) {
        readerStop_.Reset();
        return true;
    }
    return false;
}

void Win32Port::ReaderLoop()
{
    QObject* const window = notifyWindow_.load();
    uint8_t buffer[BatchSize];
    pollfd fds[2] = {{device_.Fd(), POLLIN, 0}, {readerStop_.Fd(), POLLIN, 0}};

    for (;;) {
        fds[0].revents = 0;
        fds[1].revents = 0;
        const int rc = poll(fds, 2, -1);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            if (RestAfterLineFault())
                return;
            continue;
        }
        if (fds[1].revents & POLLIN) {
            readerStop_.Reset();
            return;
        }

        const short ready = fds[0].revents;
        if (!(ready & (POLLIN | POLLHUP | POLLERR | POLLNVAL)))
            continue;
        ssize_t n = -1;
        if (ready & POLLIN)
            n = device_.Read(buffer, sizeof buffer);
        if (n < 0 && (ready & POLLIN) && errno == EAGAIN)
            continue;
        if (n <= 0) {
            // Hung up, unplugged, or a line error.
            if (RestAfterLineFault())
                return;
            continue;
        }

        const int count = static_cast<int>(n);
        {
            std::lock_guard<std::mutex> guard(portLock_);
            receiveRing_.Push(buffer, count);
            if (sessionNotify_)
                sessionReceive_.Set();
            directReceive_.Set();
        }
        monitorRing_.Push(buffer, count);
        PostWindowMessage(window, WindowMessage::BytesReceived, count, 0);
    }
}

bool Win32Port::SendBatch(const uint8_t* bytes, int length)
{
    int done = 0;
    while (done < length) {
        const ssize_t n = device_.Write(bytes + done, static_cast<size_t>(length - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN)
            return false;
        // The driver's buffer is full: wait until it takes more, or until
        // told to stop.
        pollfd fds[2] = {{device_.Fd(), POLLOUT, 0}, {writerStop_.Fd(), POLLIN, 0}};
        int rc;
        do {
            rc = poll(fds, 2, -1);
        } while (rc < 0 && errno == EINTR);
        if (rc < 0 || (fds[1].revents & POLLIN))
            return false;
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) && !(fds[0].revents & POLLOUT))
            return false;
    }
    return true;
}

void Win32Port::WriterLoop()
{
    uint8_t batch[BatchSize];
    pollfd fds[2] = {{writerStop_.Fd(), POLLIN, 0}, {transmit_.Fd(), POLLIN, 0}};

    for (;;) {
        fds[0].revents = 0;
        fds[1].revents = 0;
        const int rc = poll(fds, 2, -1);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            // Cannot wait for work; wait for the stop request alone.
            writerStop_.Wait();
        }
        if (writerStop_.IsSet()) {
            writerStop_.Reset();
            return;
        }
        if (!(fds[1].revents & POLLIN))
            continue;

        transmit_.Reset();
        int n;
        while ((n = transmitRing_.Pop(batch, BatchSize)) > 0) {
            // A batch the line refuses is dropped; nobody waits for it.
            SendBatch(batch, n);
            {
                std::lock_guard<std::mutex> drain(drainLock_);
                unsent_ -= n;
            }
            drained_.notify_all();
            if (writerStop_.IsSet())
                break;
        }
    }
}
