// Throughput of the pieces on the programs' data paths: the byte rings the
// serial threads hand bytes through, and loading and saving a programming
// file.
#include "link/Mtdeque.h"
#include "telemetry/Eeprom.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <array>
#include <benchmark/benchmark.h>

static void BM_RingPushPop256(benchmark::State& state)
{
    MTdeque ring;
    uint8_t in[256], out[256];
    for (int i = 0; i < 256; ++i)
        in[i] = static_cast<uint8_t>(i);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ring.Push(in, sizeof in));
        benchmark::DoNotOptimize(ring.Pop(out, sizeof out));
    }
    state.SetBytesProcessed(state.iterations() * 256);
}
BENCHMARK(BM_RingPushPop256);

static void BM_MemFileSaveLoad(benchmark::State& state)
{
    QTemporaryDir dir;
    std::array<uint8_t, 2048> bytes{};
    EEPROM image(bytes.data(), 2048);
    image.Erase();
    const QString path = dir.filePath(QStringLiteral("bench.mem"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(MemFile::Save(image, path));
        benchmark::DoNotOptimize(MemFile::Load(image, path));
    }
}
BENCHMARK(BM_MemFileSaveLoad);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
