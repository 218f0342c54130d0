// The PhoneDataBase page against the simulated unit in the same process:
// the tool's own work in a 1000-record download (the fixed waits made
// negligible), and a full upload of 1000 records at the real tick measured
// against the waits the exchange fixes; typing into the find box above the
// grid of 1000 records.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QPlainTextEdit>

#include "delay.h"
#include "directorypage.h"
#include "link.h"
#include "null_shell.h"
#include "simulated_unit.h"
#include "unit_seed.h"
#include "unit_transport.h"

namespace {

// The window's services, doing nothing but counting messages and saying Yes.
class BenchShell : public porv::test::NullShell {
public:
    int messages = 0;
    bool answer = true;
    void ShowMessage(const QString &) override { ++messages; }
    bool AskQuestion(const QString &) override { return answer; }
};

struct Rig {
    qx4::SimulatedUnit unit;
    porv::test::UnitTransport transport{unit};
    porv::Link link;
    BenchShell shell;
    QWidget holder;
    QPlainTextEdit *rxMemo = new QPlainTextEdit(&holder); // the page takes it into its layout
    porv::DirectoryPage *page = nullptr;

    Rig(int records, double unitScale)
    {
        qx4::SeedOptions seed;
        seed.records = records;
        seed.events = 0;
        seed.tags = 0;
        qx4::seedUnit(unit, seed);
        unit.setTimeScale(unitScale);
        link.setNetworkTransport(&transport);
        // The receive view as the window keeps it.
        QObject::connect(&link, &porv::Link::receiveViewReset, rxMemo,
                         [this](const QByteArray &t) { rxMemo->setPlainText(QString::fromLatin1(t)); });
        QObject::connect(&link, &porv::Link::receiveViewAppended, rxMemo,
                         [this](const QByteArray &t) { rxMemo->insertPlainText(QString::fromLatin1(t)); });
        page = new porv::DirectoryPage(link, shell, rxMemo, &holder);
        holder.resize(789, 480);
        holder.show();
        // Log on.
        link.Transmit("a1234\r");
        link.WaitReply(20);
        link.MarkLoggedOn();
        QCoreApplication::processEvents();
    }
};

void BM_DownloadToolWork1000(benchmark::State &state)
{
    porv::SetTickScale(1e-6); // the fixed waits shrink to nothing
    Rig rig(1000, 0.0);
    for (auto _ : state) {
        rig.page->GetDataClick();
        QCoreApplication::processEvents(); // the grid repaints
        if (rig.page->DirectoryTable().RecordCount() != 1000 || !rig.page->State().DirectorySynced)
            state.SkipWithError("download incomplete");
    }
    porv::SetTickScale(1.0);
}
BENCHMARK(BM_DownloadToolWork1000)->Unit(benchmark::kMillisecond);

// The waits a full upload of n records cannot go below, in ticks: the two
// status pauses, the erase (two command pauses, the fixed wait and one poll),
// one command pause and one poll per record, and the closing pause.
double UploadFloorSeconds(int records)
{
    const double ticks = 50 + 50 + (1 + 100 + 1 + 100 + 100) + records * (1 + 100) + 10;
    return ticks * 864e-6;
}

void BM_FullUpload1000RealTick(benchmark::State &state)
{
    const int records = int(state.range(0));
    porv::SetTickScale(1.0);
    Rig rig(records, 1.0);
    for (auto _ : state) {
        state.PauseTiming();
        rig.page->GetDataClick();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        rig.page->WriteDataClick();
        const double seconds = clock.nsecsElapsed() / 1e9;
        const double floor = UploadFloorSeconds(records);
        state.counters["floor_s"] = floor;
        state.counters["total_s"] = seconds;
        state.counters["overhead_pct"] = 100.0 * (seconds - floor) / floor;
        if (int(rig.unit.directoryRecords().size()) != records || rig.shell.messages != 0)
            state.SkipWithError("upload incomplete");
    }
}
BENCHMARK(BM_FullUpload1000RealTick)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond);

// Typing into the find box above DBGrid1 over 1000 downloaded records: each
// iteration is one key, the grid filtered (0) and painted too (1).
void BM_FindKeyInDBGrid1(benchmark::State &state)
{
    porv::SetTickScale(1e-6);
    Rig rig(1000, 0.0);
    rig.page->GetDataClick();
    porv::SetTickScale(1.0);
    auto *find = rig.page->findChild<QLineEdit *>(QStringLiteral("FindClient"));
    const QStringList keys = {QStringLiteral("l"),  QStringLiteral("le"),  QStringLiteral("lee"),
                              QString(),            QStringLiteral("2"),   QStringLiteral("26"),
                              QStringLiteral("261"), QString(),            QStringLiteral("0"),
                              QStringLiteral("04"), QStringLiteral("044 1"), QString()};
    int k = 0;
    for (auto _ : state) {
        find->setText(keys[k++ % keys.size()]);
        if (state.range(0))
            rig.page->DBGrid1()->viewport()->repaint();
    }
    if (!find || rig.page->DirectoryTable().RecordCount() != 1000)
        state.SkipWithError("no records to find");
}
BENCHMARK(BM_FindKeyInDBGrid1)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
