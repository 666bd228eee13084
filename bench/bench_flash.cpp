// A full 256 KiB firmware upgrade against the simulated boot loader with its
// output paced as a 57600 bit/s line, next to the line time of the bytes the
// upgrade actually sends and receives. Every page carries data, so all 1024
// pages are programmed; the boot loader's own waits (50 ms after each page,
// 40 ms status polls) dominate, not the line.
// Run: build/bench/bench_flash   (about a minute)
#include "RadioSimulator.h"
#include "firmware/Flash.h"
#include "link/Win32port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {
class Quiet : public FlashUpgrade::FrontEnd {
public:
    void SetStageColour(FlashUpgrade::Stage, FlashUpgrade::Colour) override {}
    void SetStageText(FlashUpgrade::Stage, const QString&) override {}
    void AddHelpLine(const QString&) override {}
    void SetProgressRange(int) override {}
    void SetProgress(int) override {}
    void ProcessEvents() override {}
};
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SimOptions options;
    options.bootloader = true;
    options.lineRate = 57600;
    options.eraseMs = 300;
    RadioSimulator sim(options);
    Win32Port port(Deliverable::Telemetry);
    if (!sim.Start() || !port.OpenDevice(QString::fromStdString(sim.SlavePath()))) {
        std::fprintf(stderr, "simulator did not start\n");
        return 1;
    }
    TFlash flash(port);
    uint8_t* image = flash.Image().Data();
    for (int i = 0; i < 0x40000; ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 1) == 0xFF ? 0 : static_cast<uint8_t>(i * 7 + 1);

    Quiet quiet;
    FlashUpgrade upgrade(flash, port, Deliverable::Telemetry, quiet);
    FlashUpgrade::IdCode id;
    id.fill(0xFF);
    QElapsedTimer timer;
    timer.start();
    const FlashUpgrade::Outcome outcome = upgrade.Run(57600, false, id);
    const double seconds = timer.elapsed() / 1000.0;

    // Bytes on the line at 57600: per page the 259-byte command, a clear
    // status, and the status polls (1 byte out, 2 back); line time is
    // counted for the page commands and one poll each, the least possible.
    const double perPageBytes = 259 + 1 + 3;
    const double lineSeconds = 1024 * perPageBytes * 10 / 57600.0;
    std::printf("outcome %s, %zu pages programmed\n", outcome == FlashUpgrade::Outcome::Complete ? "complete" : "FAILED",
                sim.ProgrammedPages().size());
    std::printf("full upgrade: %.1f s; line time of the page traffic: %.1f s; boot-loader waits: >= %.1f s\n",
                seconds, lineSeconds, 1024 * 0.050);
    return outcome == FlashUpgrade::Outcome::Complete ? 0 : 1;
}
