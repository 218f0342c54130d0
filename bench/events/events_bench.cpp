// Decoding and showing a log of 5,000 events: splitting the reply, decoding
// it into EventTable, and the whole Down Load of the Events page over a link
// whose waits are shrunk to nothing, so that what remains is the tool's own
// work (sending, receiving the bulk reply, decoding, the grid and its paint);
// and filtering those events with the chart drawn afresh.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include "delay.h"
#include "eventdownload.h"
#include "eventchart.h"
#include "eventfinder.h"
#include "eventspage.h"
#include "eventtable.h"
#include "link.h"
#include "memtable.h"
#include "memtablemodel.h"
#include "null_shell.h"
#include "scripted_transport.h"
#include "simulated_unit.h"
#include "unit_seed.h"

namespace {

constexpr int kEvents = 5000;

// The unit's reply to "e" for a seeded log of 5,000 events.
const QByteArray &logReply()
{
    static const QByteArray reply = [] {
        qx4::SimulatedUnit unit;
        qx4::SeedOptions seed;
        seed.records = 200;
        seed.okNames = true;
        seed.events = kEvents;
        qx4::seedUnit(unit, seed);
        QByteArray out = "e\r\n";
        const QList<qx4::UnitEvent> events = unit.events();
        for (int i = 0; i < events.size(); ++i)
            out += qx4::SimulatedUnit::eventLine(i + 1, events[i]) + "\r\n";
        return out + "OK\r\n";
    }();
    return reply;
}

void BM_ReadEventLog(benchmark::State &state)
{
    const QByteArray &reply = logReply();
    for (auto _ : state) {
        porv::EventLog log = porv::ReadEventLog(reply);
        benchmark::DoNotOptimize(log.eventLines.size());
    }
}
BENCHMARK(BM_ReadEventLog)->Unit(benchmark::kMillisecond);

void BM_CompletionScanWholeReply(benchmark::State &state)
{
    const QByteArray &reply = logReply();
    for (auto _ : state)
        benchmark::DoNotOptimize(porv::EventLogComplete(reply));
}
BENCHMARK(BM_CompletionScanWholeReply)->Unit(benchmark::kMillisecond);

// Decoding into a table with a grid model attached, display suspended as the
// download does.
void BM_DecodeIntoTable(benchmark::State &state)
{
    const porv::EventLog log = porv::ReadEventLog(logReply());
    porv::MemTable table;
    porv::MemTableModel model(&table);
    for (auto _ : state) {
        table.SuspendDisplay();
        table.Close();
        porv::DefineEventTable(table);
        table.Open();
        QString failure;
        for (int i = 0; i < log.eventLines.size(); ++i)
            table.AppendRecord(porv::DecodeEventLineKeeping(log.eventLines[i], qint16(i + 1), &failure));
        table.ResumeDisplay();
        table.First();
        benchmark::DoNotOptimize(table.RecordCount());
    }
}
BENCHMARK(BM_DecodeIntoTable)->Unit(benchmark::kMillisecond);

// A link that answers the download's commands at once: the clock, the log.
void answerAsTheUnit(porv::test::ScriptedTransport &transport)
{
    transport.setAnswer([](const QByteArray &written) -> QList<QByteArray> {
        if (written == "\r")
            return {"OK\r\n"};
        if (written == "t\r")
            return {"t\r\n1E0A0E190C0F\r\nOK\r\n"};
        if (written == "e\r")
            return {logReply()};
        return {};
    });
}

// The whole Down Load click of the page, shown, over a scripted link that
// answers at once. With viewShown, a receive view takes the reply text as the
// window's RxMemo does; with painted, the page is painted afterwards.
void downLoad(benchmark::State &state, bool viewShown, bool painted)
{
    porv::SetTickScale(1e-6);
    porv::Link link;
    porv::test::ScriptedTransport transport;
    link.setSerialTransport(&transport);
    answerAsTheUnit(transport);
    QPlainTextEdit rxMemo;
    if (viewShown) {
        QObject::connect(&link, &porv::Link::receiveViewReset, &rxMemo, [&rxMemo](const QByteArray &text) {
            QByteArray shown = text;
            shown.replace('\r', QByteArray());
            rxMemo.setPlainText(QString::fromLatin1(shown));
        });
    }
    porv::test::NullShell shell;
    porv::EventsPage page(link, shell);
    page.resize(760, 440);
    page.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        page.dnLoadClick();
        if (painted)
            benchmark::DoNotOptimize(page.grab().width());
        if (page.EventTable().RecordCount() != kEvents)
            state.SkipWithError("log not complete");
    }
    porv::SetTickScale(1.0);
}

void BM_DownLoad5000(benchmark::State &state) { downLoad(state, false, false); }
void BM_DownLoad5000Painted(benchmark::State &state) { downLoad(state, false, true); }
void BM_DownLoad5000WithReceiveView(benchmark::State &state) { downLoad(state, true, true); }
BENCHMARK(BM_DownLoad5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownLoad5000Painted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownLoad5000WithReceiveView)->Unit(benchmark::kMillisecond);

// 5,000 events on the page, the chart shown: each iteration changes one
// filter (kind, relay, room, dates, or all cleared), and the grid and the
// chart are counted and painted afresh.
void BM_FilterAndChart5000(benchmark::State &state)
{
    porv::SetTickScale(1e-6);
    porv::Link link;
    porv::test::ScriptedTransport transport;
    link.setSerialTransport(&transport);
    answerAsTheUnit(transport);
    porv::test::NullShell shell;
    porv::EventsPage page(link, shell);
    page.resize(789, 460);
    page.show();
    page.dnLoadClick();
    porv::SetTickScale(1.0);
    page.findChild<QTabWidget *>(QStringLiteral("EventViews"))->setCurrentIndex(1);
    QCoreApplication::processEvents();
    auto *kind = page.findChild<QComboBox *>(QStringLiteral("EventKind"));
    auto *relay = page.findChild<QComboBox *>(QStringLiteral("EventRelay"));
    auto *room = page.findChild<QLineEdit *>(QStringLiteral("EventRoom"));
    auto *from = page.findChild<QDateEdit *>(QStringLiteral("EventFrom"));
    auto *showAll = page.findChild<QPushButton *>(QStringLiteral("EventShowAll"));
    const QByteArray someRoom = page.EventTable().RowText(7, 1);
    const QDate firstDay = from->date();
    int step = 0;
    for (auto _ : state) {
        switch (step++ % 5) {
        case 0: kind->setCurrentIndex(1); break;
        case 1: relay->setCurrentIndex(1); break;
        case 2: room->setText(QString::fromLatin1(someRoom)); break;
        case 3: from->setDate(firstDay.addDays(20)); break;
        case 4: showAll->click(); break;
        }
        page.DBGrid2()->viewport()->repaint();
        page.Finder()->Chart()->View()->viewport()->repaint();
    }
    if (page.EventTable().RecordCount() != kEvents)
        state.SkipWithError("log not complete");
}
BENCHMARK(BM_FilterAndChart5000)->Unit(benchmark::kMillisecond);

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
