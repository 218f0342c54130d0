// The exchange's own costs: the CPU an idle Delay uses, and assembling a long
// reply that arrives in small chunks.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <ctime>

#include "delay.h"
#include "link.h"

namespace {

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A Delay with nothing to do must sleep on the event queue. Reports the share
// of one core it used (real tick length; 2 seconds per iteration).
void BM_IdleDelayCpuShare(benchmark::State &state)
{
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = processCpuSeconds();
        const auto w0 = std::chrono::steady_clock::now();
        porv::Delay(int(state.range(0)));
        cpu += processCpuSeconds() - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    }
    state.counters["cpu_share_percent"] = wall > 0 ? 100.0 * cpu / wall : 0;
}
BENCHMARK(BM_IdleDelayCpuShare)->Arg(2315)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 1000-record dump (about 60 bytes a line) delivered in chunks of n bytes.
void BM_AssembleDumpInChunks(benchmark::State &state)
{
    QByteArray dump = "D0128\r\n";
    for (int i = 0; i < 1000; ++i)
        dump += QByteArray::number(0x1000 + 32 * i, 16).toUpper() + ",1" + QByteArray::number(i)
              + ",1234,5678,,0123456789??????,CLIENT NAME " + QByteArray::number(i) + "\r\n";
    dump += "OK\r\n";
    const int chunk = int(state.range(0));
    for (auto _ : state) {
        porv::Link link;
        if (state.range(1) != 0)
            link.BeginBulkReply();
        for (int at = 0; at < dump.size(); at += chunk)
            link.ReceiveText(dump.mid(at, chunk));
        benchmark::DoNotOptimize(link.ReplyReceived());
        if (!link.ReplyReceived())
            state.SkipWithError("dump not complete");
    }
    state.SetBytesProcessed(state.iterations() * dump.size());
}
BENCHMARK(BM_AssembleDumpInChunks)->Args({16, 1})->Args({16, 0})->Args({1400, 1})->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
