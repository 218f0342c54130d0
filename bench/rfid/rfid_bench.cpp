// Binding a full tag list (512 tags) to a directory of 1,000 records: reading
// the dump, clearing the old codes and binding, on a table with its grid model
// attached and display updates suspended as the download does; and the whole
// DownLoad click of the RFid_SU page over a link whose waits are shrunk to
// nothing, so that what remains is the tool's own work.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>

#include "null_shell.h"
#include "codecs.h"
#include "delay.h"
#include "directorytable.h"
#include "link.h"
#include "memtable.h"
#include "memtablemodel.h"
#include "scripted_transport.h"
#include "simulated_unit.h"
#include "tagbinding.h"
#include "tagtransfer.h"

#ifdef RFID_BENCH_WITH_PAGE
#include "directorypage.h"
#include "rfidpage.h"
#endif

namespace {

constexpr int kRecords = 1000;

// Rooms of the directory: 1000 records, every fifth room shared by two
// records, so that rooms repeat as in a building with several residents.
QByteArray roomOf(int record) { return QByteArray::number(100 + (record % 5 == 4 ? record - 1 : record)); }

// The unit's tag list: 512 tags, most for rooms of the directory (shared
// rooms getting two), the rest for rooms no record has.
QList<qx4::SimulatedUnit::TagEntry> unitTags()
{
    QList<qx4::SimulatedUnit::TagEntry> tags;
    for (int i = 0; tags.size() < porv::kTagCapacity; ++i) {
        const QByteArray room = i % 8 == 7 ? QByteArray::number(5000 + i) : roomOf(i * 2 % kRecords);
        tags.append({room, QByteArray::number(0x1000000000LL + i * 7919, 16).right(10).toUpper()});
    }
    return tags;
}

// The unit's reply to "s14081535" with the full list.
const QByteArray &dumpReply()
{
    static const QByteArray reply = [] {
        qx4::SimulatedUnit unit;
        unit.setTagEntries(unitTags());
        QByteArray out = "s14081535\r\nRF-ID list\r\n";
        for (int b = porv::kTagFirstBlock; b <= porv::kTagLastBlock; ++b) {
            QByteArray line = QByteArray::number(b * 32, 16).toUpper() + ':';
            for (char c : unit.block(b))
                line += porv::NibbleChar(uchar(c) >> 4), line += porv::NibbleChar(uchar(c) & 0x0F);
            out += line + "\r\n";
        }
        return out + "End of list\r\nOK\r\n";
    }();
    return reply;
}

void fillDirectory(porv::MemTable &table)
{
    table.SuspendDisplay();
    porv::DefineDirectoryTable(table);
    table.Open();
    for (int i = 0; i < kRecords; ++i) {
        const QByteArray addr = QByteArray::number(0x1000 + 32 * (i % 1024), 16).toUpper();
        table.AppendRecord({"CLIENT " + QByteArray::number(i), roomOf(i), "0123456789", "1234", "", "",
                            i % 3 == 0 ? QByteArray("0000000000") : QByteArray(), addr});
    }
    table.ResumeDisplay();
    table.First();
}

void BM_ReadTagDump(benchmark::State &state)
{
    porv::Link link;
    link.SetReceiveView(dumpReply());
    for (auto _ : state) {
        const QList<porv::TagEntry> entries = porv::TagEntriesOfDump(link.ReplyLines());
        if (entries.size() != porv::kTagCapacity)
            state.SkipWithError("dump not read whole");
        benchmark::DoNotOptimize(entries.size());
    }
}
BENCHMARK(BM_ReadTagDump)->Unit(benchmark::kMillisecond);

// Clearing the old codes and binding 512 tags to 1,000 records, with a grid
// model on the table.
void BM_Bind512To1000(benchmark::State &state)
{
    porv::Link link;
    link.SetReceiveView(dumpReply());
    const QList<porv::TagEntry> entries = porv::TagEntriesOfDump(link.ReplyLines());
    porv::MemTable table;
    porv::MemTableModel model(&table);
    for (auto _ : state) {
        state.PauseTiming();
        fillDirectory(table);
        state.ResumeTiming();
        table.SuspendDisplay();
        porv::ClearTagCodes(table);
        porv::TaggedAddresses tagged;
        const porv::TagBindingResult r = porv::BindTags(table, entries, tagged);
        table.ResumeDisplay();
        table.First();
        if (r.boundToRecords + r.newRecords != porv::kTagCapacity)
            state.SkipWithError("not every tag bound");
        benchmark::DoNotOptimize(table.RecordCount());
    }
}
BENCHMARK(BM_Bind512To1000)->Unit(benchmark::kMillisecond);

#ifdef RFID_BENCH_WITH_PAGE
// The whole DownLoad click of the page, shown with both grids, over a scripted
// link that answers at once.
void BM_DownLoadClick512To1000(benchmark::State &state)
{
    porv::SetTickScale(1e-6);
    porv::Link link;
    link.MarkLoggedOn();
    porv::test::ScriptedTransport transport;
    link.setSerialTransport(&transport);
    transport.setAnswer([](const QByteArray &written) -> QList<QByteArray> {
        if (written == "s14081535\r")
            return {dumpReply()};
        return {};
    });
    porv::test::NullShell shell;
    QWidget window;
    auto *rxMemo = new QPlainTextEdit(&window);
    auto *directory = new porv::DirectoryPage(link, shell, rxMemo, &window);
    auto *page = new porv::RfidPage(link, shell, *directory, &window);
    window.resize(789, 546);
    page->setGeometry(0, 0, 789, 500);
    directory->hide();
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        fillDirectory(directory->DirectoryTable());
        QCoreApplication::processEvents();
        state.ResumeTiming();
        page->download_idClick();
        benchmark::DoNotOptimize(page->grab().width());
        if (page->LastDownload().entries != porv::kTagCapacity)
            state.SkipWithError("dump not bound whole");
    }
    porv::SetTickScale(1.0);
}
BENCHMARK(BM_DownLoadClick512To1000)->Unit(benchmark::kMillisecond);
#endif

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
