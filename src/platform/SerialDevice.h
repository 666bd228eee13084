#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <termios.h>

// A serial line (ttyS, ttyUSB, ttyACM or a pseudo-terminal) held for
// exclusive use. Open configures it raw, 9600 bit/s, 8 data bits, no parity,
// one stop bit, receiver on, modem lines ignored, no flow control of either
// kind, and discards whatever the driver held. I/O is non-blocking: wait for
// readiness with poll() on Fd().
class SerialDevice {
public:
    SerialDevice() = default;
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Fails if this object is already open, the device cannot be opened, is
    // not a terminal, or another process or object holds it.
    bool Open(const QString& path);
    // Releases the device; nothing happens when it is not open.
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    // 9600, 19200, 38400 or 57600 bit/s with 8 data bits, no parity, one
    // stop bit. False for any other rate, on a closed device, or when the
    // driver does not take the settings.
    bool SetBaudRate(int rate);
    // Rate the line is set to, or 0 when closed or not one of the above.
    int BaudRate() const;

    // Discards unread input and unsent output held by the driver.
    bool Purge();

    // Non-blocking; the count of bytes moved, or -1 with errno set (EAGAIN
    // when nothing can be moved now).
    ssize_t Read(uint8_t* dst, size_t max);
    ssize_t Write(const uint8_t* bytes, size_t length);

    // Line settings to put back with RestoreSettings. Open records those it
    // finds before configuring the line; SaveSettings replaces them with the
    // settings in force now.
    bool SaveSettings();
    bool RestoreSettings();

private:
    int fd_ = -1;
    termios saved_{};
    bool haveSaved_ = false;
};
