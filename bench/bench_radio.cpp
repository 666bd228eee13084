// Round trips of the radio session against the simulated radio over a
// pseudo-terminal.
//  - Read8RoundTrip: one 8-byte read with an unpaced line; the time is the
//    programs' own software overhead (goal: median under 1 ms).
//  - Read8Image9600: the 256 reads of a 2048-byte image with the radio's
//    output paced as a 9600 bit/s line; the line alone needs
//    256 x 20 bytes x 10 bits / 9600 = 5.33 s (goal: within 3 % of that).
// Run: build/bench/bench_radio --benchmark_repetitions=5
#include "RadioSimulator.h"
#include "link/Win32port.h"
#include "radio/Radio.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {
struct Bench {
    explicit Bench(int lineRate)
    {
        SimOptions options;
        options.lineRate = lineRate;
        sim = std::make_unique<RadioSimulator>(options);
        ok = sim->Start() && port.OpenDevice(QString::fromStdString(sim->SlavePath()));
        radio.AttachPort(&port);
    }
    ~Bench() { radio.AttachPort(nullptr); }
    std::unique_ptr<RadioSimulator> sim;
    Win32Port port{Deliverable::Telemetry};
    TRadio radio{Deliverable::Telemetry};
    bool ok = false;
};
} // namespace

static void Read8RoundTrip(benchmark::State& state)
{
    Bench b(0);
    if (!b.ok) {
        state.SkipWithError("simulator did not start");
        return;
    }
    uint8_t block[8];
    int address = 0;
    for (auto _ : state) {
        if (!b.radio.Read8(address, block)) {
            state.SkipWithError("read failed");
            break;
        }
        address = (address + 8) % 2048;
    }
}
BENCHMARK(Read8RoundTrip)->Unit(benchmark::kMicrosecond);

static void Read8Image9600(benchmark::State& state)
{
    Bench b(9600);
    if (!b.ok) {
        state.SkipWithError("simulator did not start");
        return;
    }
    uint8_t block[8];
    for (auto _ : state) {
        for (int address = 0; address < 2048; address += 8)
            if (!b.radio.Read8(address, block)) {
                state.SkipWithError("read failed");
                return;
            }
    }
    state.counters["line_limit_s"] = 256.0 * 20 * 10 / 9600;
}
BENCHMARK(Read8Image9600)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
