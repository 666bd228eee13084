#include "PtyPair.h"

#include "platform/Event.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        return;
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        close(master_);
        master_ = -1;
        return;
    }
    char name[128] = {};
    if (ptsname_r(master_, name, sizeof name) != 0) {
        close(master_);
        master_ = -1;
        return;
    }
    slavePath_ = QString::fromLocal8Bit(name);
    // Keep one slave descriptor open for the pair's whole life, so the master
    // never sees a hang-up while the code under test closes and reopens the
    // port. Put the line in raw mode at once, so nothing written before the
    // code under test opens it is echoed or translated.
    keepSlave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keepSlave_ >= 0) {
        termios t{};
        if (tcgetattr(keepSlave_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(keepSlave_, TCSANOW, &t);
        }
    }
    int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    if (keepSlave_ >= 0)
        close(keepSlave_);
    if (master_ >= 0)
        close(master_);
}

bool PtyPair::Write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 1000);
            continue;
        }
        return false;
    }
    return true;
}

QByteArray PtyPair::Read(int count, int timeoutMs)
{
    QByteArray out;
    const Deadline deadline(timeoutMs);
    while (out.size() < count) {
        pollfd p{master_, POLLIN, 0};
        const int rc = poll(&p, 1, deadline.RemainingMs());
        if (rc == 0)
            break;
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        char buf[512];
        const ssize_t n = read(master_, buf, std::min<qsizetype>(sizeof buf, count - out.size()));
        if (n > 0)
            out.append(buf, n);
        else if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        else
            break;
        if (deadline.RemainingMs() == 0)
            break;
    }
    return out;
}

QByteArray PtyPair::ReadAll(int quietMs)
{
    QByteArray out;
    for (;;) {
        const QByteArray more = Read(4096, quietMs);
        if (more.isEmpty())
            return out;
        out += more;
    }
}

int PtyPair::SlaveBaudRate() const
{
    termios t{};
    // The master reports the slave's settings.
    if (tcgetattr(master_, &t) != 0)
        return -1;
    switch (cfgetospeed(&t)) {
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B4800: return 4800;
    case B2400: return 2400;
    default: return 0;
    }
}
