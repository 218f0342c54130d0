// The download steps over a scripted link: what is sent, how the log reply is
// judged complete, what a failure leaves, and how unreadable dates are kept.
#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include "eventdownload.h"
#include "eventspage.h"
#include "eventtable.h"
#include "failures.h"
#include "fake_shell.h"
#include "connection_recorder.h"
#include "link.h"
#include "memtable.h"
#include "scripted_transport.h"

using namespace porv;
using eventstest::FakeShell;

namespace {

QByteArray eventLine(int n, const QByteArray &client, const QByteArray &date = "190C0F")
{
    QByteArray c = client.left(16);
    c += QByteArray(16 - c.size(), ' ');
    const QByteArray room = "0" + QByteArray::number(n % 10) + "0" + QByteArray::number((n / 10) % 10) + "FFFFFFFF";
    return QByteArray::number(n).rightJustified(4, '0') + ',' + room + date + "0E051E,1,0,00," + c;
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        link.setSerialTransport(&transport);
        link.MarkLoggedOn(); // Down Load is offered only while logged on
        transport.setAnswer([this](const QByteArray &written) -> QList<QByteArray> {
            if (written == "\r")
                return {"OK\r\n"};
            if (written == "t\r")
                return {"t\r\n" + clockLine + "\r\nOK\r\n"};
            if (written == "e\r")
                return logChunks;
            return {};
        });
    }

    // The log reply in chunks of the given size.
    void setLog(const QList<QByteArray> &events, bool closed = true, int chunk = 0)
    {
        QByteArray all = "e\r\n";
        for (const QByteArray &e : events)
            all += e + "\r\n";
        if (closed)
            all += "OK\r\n";
        logChunks.clear();
        if (chunk <= 0) {
            logChunks.append(all);
            return;
        }
        for (qsizetype i = 0; i < all.size(); i += chunk)
            logChunks.append(all.mid(i, chunk));
    }

    EventDownloadOutcome run()
    {
        EventLogDownload d(link, shell, table);
        d.LocalClock = [] { return QDateTime(QDate(2015, 12, 25), QTime(14, 11, 2)); };
        d.ClockRead = [this](const ClockReadings &r) { readings = r; };
        d.LogPolls = polls;
        return d.Run();
    }

    void expectFinalSteps()
    {
        EXPECT_FALSE(recorder.blinking());
        EXPECT_TRUE(recorder.idle());
        EXPECT_FALSE(link.CountMode());
    }

    UnitConnection connection;
    Link &link = connection.link();
    test::ConnectionRecorder recorder{connection};
    test::ScriptedTransport transport;
    FakeShell shell;
    MemTable table;
    QByteArray clockLine = "1E0A0E190C0F";
    QList<QByteArray> logChunks;
    ClockReadings readings;
    int polls = 200;
};

} // namespace

TEST_F(DownloadTest, SendsPromptClockAndLogThenFillsTheTable)
{
    setLog({eventLine(1, "SMITH J"), eventLine(2, "LEE"), eventLine(3, "COLE")});
    const EventDownloadOutcome out = run();
    EXPECT_EQ(transport.written, (QList<QByteArray>{"\r", "t\r", "e\r"}));
    EXPECT_TRUE(out.complete);
    EXPECT_EQ(out.events, 3);
    EXPECT_EQ(readings.Stime, "14:10:30");
    EXPECT_EQ(readings.Sdate, "25/12/15");
    EXPECT_FALSE(readings.Ctime.isEmpty());
    ASSERT_TRUE(table.IsOpen());
    ASSERT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.RowText(0, 0), "1");
    EXPECT_EQ(table.RowText(2, 0), "3");
    EXPECT_EQ(table.RowText(1, 6), "LEE             ");
    EXPECT_EQ(table.Position(), 1);
    EXPECT_TRUE(shell.saveAs);
    EXPECT_TRUE(shell.eventsLoaded);
    EXPECT_EQ(recorder.transferShown, 1);
    expectFinalSteps();
    // The receive view holds the log reply, so its lines are the log's.
    EXPECT_EQ(link.ReplyLine(0), "e");
    EXPECT_EQ(link.ReplyLine(4), "OK");
}

TEST_F(DownloadTest, ClientNamedOkDoesNotEndTheLogEarly)
{
    // BROOKS and OKAFOR arrive first; the rest comes several polls later.
    const QList<QByteArray> events = {eventLine(1, "BROOKS"), eventLine(2, "OKAFOR"), eventLine(3, "LEE"),
                                      eventLine(4, "COLE")};
    transport.setAnswer([&](const QByteArray &written) -> QList<QByteArray> {
        if (written == "\r")
            return {"OK\r\n"};
        if (written == "t\r")
            return {"t\r\n" + clockLine + "\r\nOK\r\n"};
        if (written == "e\r") {
            QTimer::singleShot(60, &transport, [&] {
                transport.deliver(events[2] + "\r\n" + events[3] + "\r\nOK\r\n");
            });
            return {"e\r\n" + events[0] + "\r\n" + events[1] + "\r\n"};
        }
        return {};
    });
    const EventDownloadOutcome out = run();
    EXPECT_TRUE(out.complete);
    ASSERT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(table.RowText(0, 6), "BROOKS          ");
    EXPECT_EQ(table.RowText(3, 6), "COLE            ");
}

TEST_F(DownloadTest, ChunksEndingAnywhereStillMakeTheWholeLog)
{
    QList<QByteArray> events;
    for (int i = 1; i <= 40; ++i)
        events.append(eventLine(i, i % 3 ? "BROOKS" : "SMITH"));
    setLog(events, true, 7);
    const EventDownloadOutcome out = run();
    EXPECT_TRUE(out.complete);
    EXPECT_EQ(table.RecordCount(), 40);
    EXPECT_EQ(table.RowText(39, 0), "40");
}

TEST_F(DownloadTest, LogWithoutClosingLineLeavesTheTableAndShowsTheFailure)
{
    setLog({eventLine(1, "SMITH J"), eventLine(2, "LEE")});
    run();
    ASSERT_EQ(table.RecordCount(), 2);
    SortEventTableByTitle(table, "Client");
    shell.saveAs = false;
    shell.eventsLoaded = false;

    clockLine = "00000A010110";
    polls = 20;
    setLog({eventLine(1, "BROOKS"), eventLine(2, "ADAMS"), eventLine(3, "ZED")}, false);
    const EventDownloadOutcome out = run();
    EXPECT_FALSE(out.complete);
    EXPECT_EQ(link.ReceiveView(), "Failed to get all data");
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(table.SortField(), 6);
    EXPECT_EQ(table.RowText(0, 6), "LEE             ");
    EXPECT_FALSE(shell.saveAs);
    EXPECT_FALSE(shell.eventsLoaded);
    EXPECT_TRUE(shell.messages.isEmpty());
    // The new clock readings are shown all the same.
    EXPECT_EQ(readings.Stime, "10:00:00");
    EXPECT_EQ(readings.Sdate, "01/01/16");
    expectFinalSteps();
}

TEST_F(DownloadTest, EmptyLogGivesAnOpenEmptyTable)
{
    setLog({});
    const EventDownloadOutcome out = run();
    EXPECT_TRUE(out.complete);
    EXPECT_TRUE(table.IsOpen());
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(table.FieldCount(), 7);
    EXPECT_TRUE(shell.saveAs);
}

TEST_F(DownloadTest, UnreadableDateKeepsEveryEvent)
{
    setLog({eventLine(1, "A"), eventLine(2, "B", "19Q10F"), eventLine(3, "C"), eventLine(4, "D", "ZZ0C0F")});
    const EventDownloadOutcome out = run();
    EXPECT_TRUE(out.complete);
    ASSERT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(table.RowText(1, 2), "");
    EXPECT_EQ(table.RowText(1, 3), "14:05:30");
    EXPECT_EQ(table.RowText(2, 2), "25/12/15");
    EXPECT_EQ(table.RowText(3, 6), "D               ");
    EXPECT_EQ(out.conversionMessage, QStringLiteral("'$Q1' is not a valid integer value"));
    EXPECT_TRUE(shell.eventsLoaded);
}

TEST_F(DownloadTest, UnreadableClockLeavesItsBoxesEmptyAndTheLogComes)
{
    setLog({eventLine(1, "A")});
    clockLine = "1E0A0E19XC0F";
    const EventDownloadOutcome out = run();
    EXPECT_TRUE(out.clockUnreadable);
    EXPECT_TRUE(out.complete);
    EXPECT_EQ(readings.Stime, "");
    EXPECT_EQ(readings.Sdate, "");
    EXPECT_EQ(table.RecordCount(), 1);
    expectFinalSteps();
}

TEST_F(DownloadTest, ShortClockReplyLeavesItsBoxesEmpty)
{
    clockLine = "1E0A0E";
    setLog({eventLine(1, "A")});
    EXPECT_TRUE(run().complete);
    EXPECT_EQ(readings.Stime, "14:10:30");
    EXPECT_EQ(readings.Sdate, "");
}

// --- the page without the window ---------------------------------------------------

TEST_F(DownloadTest, PageShowsTheConversionMessageOnceAndKeepsTheEvents)
{
    EventsPage page(link, shell);
    setLog({eventLine(1, "A", "G10C0F"), eventLine(2, "B", "H10C0F"), eventLine(3, "C")});
    page.dnLoadClick();
    EXPECT_EQ(page.EventTable().RecordCount(), 3);
    EXPECT_EQ(shell.messages, QStringList{QStringLiteral("'$G1' is not a valid integer value")});
    EXPECT_EQ(page.findChild<QLineEdit *>(QStringLiteral("E_Numb"))->text(), QStringLiteral("1"));
}

TEST_F(DownloadTest, PageSaveAsBeforeAnyDownloadAsksNothing)
{
    EventsPage page(link, shell);
    shell.saveName = QStringLiteral("/nonexistent-dir/never.Evt");
    page.FileSaveAs();
    EXPECT_TRUE(shell.saveRequests.isEmpty());
}
