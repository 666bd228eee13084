#include "platform/SerialDevice.h"

#include "PtyPair.h"

#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <poll.h>
#include <termios.h>

namespace {

bool Readable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

// Puts the line into a cooked, slow, flow-controlled state, as a terminal
// program might have left it.
void MessUpLine(int masterFd)
{
    termios t{};
    ASSERT_EQ(tcgetattr(masterFd, &t), 0);
    t.c_lflag |= ICANON | ECHO;
    t.c_iflag |= IXON | IXOFF | IXANY | ICRNL;
    t.c_oflag |= OPOST;
    t.c_cflag &= ~(CSIZE | CLOCAL);
    t.c_cflag |= CS7 | PARENB | CSTOPB | CRTSCTS;
    cfsetispeed(&t, B4800);
    cfsetospeed(&t, B4800);
    ASSERT_EQ(tcsetattr(masterFd, TCSANOW, &t), 0);
}

TEST(SerialDevice, OpenSetsRaw9600EightNoneOneWithoutFlowControl)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    MessUpLine(pty.MasterFd());
    ASSERT_EQ(pty.SlaveBaudRate(), 4800);

    SerialDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath()));
    EXPECT_TRUE(device.IsOpen());
    EXPECT_GE(device.Fd(), 0);

    termios t{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(device.BaudRate(), 9600);
}

TEST(SerialDevice, ASecondOpenerIsRefusedWhileTheFirstHoldsTheLine)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    SerialDevice first;
    SerialDevice second;
    ASSERT_TRUE(first.Open(pty.SlavePath()));
    EXPECT_FALSE(second.Open(pty.SlavePath()));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.Fd(), -1);
    // Opening an open object again is refused too.
    EXPECT_FALSE(first.Open(pty.SlavePath()));

    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.Open(pty.SlavePath()));
}

TEST(SerialDevice, OpenFailsWithoutATerminal)
{
    SerialDevice device;
    EXPECT_FALSE(device.Open(QString()));
    EXPECT_FALSE(device.Open(QStringLiteral("/dev/no-such-serial-line")));
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    EXPECT_FALSE(device.Open(file.fileName()));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(device.SetBaudRate(9600));
    EXPECT_FALSE(device.Purge());
    uint8_t byte = 0;
    errno = 0;
    EXPECT_EQ(device.Read(&byte, 1), -1);
    EXPECT_EQ(errno, EBADF);
}

struct RateCase {
    int rate;
    bool accepted;
};

class SerialDeviceRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(SerialDeviceRate, SetsOnlyTheSupportedRates)
{
    const RateCase c = GetParam();
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    SerialDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath()));
    EXPECT_EQ(device.SetBaudRate(c.rate), c.accepted);
    EXPECT_EQ(pty.SlaveBaudRate(), c.accepted ? c.rate : 9600);
    termios t{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &t), 0);
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
}

INSTANTIATE_TEST_SUITE_P(Cases, SerialDeviceRate,
                         ::testing::Values(RateCase{9600, true}, RateCase{19200, true},
                                           RateCase{38400, true}, RateCase{57600, true},
                                           RateCase{115200, false}, RateCase{4800, false},
                                           RateCase{0, false}, RateCase{-9600, false},
                                           RateCase{9601, false}));

TEST(SerialDevice, MovesBytesBothWaysWithoutBlocking)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    SerialDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath()));

    uint8_t buffer[16];
    errno = 0;
    EXPECT_EQ(device.Read(buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EAGAIN);

    const uint8_t out[4] = {0x00, 0x0D, 0x0A, 0xCC};
    EXPECT_EQ(device.Write(out, 4), 4);
    EXPECT_EQ(pty.Read(4, 2000), QByteArray("\x00\x0D\x0A\xCC", 4));

    ASSERT_TRUE(pty.Write(QByteArray("\x11\x13\x7F\x0D", 4)));
    ASSERT_TRUE(Readable(device.Fd(), 2000));
    EXPECT_EQ(device.Read(buffer, sizeof buffer), 4);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer), 4), QByteArray("\x11\x13\x7F\x0D", 4));
}

TEST(SerialDevice, PurgeDiscardsUnreadInput)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    SerialDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath()));
    ASSERT_TRUE(pty.Write(QByteArray("abc")));
    ASSERT_TRUE(Readable(device.Fd(), 2000));
    EXPECT_TRUE(device.Purge());
    uint8_t buffer[8];
    errno = 0;
    EXPECT_EQ(device.Read(buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EAGAIN);
}

TEST(SerialDevice, RestoreSettingsPutsBackWhatOpenFound)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    MessUpLine(pty.MasterFd());
    termios before{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &before), 0);

    SerialDevice device;
    ASSERT_TRUE(device.Open(pty.SlavePath()));
    ASSERT_TRUE(device.SetBaudRate(57600));
    ASSERT_TRUE(device.RestoreSettings());
    termios after{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &after), 0);
    EXPECT_EQ(pty.SlaveBaudRate(), 4800);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);

    // SaveSettings replaces what is put back.
    ASSERT_TRUE(device.SetBaudRate(19200));
    ASSERT_TRUE(device.SaveSettings());
    ASSERT_TRUE(device.SetBaudRate(38400));
    ASSERT_TRUE(device.RestoreSettings());
    EXPECT_EQ(pty.SlaveBaudRate(), 19200);
}

TEST(SerialDevice, CloseLetsTheLineBeOpenedAgain)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    for (int round = 0; round < 3; ++round) {
        SerialDevice device;
        ASSERT_TRUE(device.Open(pty.SlavePath())) << "round " << round;
        const uint8_t byte = static_cast<uint8_t>(0x40 + round);
        EXPECT_EQ(device.Write(&byte, 1), 1);
        EXPECT_EQ(pty.Read(1, 2000), QByteArray(1, static_cast<char>(byte)));
    }
}

} // namespace
