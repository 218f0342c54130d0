// What journalling adds to a full upload through the real integration: the
// directory core's upload of 1000 records to the simulated unit in the same
// process at the real tick, once without a recorder and once with the site
// book's recorder on the link (a SQLite book that holds the unit, opened by
// the recorder at the write, as porv-cli opens it). The recorder's own time
// (its question before the write and the journal entry after) is also timed
// by itself, which the waits of two uploads do not blur. On a machine shared
// with other work the times are kept on the waits' clock without the time
// the thread waited for a processor (as the tests keep theirs), so that the
// load of the moment does not decide the difference.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "bookrecorder.h"
#include "delay.h"
#include "directorytransfer.h"
#include "link.h"
#include "null_shell.h"
#include "simulated_unit.h"
#include "unit_seed.h"
#include "unit_transport.h"

namespace {

class YesShell : public porv::test::NullShell {
public:
    bool AskQuestion(const QString &) override { return true; }
};

// Times what the recorder does, passing everything on to it.
class TimedObserver : public porv::UnitWriteObserver {
public:
    explicit TimedObserver(porv::UnitWriteObserver &inner) : m_inner(inner) {}
    bool MayWrite(const porv::UnitWrite &w) override
    {
        const qint64 start = porv::WaitClockNow();
        const bool ok = m_inner.MayWrite(w);
        nanoseconds += porv::WaitClockNow() - start;
        return ok;
    }
    void Written(const porv::UnitWrite &w) override
    {
        const qint64 start = porv::WaitClockNow();
        m_inner.Written(w);
        nanoseconds += porv::WaitClockNow() - start;
    }
    qint64 nanoseconds = 0;

private:
    porv::UnitWriteObserver &m_inner;
};

void BM_FullUploadRealTick(benchmark::State &state)
{
    const int records = int(state.range(0));
    const bool journalled = state.range(1) != 0;
    porv::SetTickScale(1.0);
    porv::SetWaitsSkipRunQueue(true);
    qx4::SimulatedUnit unit;
    qx4::SeedOptions seed;
    seed.records = records;
    seed.events = 0;
    seed.tags = 0;
    qx4::seedUnit(unit, seed);
    unit.setTimeScale(1.0);
    porv::test::UnitTransport transport{unit};
    porv::Link link;
    link.setNetworkTransport(&transport);
    link.Transmit("a1234\r");
    link.WaitReply(20);
    link.MarkLoggedOn();
    YesShell shell;

    QTemporaryDir folder;
    const QString bookFile = folder.filePath(QStringLiteral("book.sqlite"));
    {
        porv::BookLocation location;
        location.file = bookFile;
        std::unique_ptr<porv::SiteBook> book = std::move(porv::SiteBook::Open(location).value);
        porv::BookUnit u;
        u.siteId = book->AddSite({0, QStringLiteral("Harbour"), {}, {}}).value;
        u.label = QStringLiteral("Gate A");
        u.address = QStringLiteral("127.0.0.2");
        const porv::BookResult<qint64> added = book->AddUnit(u);
        if (!added.ok()) {
            state.SkipWithError(qPrintable(added.error.message));
            for (auto _ : state) {
            }
            return;
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        porv::StandaloneDirectory directory;
        porv::DownloadDirectory(link, shell, directory);
        std::unique_ptr<porv::BookRecorder> recorder;
        std::unique_ptr<TimedObserver> timed;
        if (journalled) {
            porv::BookRecorder::Hooks hooks;
            hooks.locationText = [bookFile] { return bookFile; };
            hooks.reach = [] { return porv::UnitReach{porv::UnitTransport::Udp, QStringLiteral("127.0.0.2"), {}}; };
            recorder = std::make_unique<porv::BookRecorder>(hooks);
            recorder->Install(link);
            timed = std::make_unique<TimedObserver>(*recorder);
            porv::AttachUnitWriteObserver(link, timed.get());
        }
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const qint64 start = porv::WaitClockNow();
        const porv::DirectoryUploadReport report = porv::UploadDirectory(link, shell, directory);
        const double seconds = (porv::WaitClockNow() - start) / 1e9;
        state.counters["total_s"] = seconds;
        state.counters["wall_s"] = clock.nsecsElapsed() / 1e9;
        QString error;
        if (timed) {
            state.counters["recorder_ms"] = timed->nanoseconds / 1e6;
            state.counters["recorder_pct"] = 100.0 * timed->nanoseconds / 1e9 / seconds;
            if (!recorder->Book() || recorder->Book()->History(1).value.isEmpty())
                error = QStringLiteral("not journalled");
        }
        if (report.outcome != porv::UploadOutcome::Written || report.errors != 0
            || int(unit.directoryRecords().size()) != records)
            error = QStringLiteral("upload incomplete: outcome %1, %2 errors, %3 records in the unit")
                        .arg(int(report.outcome)).arg(report.errors).arg(unit.directoryRecords().size());
        state.PauseTiming();
        porv::AttachUnitWriteObserver(link, nullptr);
        timed.reset();
        recorder.reset();
        state.ResumeTiming();
        if (!error.isEmpty())
            state.SkipWithError(qPrintable(error));
    }
}
BENCHMARK(BM_FullUploadRealTick)
    ->ArgNames({"records", "journalled"})
    ->Args({20, 0})
    ->Args({20, 1})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
