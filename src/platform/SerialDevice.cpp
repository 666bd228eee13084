#include "SerialDevice.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool SpeedFor(int rate, speed_t& speed)
{
    switch (rate) {
    case 9600: speed = B9600; return true;
    case 19200: speed = B19200; return true;
    case 38400: speed = B38400; return true;
    case 57600: speed = B57600; return true;
    default: return false;
    }
}

// 8 data bits, no parity, one stop bit.
void Set8N1(termios& t)
{
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8;
}

bool Apply(int fd, const termios& wanted)
{
    int rc;
    do {
        rc = tcsetattr(fd, TCSANOW, &wanted);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
        return false;
    // tcsetattr succeeds when any part of the change was taken; read back
    // what the driver actually holds.
    termios now{};
    if (tcgetattr(fd, &now) != 0)
        return false;
    return cfgetospeed(&now) == cfgetospeed(&wanted) && cfgetispeed(&now) == cfgetispeed(&wanted)
        && (now.c_cflag & (CSIZE | PARENB | CSTOPB)) == (wanted.c_cflag & (CSIZE | PARENB | CSTOPB));
}

} // namespace

SerialDevice::~SerialDevice()
{
    Close();
}

bool SerialDevice::Open(const QString& path)
{
    if (fd_ >= 0 || path.isEmpty())
        return false;
    const QByteArray name = path.toLocal8Bit();
    int fd;
    do {
        fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;

    // The advisory lock is what keeps a second opener out when TIOCEXCL does
    // not (a privileged process may open an exclusive line); take it before
    // touching the line, so a refused open changes nothing.
    termios found{};
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || tcgetattr(fd, &found) != 0
        || ioctl(fd, TIOCEXCL) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return false;
    }
    saved_ = found;
    haveSaved_ = true;

    termios t = found;
    cfmakeraw(&t);
    Set8N1(t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);

    fd_ = fd;
    return true;
}

void SerialDevice::Close()
{
    if (fd_ < 0)
        return;
    // The exclusive flag belongs to the terminal, not to this descriptor:
    // clear it, or a line that someone else keeps open stays closed to
    // everybody else after we let go.
    ioctl(fd_, TIOCNXCL);
    flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    haveSaved_ = false;
}

bool SerialDevice::SetBaudRate(int rate)
{
    speed_t speed;
    if (fd_ < 0 || !SpeedFor(rate, speed))
        return false;
    termios t{};
    if (tcgetattr(fd_, &t) != 0)
        return false;
    Set8N1(t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return Apply(fd_, t);
}

int SerialDevice::BaudRate() const
{
    termios t{};
    if (fd_ < 0 || tcgetattr(fd_, &t) != 0)
        return 0;
    switch (cfgetospeed(&t)) {
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    default: return 0;
    }
}

bool SerialDevice::Purge()
{
    return fd_ >= 0 && tcflush(fd_, TCIOFLUSH) == 0;
}

ssize_t SerialDevice::Read(uint8_t* dst, size_t max)
{
    if (fd_ < 0) {
        errno = EBADF;
        return -1;
    }
    ssize_t n;
    do {
        n = ::read(fd_, dst, max);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t SerialDevice::Write(const uint8_t* bytes, size_t length)
{
    if (fd_ < 0) {
        errno = EBADF;
        return -1;
    }
    ssize_t n;
    do {
        n = ::write(fd_, bytes, length);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool SerialDevice::SaveSettings()
{
    termios t{};
    if (fd_ < 0 || tcgetattr(fd_, &t) != 0)
        return false;
    saved_ = t;
    haveSaved_ = true;
    return true;
}

bool SerialDevice::RestoreSettings()
{
    if (fd_ < 0 || !haveSaved_)
        return false;
    int rc;
    do {
        rc = tcsetattr(fd_, TCSANOW, &saved_);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}
