#include "link/Win32port.h"

#include "platform/Event.h"
#include "platform/PortNames.h"
#include "platform/Settings.h"
#include "platform/WindowMessages.h"

#include "MessageSink.h"
#include "PtyPair.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QByteArray Pattern(int length, int seed)
{
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 13 + seed) & 0xFF);
    return bytes;
}

void WriteBytes(Win32Port& port, const QByteArray& bytes)
{
    port.Write(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<int>(bytes.size()));
}

// What the radio session's receive thread does: wait for the session
// receive event and take what is there, until count bytes or timeoutMs.
QByteArray ReadSession(Win32Port& port, int count, int timeoutMs)
{
    QByteArray out;
    const Deadline deadline(timeoutMs);
    uint8_t buffer[1024];
    while (out.size() < count) {
        if (!port.SessionReceiveEvent().Wait(deadline.RemainingMs()))
            break;
        const int n = port.ReadAvailable(buffer, sizeof buffer);
        out.append(reinterpret_cast<const char*>(buffer), n);
    }
    return out;
}

// Drains the monitor ring until count bytes came or timeoutMs ran out.
QByteArray ReadMonitor(Win32Port& port, int count, int timeoutMs)
{
    QByteArray out;
    (void)QTest::qWaitFor(
        [&] {
            uint8_t buffer[1024];
            const int n = port.ReadMonitor(buffer, sizeof buffer);
            out.append(reinterpret_cast<const char*>(buffer), n);
            return out.size() >= count;
        },
        timeoutMs);
    return out;
}

QByteArray ReadWaitBytes(Win32Port& port, int length)
{
    std::vector<uint8_t> buffer(static_cast<size_t>(std::max(length, 1)));
    const int n = port.ReadWait(buffer.data(), length);
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), n);
}


class Win32PortTest : public ::testing::TestWithParam<Deliverable> {
protected:
    void SetUp() override { ASSERT_TRUE(pty.IsValid()); }

    PtyPair pty;
    Win32Port port{GetParam()};
};

TEST_P(Win32PortTest, RemembersItsDeliverable)
{
    EXPECT_EQ(port.GetDeliverable(), GetParam());
    EXPECT_FALSE(port.IsOpen());
}

TEST_P(Win32PortTest, SendsBytesInOrder)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    EXPECT_TRUE(port.IsOpen());
    const QByteArray frame("\x03\x00\x00\x00\xFC\x01\xCC", 7);
    WriteBytes(port, frame);
    WriteBytes(port, QByteArray("\x11\x13", 2));
    EXPECT_EQ(pty.Read(9, 3000), frame + QByteArray("\x11\x13", 2));
}

TEST_P(Win32PortTest, SendsSeveralKilobytesFedInPieces)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    // Pieces of up to the ring's size go out as batches of 256 and a rest;
    // each piece is taken off the line before the next is queued, since the
    // transmit ring drops what does not fit.
    const QByteArray all = Pattern(7000, 5);
    QByteArray sent;
    for (int at = 0; at < all.size(); at += 1000) {
        const QByteArray piece = all.mid(at, 1000);
        WriteBytes(port, piece);
        sent += pty.Read(static_cast<int>(piece.size()), 5000);
        ASSERT_EQ(sent.size(), at + piece.size());
    }
    EXPECT_EQ(sent, all);
}

TEST_P(Win32PortTest, TransmitRingKeepsTheFirst1024BytesOfAnOverlongWrite)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    const QByteArray all = Pattern(1500, 9);
    WriteBytes(port, all);
    EXPECT_EQ(pty.ReadAll(300), all.left(1024));
}

TEST_P(Win32PortTest, SessionReceivesBytesInOrder)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    const QByteArray first = Pattern(300, 1);
    const QByteArray second = Pattern(200, 2);
    ASSERT_TRUE(pty.Write(first));
    ASSERT_TRUE(pty.Write(second));
    EXPECT_EQ(ReadSession(port, 500, 5000), first + second);
    // The ring is empty, so the session is not woken again.
    EXPECT_FALSE(port.SessionReceiveEvent().IsSet());
    uint8_t byte;
    EXPECT_EQ(port.ReadAvailable(&byte, 1), 0);
}

TEST_P(Win32PortTest, ReadAvailableClearsTheSessionEventOnlyWhenTheRingEmpties)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    ASSERT_TRUE(pty.Write(QByteArray("0123456789")));
    // The monitor copy is made after the receive ring holds the bytes.
    ASSERT_EQ(ReadMonitor(port, 10, 5000), QByteArray("0123456789"));
    ASSERT_TRUE(port.SessionReceiveEvent().IsSet());

    uint8_t buffer[16] = {};
    EXPECT_EQ(port.ReadAvailable(buffer, 4), 4);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer), 4), QByteArray("0123"));
    EXPECT_TRUE(port.SessionReceiveEvent().IsSet());
    EXPECT_EQ(port.ReadAvailable(buffer, 16), 6);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer), 6), QByteArray("456789"));
    EXPECT_FALSE(port.SessionReceiveEvent().IsSet());
}

TEST_P(Win32PortTest, WithSessionNotifyOffBytesGoToReadWaitOnly)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    port.DisableSessionNotify();
    ASSERT_TRUE(pty.Write(QByteArray("\x06\x55\xAA", 3)));
    EXPECT_EQ(ReadWaitBytes(port, 3), QByteArray("\x06\x55\xAA", 3));
    EXPECT_FALSE(port.SessionReceiveEvent().IsSet());
    // The monitor still sees them.
    EXPECT_EQ(ReadMonitor(port, 3, 5000), QByteArray("\x06\x55\xAA", 3));

    port.EnableSessionNotify();
    ASSERT_TRUE(pty.Write(QByteArray("\x01\x02", 2)));
    EXPECT_EQ(ReadSession(port, 2, 5000), QByteArray("\x01\x02", 2));
}

TEST_P(Win32PortTest, TurningSessionNotifyOffClearsAPendingWakeUp)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    ASSERT_TRUE(pty.Write(QByteArray("xyz")));
    ASSERT_TRUE(port.SessionReceiveEvent().Wait(5000));
    ASSERT_EQ(ReadMonitor(port, 3, 5000), QByteArray("xyz"));
    port.DisableSessionNotify();
    EXPECT_FALSE(port.SessionReceiveEvent().IsSet());
    // The bytes stay for the direct reader.
    EXPECT_EQ(ReadWaitBytes(port, 3), QByteArray("xyz"));
    port.EnableSessionNotify();
    EXPECT_FALSE(port.SessionReceiveEvent().IsSet());
}

TEST_P(Win32PortTest, ReadWaitReturnsAShortCountAfterHalfASecondOfQuiet)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    port.DisableSessionNotify();
    ASSERT_TRUE(pty.Write(QByteArray("\x5A", 1)));
    ASSERT_EQ(ReadMonitor(port, 1, 5000).size(), 1);

    QElapsedTimer timer;
    timer.start();
    uint8_t buffer[2] = {};
    EXPECT_EQ(port.ReadWait(buffer, 2), 1);
    const qint64 elapsed = timer.elapsed();
    EXPECT_EQ(buffer[0], 0x5A);
    EXPECT_GE(elapsed, 495);
    EXPECT_LT(elapsed, 5000);
}

TEST_P(Win32PortTest, ReadWaitCollectsBytesArrivingInSeveralBatches)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    port.DisableSessionNotify();

    QByteArray got;
    std::thread reader([&] { got = ReadWaitBytes(port, 6); });
    ASSERT_TRUE(pty.Write(QByteArray("AB")));
    // Let the first batch reach the port before sending the next one.
    ASSERT_EQ(ReadMonitor(port, 2, 5000), QByteArray("AB"));
    ASSERT_TRUE(pty.Write(QByteArray("CD")));
    ASSERT_EQ(ReadMonitor(port, 2, 5000), QByteArray("CD"));
    ASSERT_TRUE(pty.Write(QByteArray("EF")));
    reader.join();
    EXPECT_EQ(got, QByteArray("ABCDEF"));
}

TEST_P(Win32PortTest, ReadWaitLeavesSurplusBytesForTheNextRead)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    port.DisableSessionNotify();
    ASSERT_TRUE(pty.Write(QByteArray("12345")));
    ASSERT_EQ(ReadMonitor(port, 5, 5000), QByteArray("12345"));
    EXPECT_EQ(ReadWaitBytes(port, 3), QByteArray("123"));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ReadWaitBytes(port, 2), QByteArray("45"));
    // The bytes were already there: no 500 ms wait ran out.
    EXPECT_LT(timer.elapsed(), 450);
}

TEST_P(Win32PortTest, ReadWaitOfNothingReturnsAtOnce)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    uint8_t byte = 0;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(port.ReadWait(&byte, 0), 0);
    EXPECT_EQ(port.ReadWait(&byte, -3), 0);
    EXPECT_LT(timer.elapsed(), 450);
}

TEST_P(Win32PortTest, FlushReceiveForgetsReceivedBytes)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    ASSERT_TRUE(pty.Write(QByteArray("stale")));
    ASSERT_EQ(ReadMonitor(port, 5, 5000), QByteArray("stale"));
    port.FlushReceive();
    EXPECT_FALSE(port.SessionReceiveEvent().IsSet());
    uint8_t buffer[8];
    EXPECT_EQ(port.ReadAvailable(buffer, 8), 0);
    port.DisableSessionNotify();
    EXPECT_EQ(port.ReadWait(buffer, 1), 0);

    ASSERT_TRUE(pty.Write(QByteArray("new")));
    EXPECT_EQ(ReadWaitBytes(port, 3), QByteArray("new"));
}

TEST_P(Win32PortTest, AnnouncesEachBatchToTheNotifyWindow)
{
    MessageSink sink;
    port.SetNotifyWindow(&sink);
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    const QByteArray bytes = Pattern(7, 3);
    ASSERT_TRUE(pty.Write(bytes));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.ByteTotal() >= 7; }, 5000));
    EXPECT_EQ(sink.ByteTotal(), 7);
    for (const MessageSink::Message& m : sink.received) {
        EXPECT_EQ(m.message, WindowMessage::BytesReceived);
        EXPECT_EQ(m.message, 2030);
        EXPECT_GT(m.wParam, 0);
        EXPECT_EQ(m.lParam, 0);
    }
    uint8_t buffer[1024];
    const int n = port.ReadMonitor(buffer, sizeof buffer);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer), n), bytes);
    EXPECT_EQ(port.ReadMonitor(buffer, sizeof buffer), 0);
    // The receive ring kept its own copy.
    EXPECT_EQ(ReadSession(port, 7, 5000), bytes);
}

TEST_P(Win32PortTest, OpeningTwiceFailsAndKeepsTheFirstConnection)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    EXPECT_FALSE(port.OpenDevice(pty.SlavePath()));
    PtyPair other;
    ASSERT_TRUE(other.IsValid());
    EXPECT_FALSE(port.OpenDevice(other.SlavePath()));
    EXPECT_TRUE(port.IsOpen());

    WriteBytes(port, QByteArray("ping"));
    EXPECT_EQ(pty.Read(4, 3000), QByteArray("ping"));
    EXPECT_TRUE(other.ReadAll(50).isEmpty());
    ASSERT_TRUE(pty.Write(QByteArray("pong")));
    EXPECT_EQ(ReadSession(port, 4, 5000), QByteArray("pong"));
}

TEST_P(Win32PortTest, AnotherPortCannotOpenAHeldDevice)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    Win32Port second(GetParam());
    EXPECT_FALSE(second.OpenDevice(pty.SlavePath()));
    EXPECT_FALSE(second.IsOpen());

    // The holder is undisturbed.
    ASSERT_TRUE(pty.Write(QByteArray("ok")));
    EXPECT_EQ(ReadSession(port, 2, 5000), QByteArray("ok"));

    EXPECT_TRUE(port.Close());
    ASSERT_TRUE(second.OpenDevice(pty.SlavePath()));
    WriteBytes(second, QByteArray("mine"));
    EXPECT_EQ(pty.Read(4, 3000), QByteArray("mine"));
}

TEST_P(Win32PortTest, CloseOnAClosedPortReturnsTrue)
{
    EXPECT_TRUE(port.Close());
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.SetBaudRate(9600));
}

TEST_P(Win32PortTest, CloseSendsWhatIsQueuedFirst)
{
    // A program that ends right after its last request (the close of a
    // programming session) must not lose it in the transmit ring.
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
        const QByteArray bytes = Pattern(600, round);
        WriteBytes(port, bytes);
        EXPECT_TRUE(port.Close());
        ASSERT_EQ(pty.Read(600, 3000), bytes) << "round " << round;
    }
}

TEST_P(Win32PortTest, CloseGivesUpOnALineThatTakesNothing)
{
    // Nobody reads the other end: the driver's buffer fills and the
    // writer waits. Close waits a bounded time, then lets go.
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    for (int i = 0; i < 200; ++i)
        WriteBytes(port, Pattern(1024, i));
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.IsOpen());
}

TEST_P(Win32PortTest, DestroyingAnOpenPortReleasesTheDevice)
{
    {
        Win32Port scoped(GetParam());
        ASSERT_TRUE(scoped.OpenDevice(pty.SlavePath()));
    }
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
}

TEST_P(Win32PortTest, ReopeningStartsAt9600)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    EXPECT_EQ(pty.SlaveBaudRate(), 9600);
    ASSERT_TRUE(port.SetBaudRate(57600));
    EXPECT_EQ(pty.SlaveBaudRate(), 57600);
    ASSERT_TRUE(port.Close());
    if (GetParam() == Deliverable::Telemetry) {
        EXPECT_EQ(pty.SlaveBaudRate(), 57600);
    }

    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    EXPECT_EQ(pty.SlaveBaudRate(), 9600);
    // Still a working line at the new rate.
    WriteBytes(port, QByteArray("again"));
    EXPECT_EQ(pty.Read(5, 3000), QByteArray("again"));
}

TEST_P(Win32PortTest, ReopenedPortCarriesNothingFromTheLastConnection)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    port.DisableSessionNotify();
    ASSERT_TRUE(pty.Write(QByteArray("old")));
    ASSERT_EQ(ReadMonitor(port, 3, 5000), QByteArray("old")); // now in the receive ring too
    ASSERT_TRUE(port.Close());
    WriteBytes(port, QByteArray("unsent")); // queued while closed

    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    WriteBytes(port, QByteArray("new"));
    EXPECT_EQ(pty.Read(3, 3000), QByteArray("new"));
    EXPECT_EQ(pty.ReadAll(100), QByteArray());
    ASSERT_TRUE(pty.Write(QByteArray("x")));
    EXPECT_EQ(ReadWaitBytes(port, 1), QByteArray("x"));
}

struct RateCase {
    int rate;
    bool accepted;
};

TEST_P(Win32PortTest, SetBaudRateTakesOnlyTheUpgradeRates)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    const RateCase cases[] = {{19200, true}, {38400, true}, {57600, true}, {9600, true},
                              {115200, false}, {1200, false}, {0, false}};
    for (const RateCase& c : cases) {
        EXPECT_EQ(port.SetBaudRate(c.rate), c.accepted) << c.rate;
        if (c.accepted) {
            EXPECT_EQ(pty.SlaveBaudRate(), c.rate);
        }
    }
    EXPECT_EQ(pty.SlaveBaudRate(), 9600);
}

TEST_P(Win32PortTest, CloseRestoresTheLineSettingsOnlyForThePmrProgram)
{
    termios t{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &t), 0);
    t.c_lflag |= ICANON;
    t.c_iflag |= IXON;
    cfsetispeed(&t, B4800);
    cfsetospeed(&t, B4800);
    ASSERT_EQ(tcsetattr(pty.MasterFd(), TCSANOW, &t), 0);

    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    EXPECT_EQ(pty.SlaveBaudRate(), 9600);
    ASSERT_TRUE(port.SetBaudRate(38400));
    ASSERT_TRUE(port.Close());

    termios after{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &after), 0);
    if (GetParam() == Deliverable::Pmr) {
        EXPECT_EQ(pty.SlaveBaudRate(), 4800);
        EXPECT_NE(after.c_lflag & ICANON, 0u);
        EXPECT_NE(after.c_iflag & IXON, 0u);
    } else {
        EXPECT_EQ(pty.SlaveBaudRate(), 38400);
        EXPECT_EQ(after.c_lflag & ICANON, 0u);
        EXPECT_EQ(after.c_iflag & IXON, 0u);
    }
}

TEST_P(Win32PortTest, PassesFlowControlCharactersThrough)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    ASSERT_TRUE(pty.Write(all));
    EXPECT_EQ(ReadSession(port, 256, 5000), all);
    WriteBytes(port, all);
    EXPECT_EQ(pty.Read(256, 5000), all);
}

TEST_P(Win32PortTest, OpensAComNameThroughThePortMap)
{
    Settings map(PortNames::MapKey(GetParam()));
    ASSERT_TRUE(map.Open(true));
    ASSERT_TRUE(map.WriteString(QStringLiteral("COM7"), pty.SlavePath()));
    map.Close();

    ASSERT_TRUE(port.Open(QStringLiteral("COM7")));
    WriteBytes(port, QByteArray("map"));
    EXPECT_EQ(pty.Read(3, 3000), QByteArray("map"));
    ASSERT_TRUE(port.Close());
}

TEST_P(Win32PortTest, OpenFailsForAPortWithoutADevice)
{
    EXPECT_FALSE(port.Open(QStringLiteral("COM200")));
    EXPECT_FALSE(port.Open(QStringLiteral("COMx")));
    EXPECT_FALSE(port.Open(QString()));
    EXPECT_FALSE(port.OpenDevice(QString()));
    EXPECT_FALSE(port.OpenDevice(QStringLiteral("/dev/no-such-serial-line")));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.Close());
    // A failed open leaves the port usable.
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
}

TEST_P(Win32PortTest, BothDirectionsAtOnceFromSeveralThreads)
{
    ASSERT_TRUE(port.OpenDevice(pty.SlavePath()));
    constexpr int Inbound = 6000;
    constexpr int Piece = 100;
    const QByteArray inbound = Pattern(Inbound, 21);
    const QByteArray outbound = Pattern(5000, 42);

    std::mutex progressLock;
    std::condition_variable progress;
    int consumed = 0;

    // The radio session's receive thread.
    QByteArray received;
    std::thread session([&] {
        uint8_t buffer[1024];
        const Deadline deadline(20000);
        while (received.size() < Inbound && deadline.RemainingMs() > 0) {
            if (!port.SessionReceiveEvent().Wait(deadline.RemainingMs()))
                break;
            const int n = port.ReadAvailable(buffer, sizeof buffer);
            received.append(reinterpret_cast<const char*>(buffer), n);
            std::lock_guard<std::mutex> guard(progressLock);
            consumed = static_cast<int>(received.size());
            progress.notify_all();
        }
    });
    // The radio, sending without letting the receive ring overflow.
    std::thread radio([&] {
        for (int at = 0; at < Inbound; at += Piece) {
            std::unique_lock<std::mutex> guard(progressLock);
            if (!progress.wait_for(guard, std::chrono::seconds(20),
                                   [&] { return consumed >= at - 5 * Piece; }))
                return;
            guard.unlock();
            if (!pty.Write(inbound.mid(at, Piece)))
                return;
        }
    });
    // The program, sending frames meanwhile.
    QByteArray echoed;
    for (int at = 0; at < outbound.size(); at += 250) {
        const QByteArray piece = outbound.mid(at, 250);
        WriteBytes(port, piece);
        echoed += pty.Read(static_cast<int>(piece.size()), 5000);
    }
    radio.join();
    session.join();
    EXPECT_EQ(echoed, outbound);
    EXPECT_EQ(received, inbound);
}

INSTANTIATE_TEST_SUITE_P(Programs, Win32PortTest,
                         ::testing::Values(Deliverable::Telemetry, Deliverable::Pmr),
                         [](const ::testing::TestParamInfo<Deliverable>& info) {
                             return info.param == Deliverable::Pmr ? std::string("Pmr")
                                                                   : std::string("Telemetry");
                         });

// A pseudo-terminal whose other side can be closed, as when a USB adapter is
// unplugged while the port is open.
class LosablePty {
public:
    LosablePty()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        char name[128] = {};
        if (ptsname_r(master_, name, sizeof name) == 0)
            path_ = QString::fromLocal8Bit(name);
    }
    ~LosablePty() { Lose(); }
    QString Path() const { return path_; }
    void Lose()
    {
        if (master_ >= 0)
            close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    QString path_;
};

double ProcessCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

TEST(Win32PortLine, AHungUpLineCostsNoCpuAndStillCloses)
{
    LosablePty line;
    ASSERT_FALSE(line.Path().isEmpty());
    Win32Port port(Deliverable::Telemetry);
    ASSERT_TRUE(port.OpenDevice(line.Path()));
    line.Lose();

    const double before = ProcessCpuMs();
    // Observe the idle process for a while; nothing is expected to happen.
    Event never;
    EXPECT_FALSE(never.Wait(600));
    const double used = ProcessCpuMs() - before;
    EXPECT_LT(used, 200.0) << "CPU ms used by a port on a dead line";

    // Writes to the dead line are dropped without harm.
    WriteBytes(port, QByteArray("lost"));
    uint8_t byte;
    EXPECT_EQ(port.ReadAvailable(&byte, 1), 0);
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.IsOpen());
}

} // namespace
