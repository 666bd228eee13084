#pragma once

#include "RadioSimulator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<uint8_t>;

// "00 0A FF" -> bytes.
inline Bytes FromHex(const std::string& text)
{
    Bytes bytes;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        bytes.push_back(static_cast<uint8_t>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

inline std::string Hex(const Bytes& bytes)
{
    std::string text;
    char part[4];
    for (uint8_t b : bytes) {
        std::snprintf(part, sizeof part, text.empty() ? "%02X" : " %02X", b);
        text += part;
    }
    return text;
}

// The program's end of the line: opens the radio's terminal like a serial
// port and exchanges raw bytes with it.
class SimLine {
public:
    using Clock = std::chrono::steady_clock;

    explicit SimLine(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios t{};
        if (fd_ >= 0 && tcgetattr(fd_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~SimLine()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    bool Send(const Bytes& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{fd_, POLLOUT, 0};
                if (poll(&p, 1, 1000) <= 0)
                    return false;
            } else if (!(n < 0 && errno == EINTR)) {
                return false;
            }
        }
        return true;
    }
    bool Send(const std::string& hex) { return Send(FromHex(hex)); }

    // Reads until count bytes came or timeoutMs ran out; stamps the arrival of
    // the first and the last byte.
    Bytes Read(size_t count, int timeoutMs = 2000)
    {
        Bytes out;
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0)
                break;
            pollfd p{fd_, POLLIN, 0};
            const int rc = poll(&p, 1, static_cast<int>(left) + 1);
            if (rc < 0 && errno == EINTR)
                continue;
            if (rc <= 0)
                break;
            uint8_t buffer[256];
            const size_t want = std::min(sizeof buffer, count - out.size());
            const ssize_t n = ::read(fd_, buffer, want);
            if (n > 0) {
                if (out.empty())
                    firstByteAt = Clock::now();
                out.insert(out.end(), buffer, buffer + n);
                lastByteAt = Clock::now();
            } else if (!(n < 0 && (errno == EAGAIN || errno == EINTR))) {
                break;
            }
        }
        return out;
    }

    // Sends a request and reads a reply of the given length.
    std::string Exchange(const std::string& request, size_t replyLength, int timeoutMs = 2000)
    {
        if (!Send(request))
            return "(send failed)";
        return Hex(Read(replyLength, timeoutMs));
    }

    Clock::time_point firstByteAt{};
    Clock::time_point lastByteAt{};

private:
    int fd_ = -1;
};

// A started radio with the line open.
struct RadioOnLine {
    explicit RadioOnLine(const SimOptions& options = {})
        : radio(options)
        , started(radio.Start())
        , line(radio.SlavePath())
    {
    }
    RadioSimulator radio;
    bool started;
    SimLine line;
};

// Frames used by several tests.
inline const char* const kIdentityRequest = "00 00 00 00 FF 02 CC";
inline const char* const kTelemetryIdentity = "51 4C 34 31 30 30 54 20 76 32 2E 31 30 0D E5 02 CC";
inline const char* const kReadByte50 = "00 00 32 00 CD 46 CC";
