// The auto-detect window scanning ports COM1.. for a radio; the radio is the
// simulator on a pseudo-terminal mapped to a COM number, every other port the
// scan reaches is mapped to a device that cannot exist.
#include "radio/Autodetect.h"

#include "RadioSimulator.h"
#include "link/Win32port.h"
#include "platform/PortNames.h"
#include "platform/Settings.h"
#include "radio/Radio.h"
#include "ui_Autodetect.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

using D = Deliverable;

QString MissingDevice(int number)
{
    // A path below a character device: no such file can be there.
    return QStringLiteral("/dev/null/ql41-COM%1").arg(number);
}

bool MapPort(D d, int number, const QString& path)
{
    Settings map(PortNames::MapKey(d));
    return map.Open(true) && map.WriteString(QStringLiteral("COM%1").arg(number), path);
}

class AutodetectTest : public ::testing::TestWithParam<D> {
protected:
    // Every port of both programs goes nowhere; tests map single ports to
    // radios, and SetUp puts COM1-COM4 back.
    static void SetUpTestSuite()
    {
        for (D d : {D::Telemetry, D::Pmr})
            for (int n = 1; n <= TfrmAutoDetect::kLastPort; ++n)
                ASSERT_TRUE(MapPort(d, n, MissingDevice(n)));
    }

    void SetUp() override
    {
        for (int n = 1; n <= 4; ++n)
            ASSERT_TRUE(MapPort(GetParam(), n, MissingDevice(n)));
        radio.AttachPort(&port);
    }

    void TearDown() override
    {
        window.reset();
        radio.AttachPort(nullptr);
        port.Close();
    }

    bool Pmr() const { return GetParam() == D::Pmr; }
    std::string Ident() const { return Pmr() ? "QL4100P v3.01" : "QL4100T v2.10"; }

    // A simulated radio of the program's family.
    RadioSimulator& StartRadio()
    {
        SimOptions options;
        options.family = Pmr() ? SimOptions::Family::Pmr : SimOptions::Family::Telemetry;
        sims.push_back(std::make_unique<RadioSimulator>(options));
        RadioSimulator& sim = *sims.back();
        EXPECT_TRUE(sim.Start()) << sim.Error();
        return sim;
    }

    // The same, on COM<number>.
    RadioSimulator& RadioOn(int number)
    {
        RadioSimulator& sim = StartRadio();
        EXPECT_TRUE(MapPort(GetParam(), number, QString::fromStdString(sim.SlavePath())));
        return sim;
    }

    TfrmAutoDetect& Window()
    {
        window = std::make_unique<TfrmAutoDetect>(GetParam(), port, radio);
        return *window;
    }

    std::string Memo() const { return window->Form().Memo1->toPlainText().toStdString(); }

    std::vector<std::unique_ptr<RadioSimulator>> sims;
    Win32Port port{GetParam()};
    TRadio radio{GetParam()};
    std::unique_ptr<TfrmAutoDetect> window;
};

TEST_P(AutodetectTest, FormControls)
{
    TfrmAutoDetect& w = Window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Scanning serial ports..."));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(w.Form().Memo1->isReadOnly());
    EXPECT_EQ(w.Timer().objectName(), QStringLiteral("TimerAutoDetect"));
    EXPECT_EQ(w.Timer().interval(), 50);
    EXPECT_FALSE(w.Timer().isActive());
    EXPECT_EQ(w.FoundPort(), 0);
    EXPECT_EQ(w.ProbePort(), 1);
}

TEST_P(AutodetectTest, RadioOnCom3IsFoundOnTheThirdTick)
{
    RadioSimulator& sim = RadioOn(3);
    TfrmAutoDetect& w = Window();

    for (int tick = 1; tick <= 2; ++tick) {
        QElapsedTimer clock;
        clock.start();
        w.TimerAutoDetectTimer();
        // A port without a device costs no probe waits.
        EXPECT_LT(clock.elapsed(), 100) << tick;
        EXPECT_EQ(Memo(), "Checking COM" + std::to_string(tick));
        EXPECT_EQ(w.FoundPort(), 0);
        EXPECT_EQ(w.ProbePort(), tick + 1);
        EXPECT_FALSE(port.IsOpen());
    }

    QElapsedTimer clock;
    clock.start();
    w.TimerAutoDetectTimer();
    // ql4100p settles 100 ms before asking; ql4100 150 ms, then a first
    // query, then 50 ms more.
    EXPECT_GE(clock.elapsed(), Pmr() ? 100 : 200);
    EXPECT_EQ(Memo(), "Radio found on COM3\n" + Ident());
    EXPECT_EQ(w.FoundPort(), 3);
    EXPECT_EQ(w.FoundIdent().toStdString(), Ident());
    EXPECT_EQ(w.Form().btnClose->text(), QStringLiteral("Close"));
    EXPECT_FALSE(w.Timer().isActive());
    ASSERT_TRUE(port.IsOpen());

    const std::vector<RadioSimulator::Request> requests = sim.Requests();
    ASSERT_EQ(requests.size(), Pmr() ? 1u : 2u);
    for (const RadioSimulator::Request& r : requests)
        EXPECT_EQ(r.code, 0x02);

    // The port the radio answered on stays open for the program.
    QString ident;
    EXPECT_TRUE(radio.GetIdent(ident));
    EXPECT_EQ(ident.toStdString(), Ident());
}

TEST_P(AutodetectTest, ScanRunsOnItsTimerUntilTheRadioAnswers)
{
    RadioOn(3);
    TfrmAutoDetect& w = Window();
    w.show();
    EXPECT_EQ(w.Form().btnClose->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(w.Timer().isActive());
    EXPECT_EQ(w.Timer().interval(), 50);

    ASSERT_TRUE(QTest::qWaitFor([&w] { return w.FoundPort() != 0; }, 10000));
    EXPECT_EQ(w.FoundPort(), 3);
    EXPECT_EQ(Memo(), "Radio found on COM3\n" + Ident());
    EXPECT_FALSE(w.Timer().isActive());
    EXPECT_EQ(w.Form().btnClose->text(), QStringLiteral("Close"));

    w.Form().btnClose->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(w.FoundPort(), 3);
    EXPECT_TRUE(port.IsOpen());

    // Showing again starts a new scan.
    w.show();
    EXPECT_EQ(w.FoundPort(), 0);
    EXPECT_EQ(w.ProbePort(), 1);
    EXPECT_EQ(Memo(), "");
    EXPECT_EQ(w.Form().btnClose->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(w.Timer().isActive());
    w.Form().btnClose->click();
    EXPECT_FALSE(w.Timer().isActive());
}

TEST_P(AutodetectTest, DeviceWithAForeignIdentityIsPassedOver)
{
    RadioSimulator& foreign = RadioOn(1);
    foreign.SetIdent("XYZ1234");
    RadioOn(2);
    TfrmAutoDetect& w = Window();

    w.TimerAutoDetectTimer();
    EXPECT_GE(foreign.Requests().size(), 1u);
    EXPECT_EQ(w.FoundPort(), 0);
    EXPECT_EQ(Memo(), "Checking COM1");
    EXPECT_FALSE(port.IsOpen());

    w.TimerAutoDetectTimer();
    EXPECT_EQ(w.FoundPort(), 2);
    EXPECT_EQ(Memo(), "Radio found on COM2\n" + Ident());
    EXPECT_TRUE(port.IsOpen());
}

TEST_P(AutodetectTest, SilentRadioIsPassedOver)
{
    RadioOn(1).SetSilent(true);
    TfrmAutoDetect& w = Window();
    w.TimerAutoDetectTimer();
    EXPECT_EQ(w.FoundPort(), 0);
    EXPECT_EQ(w.ProbePort(), 2);
    EXPECT_FALSE(port.IsOpen());
}

TEST_P(AutodetectTest, NoRadioOnAnyPort)
{
    // The port open before the scan (on a radio no COM number leads to) is
    // closed by it.
    RadioSimulator& elsewhere = StartRadio();
    ASSERT_TRUE(port.OpenDevice(QString::fromStdString(elsewhere.SlavePath())));

    TfrmAutoDetect& w = Window();
    w.FormShow();
    int ticks = 0;
    while (w.Timer().isActive() && ticks < 300) {
        w.TimerAutoDetectTimer();
        ++ticks;
    }
    EXPECT_EQ(ticks, 257);
    EXPECT_EQ(Memo(), "Radio not found.\nEnsure radio is switched on.\nCheck programming leads.");
    EXPECT_EQ(w.FoundPort(), 0);
    EXPECT_EQ(w.Form().btnClose->text(), QStringLiteral("Close"));
    EXPECT_FALSE(port.IsOpen());
    w.Form().btnClose->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST_P(AutodetectTest, TickPastTheLastPortEndsTheScan)
{
    TfrmAutoDetect& w = Window();
    w.FormShow();
    w.SetProbePort(256);
    w.TimerAutoDetectTimer();
    EXPECT_EQ(Memo(), "Checking COM256");
    EXPECT_TRUE(w.Timer().isActive());
    w.TimerAutoDetectTimer();
    EXPECT_EQ(Memo(), "Radio not found.\nEnsure radio is switched on.\nCheck programming leads.");
    EXPECT_FALSE(w.Timer().isActive());
}

TEST_P(AutodetectTest, CancelDuringTheScanReturnsNoPort)
{
    // A radio that never answers makes each probe of it take its full time.
    RadioOn(3).SetSilent(true);
    RadioOn(4).SetSilent(true);
    TfrmAutoDetect& w = Window();
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w.ProbePort() >= 4; }, 10000));
    EXPECT_EQ(w.Form().btnClose->text(), QStringLiteral("Cancel"));

    w.Form().btnClose->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Timer().isActive());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(w.FoundPort(), 0);
    EXPECT_FALSE(port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, AutodetectTest, ::testing::Values(D::Telemetry, D::Pmr),
                         [](const ::testing::TestParamInfo<D>& info) {
                             return info.param == D::Pmr ? "Pmr" : "Telemetry";
                         });

} // namespace
