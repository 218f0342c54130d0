// The table facility's own costs: the phone list file both ways, a long file,
// sorting, sorted appends, reading a full directory dump into the table, and
// the find filter over 1000 records.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include "clientfilter.h"
#include "codecs.h"
#include "directorytable.h"
#include "memtable.h"
#include "memtablemodel.h"
#include "tablecsv.h"

namespace {

using porv::MemTable;

// A name for record i, in an order unrelated to i.
QByteArray nameFor(int i)
{
    static const char *const first[] = {"SMITH", "jones", "Brooks", "OKAFOR", "lee", "Adams", "baker", "Cole"};
    const int k = (i * 7919) % 100003;
    return QByteArray(first[k % 8]) + ' ' + QByteArray::number(k);
}

QByteArray addressFor(int i) { return QByteArray::number(0x1000 + 32 * i, 16).toUpper(); }

void fillDirectory(MemTable &t, int records)
{
    porv::DefineDirectoryTable(t);
    t.Open();
    t.SuspendDisplay();
    for (int i = 0; i < records; ++i)
        t.AppendRecord({nameFor(i), QByteArray::number(100 + i), QByteArray("0123456789"), QByteArray("1234"),
                        QByteArray(), QByteArray(), QByteArray(), addressFor(i)});
    t.ResumeDisplay();
}

QTemporaryDir &tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

void BM_SavePhoneList1000(benchmark::State &state)
{
    MemTable t;
    fillDirectory(t, 1000);
    const QString path = tempDir().filePath(QStringLiteral("save.csv"));
    for (auto _ : state)
        porv::SaveTableCsv(t, path, false);
}
BENCHMARK(BM_SavePhoneList1000)->Unit(benchmark::kMillisecond);

void BM_LoadPhoneList1000(benchmark::State &state)
{
    MemTable t;
    fillDirectory(t, 1000);
    const QString path = tempDir().filePath(QStringLiteral("load.csv"));
    porv::SaveTableCsv(t, path, false);
    MemTable back;
    porv::MemTableModel model(&back); // a grid is attached
    for (auto _ : state) {
        porv::DefineDirectoryTable(back);
        back.Open();
        back.EmptyTable();
        porv::LoadTableCsv(back, path);
        if (back.RecordCount() != 1000)
            state.SkipWithError("wrong record count");
    }
}
BENCHMARK(BM_LoadPhoneList1000)->Unit(benchmark::kMillisecond);

void BM_Load100000Lines(benchmark::State &state)
{
    const QString path = tempDir().filePath(QStringLiteral("long.csv"));
    {
        MemTable t;
        fillDirectory(t, 100000);
        porv::SaveTableCsv(t, path, false);
    }
    MemTable back;
    for (auto _ : state) {
        porv::DefineDirectoryTable(back);
        back.Open();
        back.EmptyTable();
        porv::LoadTableCsv(back, path);
        if (back.RecordCount() != 100000)
            state.SkipWithError("wrong record count");
    }
}
BENCHMARK(BM_Load100000Lines)->Unit(benchmark::kMillisecond);

// Sort 1000 records by name (0: case-sensitive, 1: case-insensitive), from
// address order each time.
void BM_SortByName1000(benchmark::State &state)
{
    MemTable t;
    fillDirectory(t, 1000);
    porv::MemTableModel model(&t);
    const auto sortCase = state.range(0) ? MemTable::SortCase::Insensitive : MemTable::SortCase::Sensitive;
    for (auto _ : state) {
        state.PauseTiming();
        t.Sort("Addr", MemTable::SortCase::Sensitive);
        state.ResumeTiming();
        t.Sort("Name", sortCase);
    }
}
BENCHMARK(BM_SortByName1000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 100,000 appends in scrambled order into a table sorted by name.
void BM_SortedAppends100000(benchmark::State &state)
{
    for (auto _ : state) {
        MemTable t;
        porv::DefineDirectoryTable(t);
        t.Open();
        t.Sort("Name", MemTable::SortCase::Insensitive);
        for (int i = 0; i < 100000; ++i)
            t.AppendRecord({nameFor(i), QByteArray::number(i)});
        benchmark::DoNotOptimize(t.RecordCount());
    }
}
BENCHMARK(BM_SortedAppends100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The tool's own part of a 1000-record download: the dump text read into
// lines, each parsed and appended to the table with a grid attached.
void BM_ReadDump1000(benchmark::State &state)
{
    QByteArray dump("d01281152\r\n");
    for (int i = 0; i < 1000; ++i)
        dump += addressFor(i) + ',' + QByteArray::number(100 + i) + ",1234,,,0123456789<1????," + nameFor(i) +
                "\r\n";
    dump += "OK\r\n";
    MemTable t;
    porv::MemTableModel model(&t);
    for (auto _ : state) {
        const porv::DirectoryDump read = porv::ReadDirectoryDump(dump);
        porv::DefineDirectoryTable(t);
        t.Open();
        t.EmptyTable();
        for (const QByteArray &line : read.recordLines) {
            if (line.isEmpty())
                continue;
            const porv::DirectoryLine d = porv::ParseDirectoryLine(line);
            if (d.Name.isEmpty() || d.RoomNumber.isEmpty())
                continue;
            t.AppendRecord({d.Name, d.RoomNumber, porv::DecodeDigits(d.PHnumber), d.Code1, d.Code2, d.spare,
                            QByteArray(), d.Addr});
        }
        t.First();
        if (t.RecordCount() != 1000 || !read.complete)
            state.SkipWithError("dump not read whole");
    }
}
BENCHMARK(BM_ReadDump1000)->Unit(benchmark::kMillisecond);

// Finding in 1000 records as the user types: each iteration is one key, the
// filter applied to every record (names, rooms, phone digits, tags).
void BM_FindKey1000(benchmark::State &state)
{
    MemTable t;
    fillDirectory(t, 1000);
    porv::MemTableModel model(&t);
    porv::ClientFilterModel filter(t);
    filter.setSourceModel(&model);
    const QStringList keys = {QStringLiteral("s"),    QStringLiteral("sm"),   QStringLiteral("smi"),
                              QStringLiteral("smit"), QString(),              QStringLiteral("1"),
                              QStringLiteral("12"),   QStringLiteral("123"),  QStringLiteral("123 4"),
                              QString(),              QStringLiteral("j"),    QStringLiteral("jo"),
                              QStringLiteral("jon"),  QStringLiteral("jone"), QString()};
    int k = 0;
    for (auto _ : state) {
        filter.SetFindText(keys[k++ % keys.size()]);
        benchmark::DoNotOptimize(filter.rowCount());
    }
}
BENCHMARK(BM_FindKey1000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
