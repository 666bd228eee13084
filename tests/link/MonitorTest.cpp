// The packet and comms monitors: their lines, their controls, and how the
// main windows' message handlers feed them from a real radio session on the
// simulated radio and from a real port on a pseudo-terminal.
#include "link/Commsmonitor.h"
#include "link/Monitorfeed.h"
#include "link/Pktmon.h"

#include "PtyPair.h"
#include "RadioSimulator.h"
#include "link/Win32port.h"
#include "platform/WindowMessages.h"
#include "radio/Radio.h"
#include "ui_Commsmonitor.h"
#include "ui_Pktmon.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using D = Deliverable;

constexpr int kWaitMs = 3000;

std::vector<std::string> Lines(const QPlainTextEdit* memo)
{
    std::vector<std::string> lines;
    const QString text = memo->toPlainText();
    if (text.isEmpty())
        return lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        lines.push_back(line.toStdString());
    return lines;
}

std::vector<std::string> Lines(TfrmPktMonitor& w)
{
    return Lines(w.Form().mmoPacketMonitor);
}

std::vector<std::string> Lines(TfrmCommsMonitor& w)
{
    return Lines(w.Form().memotxt);
}

using Strings = std::vector<std::string>;

// The lines that begin with prefix, in order.
Strings Starting(const Strings& lines, const std::string& prefix)
{
    Strings out;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0)
            out.push_back(line);
    return out;
}

// The other lines, in order.
Strings Without(const Strings& lines, const std::string& prefix)
{
    Strings out;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) != 0)
            out.push_back(line);
    return out;
}

// ---------------------------------------------------------------- packet monitor

TEST(PacketMonitor, FormControls)
{
    TfrmPktMonitor w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Packet Monitor"));
    EXPECT_EQ(w.Form().chkEnabled->text(), QStringLiteral("Enable Monitoring"));
    EXPECT_EQ(w.Form().btnClear->text(), QStringLiteral("Clear"));
    EXPECT_EQ(w.Form().btnClose->text(), QStringLiteral("Close"));
    EXPECT_TRUE(w.Form().mmoPacketMonitor->isReadOnly());
    EXPECT_EQ(w.Form().mmoPacketMonitor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(w.isModal());
    EXPECT_FALSE(w.Monitoring());
    EXPECT_FALSE(w.Form().chkEnabled->isChecked());
}

TEST(PacketMonitor, FrameLines)
{
    struct Case {
        int direction;
        std::vector<uint8_t> bytes;
        const char* line;
    };
    const Case cases[] = {
        {1, {0x03, 0x00, 0x00, 0x00, 0xFC, 0x01, 0xCC}, "TX: 03 00 00 00 FC 01 CC "},
        {0, {0x03, 0x00, 0x00, 0x00, 0xFC, 0x01, 0xCC}, "RX: 03 00 00 00 FC 01 CC "},
        {0, {0xAA}, "RX: AA "},
        {1, {0x0F, 0xA0, 0x7E, 0xff}, "TX: 0F A0 7E FF "},
        {1, {}, "TX: "},
        {0, {}, "RX: "},
        {2, {0x01}, "RX: 01 "},
        {-1, {0xBC, 0xDE}, "RX: BC DE "},
    };
    for (const Case& c : cases) {
        TfrmPktMonitor w;
        w.SetMonitoring(true);
        w.AddFrame(c.direction, c.bytes.data(), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(Lines(w), Strings{c.line}) << c.line;
    }
}

TEST(PacketMonitor, EveryByteValueOfALongFrame)
{
    std::vector<uint8_t> bytes;
    std::string expected = "TX: ";
    for (int b = 0; b < 256; ++b) {
        bytes.push_back(static_cast<uint8_t>(b));
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", b);
        expected += hex;
    }
    TfrmPktMonitor w;
    w.SetMonitoring(true);
    w.AddFrame(1, bytes.data(), static_cast<int>(bytes.size()));
    EXPECT_EQ(Lines(w), Strings{expected});
}

TEST(PacketMonitor, FramesOnlyWhileMonitoringLinesAlways)
{
    const uint8_t a[] = {0x01, 0x02};
    const uint8_t b[] = {0x03};
    TfrmPktMonitor w;
    w.AddFrame(1, a, 2);
    w.AddLine(QStringLiteral("unexpected packet - ignored: "));
    EXPECT_EQ(Lines(w), Strings{"unexpected packet - ignored: "});

    w.Form().chkEnabled->click();
    EXPECT_TRUE(w.Monitoring());
    w.AddFrame(1, a, 2);
    w.AddFrame(0, b, 1);
    w.AddLine(QStringLiteral("x"));
    EXPECT_EQ(Lines(w), (Strings{"unexpected packet - ignored: ", "TX: 01 02 ", "RX: 03 ", "x"}));

    w.Form().chkEnabled->click();
    EXPECT_FALSE(w.Monitoring());
    w.AddFrame(0, b, 1);
    EXPECT_EQ(Lines(w).size(), 4u);

    w.Form().btnClear->click();
    EXPECT_TRUE(Lines(w).empty());
}

TEST(PacketMonitor, CloseTurnsMonitoringOffAndReopeningShowsItUnchecked)
{
    TfrmPktMonitor w;
    w.show();
    ASSERT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Form().chkEnabled->isChecked());
    w.Form().chkEnabled->click();
    ASSERT_TRUE(w.Monitoring());

    w.Form().btnClose->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Monitoring());
    const uint8_t b[] = {0x55};
    w.AddFrame(0, b, 1);
    EXPECT_TRUE(Lines(w).empty());

    w.show();
    EXPECT_FALSE(w.Form().chkEnabled->isChecked());
    EXPECT_FALSE(w.Monitoring());
}

TEST(PacketMonitor, OtherWaysOfHidingKeepMonitoringAndTheLog)
{
    struct Case {
        const char* how;
        void (*hide)(TfrmPktMonitor&);
    };
    const Case cases[] = {
        {"hide", [](TfrmPktMonitor& w) { w.hide(); }},
        {"title bar", [](TfrmPktMonitor& w) { w.close(); }},
        {"Escape", [](TfrmPktMonitor& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
    };
    for (const Case& c : cases) {
        TfrmPktMonitor w;
        w.show();
        w.Form().chkEnabled->click();
        const uint8_t b[] = {0x55};
        w.AddFrame(0, b, 1);
        c.hide(w);
        EXPECT_FALSE(w.isVisible()) << c.how;
        EXPECT_TRUE(w.Monitoring()) << c.how;
        w.AddFrame(1, b, 1);
        w.show();
        EXPECT_TRUE(w.Form().chkEnabled->isChecked()) << c.how;
        EXPECT_EQ(Lines(w), (Strings{"RX: 55 ", "TX: 55 "})) << c.how;
    }
}

TEST(PacketMonitor, CheckBoxShowsTheFlagOnEveryShow)
{
    struct Case {
        bool flag;
        bool boxBefore;
    };
    const Case cases[] = {{true, false}, {false, true}, {true, true}, {false, false}};
    for (const Case& c : cases) {
        TfrmPktMonitor w;
        w.Form().chkEnabled->setChecked(c.boxBefore);
        w.SetMonitoring(c.flag);
        w.show();
        EXPECT_EQ(w.Form().chkEnabled->isChecked(), c.flag) << c.flag << c.boxBefore;
        EXPECT_EQ(w.Monitoring(), c.flag) << c.flag << c.boxBefore;
    }
}

// ----------------------------------------------------------------- comms monitor

TEST(CommsMonitor, FormControls)
{
    TfrmCommsMonitor w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Comms Monitor"));
    EXPECT_EQ(w.Form().chkEnabled->text(), QStringLiteral("Enabled"));
    EXPECT_EQ(w.Form().btnClear->text(), QStringLiteral("Clear"));
    EXPECT_EQ(w.Form().btnClose->text(), QStringLiteral("Close"));
    EXPECT_EQ(w.Form().memotxt->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(w.isModal());
    EXPECT_FALSE(w.Monitoring());
}

TEST(CommsMonitor, BatchLines)
{
    struct Case {
        std::vector<uint8_t> bytes;
        const char* line;
    };
    const Case cases[] = {
        {{0x01, 0xAB, 0xFF}, "RX :01 AB FF "},
        {{0x00}, "RX :00 "},
        {{0x7e, 0xcc, 0x0a}, "RX :7E CC 0A "},
        {{}, "RX :"},
    };
    for (const Case& c : cases) {
        TfrmCommsMonitor w;
        w.Form().chkEnabled->click();
        ASSERT_TRUE(w.Monitoring());
        w.AddBytes(c.bytes.data(), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(Lines(w), Strings{c.line}) << c.line;
    }
}

TEST(CommsMonitor, NothingWhileOffAndClearEmpties)
{
    const uint8_t b[] = {0x10, 0x20};
    TfrmCommsMonitor w;
    w.AddBytes(b, 2);
    EXPECT_TRUE(Lines(w).empty());
    w.Form().chkEnabled->click();
    w.AddBytes(b, 2);
    w.AddBytes(b, 1);
    EXPECT_EQ(Lines(w), (Strings{"RX :10 20 ", "RX :10 "}));
    w.Form().btnClear->click();
    EXPECT_TRUE(Lines(w).empty());
}

TEST(CommsMonitor, ClosingByAnyMeansTurnsMonitoringOff)
{
    struct Case {
        const char* how;
        void (*close)(TfrmCommsMonitor&);
    };
    const Case cases[] = {
        {"Close", [](TfrmCommsMonitor& w) { w.Form().btnClose->click(); }},
        {"title bar", [](TfrmCommsMonitor& w) { w.close(); }},
        {"Escape", [](TfrmCommsMonitor& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
    };
    for (const Case& c : cases) {
        TfrmCommsMonitor w;
        w.show();
        w.Form().chkEnabled->click();
        ASSERT_TRUE(w.Monitoring()) << c.how;
        const uint8_t b[] = {0x42};
        w.AddBytes(b, 1);
        c.close(w);
        EXPECT_FALSE(w.isVisible()) << c.how;
        EXPECT_FALSE(w.Monitoring()) << c.how;
        EXPECT_FALSE(w.Form().chkEnabled->isChecked()) << c.how;
        w.AddBytes(b, 1);
        EXPECT_EQ(Lines(w), Strings{"RX :42 "}) << c.how;
        w.show();
        EXPECT_FALSE(w.Form().chkEnabled->isChecked()) << c.how;
    }
}

// --------------------------------------------------------------------- feeding

// The main window's side: handles the monitor messages as both programs do.
class MonitorWindow : public QObject {
public:
    MonitorWindow(TRadio& radio, Win32Port& port, TfrmPktMonitor& packets, TfrmCommsMonitor& comms)
        : radio_(radio), port_(port), packets_(packets), comms_(comms)
    {
    }

    int sent = 0;
    int received = 0;
    int batches = 0;

    bool WaitFor(int sentCount, int receivedCount)
    {
        return QTest::qWaitFor([&] { return sent >= sentCount && received >= receivedCount; },
                               kWaitMs);
    }

protected:
    void customEvent(QEvent* event) override
    {
        auto* m = dynamic_cast<WindowMessageEvent*>(event);
        if (m == nullptr)
            return;
        switch (m->Message()) {
        case WindowMessage::PacketSent:
            FeedSentFrame(radio_, packets_, m->WParam());
            ++sent;
            break;
        case WindowMessage::PacketReceived:
            FeedReceivedFrame(radio_, packets_, *m);
            ++received;
            break;
        case WindowMessage::BytesReceived:
            FeedCommsMonitor(port_, comms_);
            ++batches;
            break;
        default:
            break;
        }
    }

private:
    TRadio& radio_;
    Win32Port& port_;
    TfrmPktMonitor& packets_;
    TfrmCommsMonitor& comms_;
};

// A simulated radio of the deliverable's family with the program's port and
// radio session on it, both reporting to a main window that feeds the
// monitors. The window is declared first so that it outlives the threads
// that post to it.
struct Bench {
    explicit Bench(D d) : window(radio, port, packets, comms), port(d), radio(d)
    {
        SimOptions options;
        options.family = d == D::Pmr ? SimOptions::Family::Pmr : SimOptions::Family::Telemetry;
        sim = std::make_unique<RadioSimulator>(options);
    }
    ~Bench()
    {
        radio.AttachPort(nullptr);
        port.Close();
    }
    bool Start()
    {
        if (!sim->Start())
            return false;
        port.SetNotifyWindow(&window);
        if (!port.OpenDevice(QString::fromStdString(sim->SlavePath())))
            return false;
        radio.SetNotifyWindow(&window);
        radio.AttachPort(&port);
        return true;
    }

    TfrmPktMonitor packets;
    TfrmCommsMonitor comms;
    MonitorWindow window;
    std::unique_ptr<RadioSimulator> sim;
    Win32Port port;
    TRadio radio;
};

const char* Name(D d)
{
    return d == D::Pmr ? "pmr" : "telemetry";
}

TEST(PacketFeed, FramesInWireOrderAsTheSessionSendsAndReceivesThem)
{
    struct Case {
        D d;
        Strings sent, received;
    };
    // Open (PMR asks for escaping), identity "2" whose checksum 0xCC travels
    // escaped in the PMR session, then a byte read of address 50 holding 0x5A.
    const Case cases[] = {
        {D::Telemetry,
         {"TX: 00 00 00 00 FF 01 CC ", "TX: 00 00 00 00 FF 02 CC ", "TX: 00 00 32 00 CD 46 CC "},
         {"RX: 00 00 00 00 FF 01 CC ", "RX: 32 01 CC 02 CC ", "RX: 5A 00 32 00 73 46 CC "}},
        {D::Pmr,
         {"TX: 03 00 00 00 FC 01 CC ", "TX: 00 00 00 00 FF 02 CC ", "TX: 00 00 32 00 CD 46 CC "},
         {"RX: 03 00 00 00 FC 01 CC ", "RX: 43 48 41 4E 30 31 00 84 32 01 CC 02 CC ",
          "RX: 5A 00 32 00 73 46 CC "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Name(c.d));
        Bench bench(c.d);
        ASSERT_TRUE(bench.Start()) << bench.sim->Error();
        bench.sim->SetIdent("2");
        bench.sim->SetMemory(50, {0x5A});
        bench.packets.SetMonitoring(true);

        ASSERT_TRUE(bench.radio.OpenSession(true));
        ASSERT_TRUE(bench.window.WaitFor(1, 1));
        QString ident;
        ASSERT_TRUE(bench.radio.GetIdent(ident));
        ASSERT_TRUE(bench.window.WaitFor(2, 2));
        int value = -1;
        ASSERT_TRUE(bench.radio.ReadByte(50, value));
        ASSERT_TRUE(bench.window.WaitFor(3, 3));
        EXPECT_EQ(value, 0x5A);
        // A frame is logged and announced once it is on its way, so a quick
        // reply may be listed before the request it answers.
        EXPECT_EQ(Starting(Lines(bench.packets), "TX: "), c.sent);
        EXPECT_EQ(Without(Lines(bench.packets), "TX: "), c.received);
    }
}

TEST(PacketFeed, UnmonitoredFramesAreDrainedAndNeverShownLater)
{
    for (D d : {D::Telemetry, D::Pmr}) {
        SCOPED_TRACE(Name(d));
        Bench bench(d);
        ASSERT_TRUE(bench.Start()) << bench.sim->Error();
        bench.sim->SetMemory(53, {0x11});

        ASSERT_TRUE(bench.radio.OpenSession(false));
        QString ident;
        ASSERT_TRUE(bench.radio.GetIdent(ident));
        ASSERT_TRUE(bench.window.WaitFor(2, 2));
        EXPECT_TRUE(Lines(bench.packets).empty());
        if (d == D::Pmr) {
            // The rings are empty again.
            uint8_t rest[64];
            EXPECT_EQ(bench.radio.TakeSent(rest, sizeof rest), 0);
            EXPECT_EQ(bench.radio.TakeReceived(rest, sizeof rest), 0);
        }

        bench.packets.Form().chkEnabled->click();
        int value = -1;
        ASSERT_TRUE(bench.radio.ReadByte(53, value));
        ASSERT_TRUE(bench.window.WaitFor(3, 3));
        EXPECT_EQ(Starting(Lines(bench.packets), "TX: "), Strings{"TX: 00 00 35 00 CA 46 CC "});
        EXPECT_EQ(Without(Lines(bench.packets), "TX: "), Strings{"RX: 11 00 35 00 B9 46 CC "});
    }
}

TEST(PacketFeed, FramesSentBeforeTheWindowGetsToThem)
{
    // Two reads go out before the window handles either message: the PMR
    // rings keep both frames apart; telemetry holds only the last one and
    // shows it twice.
    struct Case {
        D d;
        Strings lines;
    };
    const Case cases[] = {
        {D::Telemetry, {"TX: 00 00 34 00 CB 46 CC ", "TX: 00 00 34 00 CB 46 CC "}},
        {D::Pmr, {"TX: 00 00 28 00 D7 46 CC ", "TX: 00 00 34 00 CB 46 CC "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Name(c.d));
        Bench bench(c.d);
        ASSERT_TRUE(bench.Start()) << bench.sim->Error();
        bench.packets.SetMonitoring(true);
        uint8_t first[ProtocolZYN1::kMaxRequest];
        uint8_t second[ProtocolZYN1::kMaxRequest];
        const int n1 = bench.radio.Framer().MakeReadByte(first, 40);
        const int n2 = bench.radio.Framer().MakeReadByte(second, 52);
        bench.radio.Transact(first, n1, true);
        bench.radio.Transact(second, n2, true);
        ASSERT_TRUE(bench.window.WaitFor(2, 0));
        EXPECT_EQ(Starting(Lines(bench.packets), "TX: "), c.lines);
    }
}

TEST(PacketFeed, ReplyForAnotherAddress)
{
    // The radio echoes address 50 + 8 = 0x3A. The PMR session refuses the
    // reply and marks it; telemetry takes it.
    struct Case {
        D d;
        bool monitoring;
        bool readSucceeds;
        Strings sent, received;
    };
    const Case cases[] = {
        {D::Pmr, true, false, {"TX: 00 00 32 00 CD 46 CC "},
         {"*********************", "unexpected packet - ignored: ", "RX: 5A 00 3A 00 6B 46 CC ",
          "====================="}},
        {D::Pmr, false, false, {},
         {"*********************", "unexpected packet - ignored: ", "====================="}},
        {D::Telemetry, true, true, {"TX: 00 00 32 00 CD 46 CC "}, {"RX: 5A 00 3A 00 6B 46 CC "}},
        {D::Telemetry, false, true, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << Name(c.d) << (c.monitoring ? " on" : " off"));
        Bench bench(c.d);
        ASSERT_TRUE(bench.Start()) << bench.sim->Error();
        bench.sim->SetMemory(50, {0x5A});
        bench.sim->SetWrongEcho(true);
        bench.packets.SetMonitoring(c.monitoring);
        int value = -1;
        EXPECT_EQ(bench.radio.ReadByte(50, value), c.readSucceeds);
        ASSERT_TRUE(bench.window.WaitFor(1, 1));
        EXPECT_EQ(Starting(Lines(bench.packets), "TX: "), c.sent);
        EXPECT_EQ(Without(Lines(bench.packets), "TX: "), c.received);
        if (c.d == D::Pmr) {
            uint8_t rest[64];
            EXPECT_EQ(bench.radio.TakeReceived(rest, sizeof rest), 0);
        }
    }
}

// ------------------------------------------------------------------ comms feed

struct PortBench {
    explicit PortBench(D d) : window(radio, port, packets, comms), port(d), radio(d) {}
    ~PortBench() { port.Close(); }
    bool Start()
    {
        port.SetNotifyWindow(&window);
        return pty.IsValid() && port.OpenDevice(pty.SlavePath());
    }
    bool Send(const QByteArray& bytes, int batchesBefore)
    {
        return pty.Write(bytes)
            && QTest::qWaitFor([&] { return window.batches > batchesBefore; }, kWaitMs);
    }

    TfrmPktMonitor packets;
    TfrmCommsMonitor comms;
    MonitorWindow window;
    PtyPair pty;
    Win32Port port;
    TRadio radio;
};

TEST(CommsFeed, ReceivedBatchesShownAndDrainedWhileOff)
{
    for (D d : {D::Telemetry, D::Pmr}) {
        SCOPED_TRACE(Name(d));
        PortBench bench(d);
        ASSERT_TRUE(bench.Start());

        ASSERT_TRUE(bench.Send(QByteArray("\x11\x22", 2), 0));
        EXPECT_TRUE(Lines(bench.comms).empty());
        uint8_t rest[16];
        EXPECT_EQ(bench.port.ReadMonitor(rest, sizeof rest), 0);

        bench.comms.Form().chkEnabled->click();
        ASSERT_TRUE(bench.Send(QByteArray("\x01\xAB\xFF", 3), bench.window.batches));
        EXPECT_EQ(Lines(bench.comms), Strings{"RX :01 AB FF "});
    }
}

TEST(CommsFeed, RawRepliesOfTheSimulatedRadio)
{
    // The comms monitor shows the line as it is: the PMR identity reply in
    // an escaped session carries its checksum 0xCC as 7E EC.
    struct Case {
        D d;
        std::string ident;
    };
    const Case cases[] = {
        {D::Telemetry, "RX :32 01 CC 02 CC "},
        {D::Pmr, "RX :43 48 41 4E 30 31 00 84 32 01 7E EC 02 CC "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Name(c.d));
        Bench bench(c.d);
        ASSERT_TRUE(bench.Start()) << bench.sim->Error();
        bench.sim->SetIdent("2");
        ASSERT_TRUE(bench.radio.OpenSession(true));
        ASSERT_TRUE(QTest::qWaitFor([&] { return bench.window.batches >= 1; }, kWaitMs));
        bench.comms.Form().chkEnabled->click();
        const int before = bench.window.batches;
        QString ident;
        ASSERT_TRUE(bench.radio.GetIdent(ident));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                std::string all;
                for (const std::string& line : Lines(bench.comms))
                    all += line.substr(4);
                return bench.window.batches > before
                    && all.size() == c.ident.size() - 4;
            },
            kWaitMs));
        // The reply may come in more than one batch; together they are the frame.
        std::string all = "RX :";
        for (const std::string& line : Lines(bench.comms)) {
            ASSERT_EQ(line.rfind("RX :", 0), 0u) << line;
            all += line.substr(4);
        }
        EXPECT_EQ(all, c.ident);
    }
}

} // namespace
