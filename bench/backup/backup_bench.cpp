// Writing the changes of 10 records of a 1000-record unit against the full
// upload of the same table, both at the real tick against the simulated unit
// in the same process (its answers at their real delays).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "delay.h"
#include "directorychanges.h"
#include "directorytransfer.h"
#include "link.h"
#include "null_shell.h"
#include "simulated_unit.h"
#include "unit_seed.h"
#include "unit_transport.h"

namespace {

class BenchShell : public porv::test::NullShell {
public:
    int messages = 0;
    void ShowMessage(const QString &) override { ++messages; }
    bool AskQuestion(const QString &) override { return true; }
};

struct Rig {
    qx4::SimulatedUnit unit;
    porv::test::UnitTransport transport{unit};
    porv::Link link;
    BenchShell shell;
    porv::StandaloneDirectory directory;

    Rig()
    {
        qx4::SeedOptions seed;
        seed.records = 1000;
        seed.events = 0;
        seed.tags = 0;
        qx4::seedUnit(unit, seed);
        link.setNetworkTransport(&transport);
        link.Transmit("a1234\r");
        link.WaitReply(20);
        link.MarkLoggedOn();
    }

    // The table as the unit holds it, fetched with the waits made negligible.
    QList<porv::BackupRecord> download()
    {
        porv::SetTickScale(1e-3);
        unit.setTimeScale(0.0);
        porv::DownloadDirectory(link, shell, directory);
        porv::SetTickScale(1.0);
        unit.setTimeScale(1.0);
        QList<porv::BackupRecord> records;
        for (const porv::TargetRecord &t : porv::TargetRecordsOfTable(directory.table))
            records.append(t.record);
        return records;
    }

    // Ten records of the table get another telephone number.
    void editTen(int round)
    {
        for (int i = 0; i < 10; ++i) {
            directory.table.SetPosition(1 + i * 97);
            directory.table.Edit();
            directory.table.SetFieldText("PHnumber", "0" + QByteArray::number(700000 + round * 10 + i));
            directory.table.Post();
        }
    }
};

void BM_WriteChanges10Of1000RealTick(benchmark::State &state)
{
    Rig rig;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QList<porv::BackupRecord> unitNow = rig.download();
        rig.editTen(++round);
        rig.unit.resetCounts();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const porv::DirectoryWriteReport report =
            porv::WriteDirectoryChanges(rig.link, rig.shell, rig.directory, unitNow, true);
        state.counters["total_s"] = clock.nsecsElapsed() / 1e9;
        state.counters["b_commands"] = rig.unit.commandCount("b");
        if (!report.ok() || report.written != 10)
            state.SkipWithError("changes not written");
    }
}
BENCHMARK(BM_WriteChanges10Of1000RealTick)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FullUpload1000RealTick(benchmark::State &state)
{
    Rig rig;
    for (auto _ : state) {
        state.PauseTiming();
        rig.download();
        rig.editTen(1);
        rig.unit.resetCounts();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const porv::DirectoryUploadReport report = porv::UploadDirectory(rig.link, rig.shell, rig.directory);
        state.counters["total_s"] = clock.nsecsElapsed() / 1e9;
        state.counters["b_commands"] = rig.unit.commandCount("b");
        if (report.outcome != porv::UploadOutcome::Written || report.errors != 0)
            state.SkipWithError("upload incomplete");
    }
}
BENCHMARK(BM_FullUpload1000RealTick)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
