// The Events page of the real window, logged on to the simulated unit over UDP:
// Down Load, the title clicks, the events file through Save As, and Set_time.
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>

#include "eventdownload.h"
#include "eventspage.h"
#include "memtable.h"
#include "shell_fixture.h"
#include "unit_seed.h"

using namespace shelltest;

namespace {

QByteArray pair2(int v) { return QByteArray::number(v % 100).rightJustified(2, '0'); }

// What the page should show for an event the unit logged.
struct Expected {
    QByteArray room, date, time, relay, source, client;
};

Expected expectedFor(const qx4::UnitEvent &e)
{
    Expected x;
    switch (e.origin) {
    case qx4::UnitEvent::Origin::InCall: x.room = "InCall"; break;
    case qx4::UnitEvent::Origin::Button: x.room = "Butt." + QByteArray::number(e.button); break;
    case qx4::UnitEvent::Origin::Room: x.room = e.room.left(6); break;
    }
    x.date = pair2(e.when.date().day()) + "/" + pair2(e.when.date().month()) + "/" + pair2(e.when.date().year());
    x.time = pair2(e.when.time().hour()) + ":" + pair2(e.when.time().minute()) + ":" + pair2(e.when.time().second());
    x.relay = QByteArray(1, e.relay);
    x.source = e.setBy == '0' ? "local" : e.setBy == '1' ? "Remote" : e.setBy == '2' ? "RF-ID" : "Error";
    if (e.origin == qx4::UnitEvent::Origin::Room)
        x.client = e.client.left(16).leftJustified(16, ' ');
    else
        x.client = x.room;
    return x;
}

qx4::UnitEvent roomEvent(const QByteArray &room, const QByteArray &client, const QDateTime &when, char relay = '1',
                         char setBy = '0')
{
    qx4::UnitEvent e;
    e.origin = qx4::UnitEvent::Origin::Room;
    e.room = room;
    e.client = client;
    e.when = when;
    e.relay = relay;
    e.setBy = setBy;
    return e;
}

class EventsPageTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        previousLocale = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
    void TearDown() override
    {
        ShellTest::TearDown();
        QLocale::setDefault(previousLocale);
    }

    void logOn()
    {
        ASSERT_TRUE(startUdpUnit()) << udp->errorString().toStdString();
        writeRecord(true, porv::test::UnitAddress, QByteArray());
        makeWindow();
        page = window->hostedPage<porv::EventsPage>();
        ASSERT_NE(page, nullptr);
        page->SetLocalClock([] { return QDateTime(QDate(2015, 12, 25), QTime(14, 11, 2)); });
        clickLogOn({});
        ASSERT_TRUE(window->link().LoggedOn());
        window->EbuttClick();
    }

    QPushButton *pageButton(const char *name) const { return page->findChild<QPushButton *>(QLatin1String(name)); }
    QString box(const char *name) const { return page->findChild<QLineEdit *>(QLatin1String(name))->text(); }
    porv::MemTable &table() const { return page->EventTable(); }
    QByteArray cell(int row, int field) const { return table().RowText(row, field); }

    void downLoad() { Click(pageButton("dnLoad")); }

    // A click on a column title of DBGrid2, as the user makes it.
    void clickTitle(int column)
    {
        QHeaderView *header = page->DBGrid2()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        const QPointF global = header->viewport()->mapToGlobal(QPointF(at));
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(header->viewport(), &press);
        QCoreApplication::sendEvent(header->viewport(), &release);
    }

    void expectRowsMatch(const QList<qx4::UnitEvent> &events)
    {
        ASSERT_EQ(table().RecordCount(), events.size());
        for (int i = 0; i < events.size(); ++i) {
            const Expected x = expectedFor(events[i]);
            SCOPED_TRACE(i);
            ASSERT_EQ(cell(i, 0), QByteArray::number(i + 1));
            ASSERT_EQ(cell(i, 1), x.room);
            ASSERT_EQ(cell(i, 2), x.date);
            ASSERT_EQ(cell(i, 3), x.time);
            ASSERT_EQ(cell(i, 4), x.relay);
            ASSERT_EQ(cell(i, 5), x.source);
            ASSERT_EQ(cell(i, 6), x.client);
        }
    }

    QList<qx4::UnitEvent> threeEvents() const
    {
        return {roomEvent("204", "SMITH J", QDateTime(QDate(2015, 12, 25), QTime(14, 5, 30)), '1', '0'),
                roomEvent("12", "BROOKS", QDateTime(QDate(2015, 12, 25), QTime(15, 0, 0)), '2', '1'),
                roomEvent("7", "ADAMS", QDateTime(QDate(2015, 12, 26), QTime(8, 30, 0)), '1', '2')};
    }

    QLocale previousLocale;
    porv::EventsPage *page = nullptr;
};

} // namespace

TEST_F(EventsPageTest, ButtonsFollowTheLogOn)
{
    ASSERT_TRUE(startUdpUnit());
    writeRecord(true, porv::test::UnitAddress, QByteArray());
    makeWindow();
    page = window->hostedPage<porv::EventsPage>();
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(pageButton("dnLoad")->isEnabled());
    EXPECT_FALSE(pageButton("Set_time")->isEnabled());
    EXPECT_EQ(pageButton("dnLoad")->text(), QStringLiteral("Down Load"));
    EXPECT_EQ(box("Stime"), QStringLiteral("00:00:00"));
    EXPECT_EQ(box("Sdate"), QStringLiteral("00/00"));
    EXPECT_EQ(box("Cdate"), QStringLiteral("00/00/00"));
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());
    EXPECT_TRUE(pageButton("dnLoad")->isEnabled());
    EXPECT_TRUE(pageButton("Set_time")->isEnabled());
}

TEST_F(EventsPageTest, ThreeEventsWithTheUnitsClock)
{
    unit.setEvents(threeEvents());
    unit.setClock(QDateTime(QDate(2015, 12, 25), QTime(14, 10, 30)));
    logOn();
    EXPECT_FALSE(action("SaveAs")->isEnabled()); // nothing downloaded yet
    downLoad();
    expectRowsMatch(threeEvents());
    EXPECT_TRUE(box("Stime").startsWith(QStringLiteral("14:10:3"))) << box("Stime").toStdString();
    EXPECT_EQ(box("Sdate"), QStringLiteral("25/12/15"));
    EXPECT_EQ(box("Ctime"), QStringLiteral("14:11:02"));
    EXPECT_EQ(box("Cdate"), QStringLiteral("25/12/2015"));
    // The first record is current and its details are shown.
    EXPECT_EQ(box("E_Numb"), QStringLiteral("1"));
    EXPECT_EQ(box("E_Room"), QStringLiteral("204"));
    EXPECT_EQ(box("E_source"), QStringLiteral("local"));
    EXPECT_EQ(box("E_date"), QStringLiteral("25/12/15"));
    EXPECT_EQ(box("E_time"), QStringLiteral("14:05:30"));
    EXPECT_TRUE(window->EventsLoaded);
    EXPECT_TRUE(action("SaveAs")->isEnabled());
    EXPECT_EQ(unit.commandCount("e"), 1);
    EXPECT_EQ(unit.commandCount("t"), 1);
    // The grid shows all seven columns, Client too, within its width.
    QTableView *grid = page->DBGrid2();
    EXPECT_EQ(grid->columnWidth(0), 42);
    EXPECT_LE(grid->columnViewportPosition(6) + grid->columnWidth(6), grid->viewport()->width());
    EXPECT_FALSE(window->link().CountMode());
    EXPECT_EQ(window->ledImage(), 21);
}

TEST_F(EventsPageTest, EmptyLogStillCountsAsLoaded)
{
    unit.setEvents({});
    logOn();
    downLoad();
    EXPECT_TRUE(table().IsOpen());
    EXPECT_EQ(table().RecordCount(), 0);
    EXPECT_EQ(table().FieldCount(), 7);
    EXPECT_TRUE(window->EventsLoaded);
    window->PHButClick();
    window->EbuttClick();
    EXPECT_TRUE(action("SaveAs")->isEnabled());
}

TEST_F(EventsPageTest, FiveThousandEventsWithOkNamesArriveWhole)
{
    qx4::SeedOptions seed;
    seed.records = 60;
    seed.okNames = true;
    seed.events = 5000;
    qx4::seedUnit(unit, seed);
    ASSERT_EQ(unit.events().size(), 5000);
    logOn();
    downLoad();
    expectRowsMatch(unit.events());
    EXPECT_EQ(cell(4999, 0), "5000");
    EXPECT_TRUE(window->seam().texts().isEmpty() || !window->seam().lastText().contains(QStringLiteral("valid")));
    // Some clients do hold "OK": the log did not end at them.
    int okNames = 0;
    for (int i = 0; i < table().RecordCount(); ++i)
        okNames += cell(i, 6).contains("OK") ? 1 : 0;
    EXPECT_GT(okNames, 0);

    clickTitle(6); // Client
    EXPECT_EQ(table().SortField(), 6);
    EXPECT_EQ(box("E_Numb"), QStringLiteral("1"));
    page->DBGrid2()->scrollToBottom();
    if (qEnvironmentVariableIsSet("PORV_EVENTS_SHOT")) {
        Pump(50);
        window->grab().save(qEnvironmentVariable("PORV_EVENTS_SHOT"));
    }
}

TEST_F(EventsPageTest, TitleClicksSortAndDetailsShowPositions)
{
    unit.setEvents(threeEvents());
    logOn();
    clickTitle(1); // before any download: nothing happens
    EXPECT_FALSE(table().IsOpen());
    downLoad();
    clickTitle(6); // Client: ADAMS, BROOKS, SMITH J
    EXPECT_EQ(cell(0, 6).trimmed(), "ADAMS");
    EXPECT_EQ(cell(2, 6).trimmed(), "SMITH J");
    EXPECT_EQ(box("E_Numb"), QStringLiteral("1"));
    EXPECT_EQ(box("E_Client").trimmed(), QStringLiteral("ADAMS"));
    EXPECT_EQ(cell(0, 0), "3"); // the Event number stays the download's
    clickTitle(2); // Date sorts by Event
    EXPECT_EQ(table().SortField(), 0);
    EXPECT_EQ(cell(0, 6).trimmed(), "SMITH J");
    clickTitle(6);
    // A row picked in the grid becomes the current record.
    QTableView *grid = page->DBGrid2();
    grid->selectionModel()->setCurrentIndex(grid->model()->index(2, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(table().Position(), 3);
    EXPECT_EQ(box("E_Client").trimmed(), QStringLiteral("SMITH J"));
    // The details show the row's position, not its event number.
    EXPECT_EQ(box("E_Numb"), QStringLiteral("3"));
    EXPECT_EQ(table().FieldText("Event"), "1");
}

TEST_F(EventsPageTest, UnfinishedLogLeavesTheTableAndItsSortButShowsTheNewClock)
{
    unit.setEvents(threeEvents());
    logOn();
    downLoad();
    clickTitle(6);
    ASSERT_EQ(cell(0, 6).trimmed(), "ADAMS");

    QList<qx4::UnitEvent> more = threeEvents();
    more.append(roomEvent("99", "ZED", QDateTime(QDate(2016, 1, 2), QTime(3, 4, 5))));
    unit.setEvents(more);
    unit.setClock(QDateTime(QDate(2016, 2, 29), QTime(23, 58, 0)));
    // The prompt's OK, the clock's three lines, then the log's first line and
    // two events; after that the unit says nothing more.
    unit.repairLink();
    unit.faults().breakAfterLines = 1 + 3 + 1 + 2;
    downLoad();
    EXPECT_EQ(window->link().ReceiveView(), "Failed to get all data");
    EXPECT_EQ(table().RecordCount(), 3);
    EXPECT_EQ(table().SortField(), 6);
    EXPECT_EQ(cell(0, 6).trimmed(), "ADAMS");
    EXPECT_TRUE(box("Stime").startsWith(QStringLiteral("23:58:0"))) << box("Stime").toStdString();
    EXPECT_EQ(box("Sdate"), QStringLiteral("29/02/16"));
    EXPECT_FALSE(window->link().CountMode());
    EXPECT_TRUE(window->seam().texts().isEmpty() || window->seam().lastText() != QStringLiteral("Failed to get all data"));
}

TEST_F(EventsPageTest, SaveAsWritesHeaderLinesAndTheTableInItsSortOrder)
{
    unit.setEvents(threeEvents());
    unit.setClock(QDateTime(QDate(2015, 12, 25), QTime(14, 10, 30)));
    logOn();
    downLoad();
    clickTitle(1); // RoomNumber: "12" < "204" < "7"
    const QString path = dir.filePath(QStringLiteral("Events.Evt"));
    window->seam().queueFileName(path);
    action("SaveAs")->trigger();
    ASSERT_FALSE(window->seam().fileRequests().isEmpty());
    const porv::FileDialogRequest request = window->seam().fileRequests().last();
    EXPECT_EQ(request.defaultExtension, QStringLiteral("Evt"));
    EXPECT_EQ(request.fileName, QStringLiteral("Events"));
    EXPECT_EQ(request.filter, QStringLiteral("PortavelEvents(*.Evt)|*.Evt|All Files (*.*)|*.*"));

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], "Portavel time when saved was: " + box("Stime").toLatin1() + "  25/12/15\r");
    EXPECT_TRUE(lines[0].startsWith("Portavel time when saved was: 14:10:3"));
    EXPECT_EQ(lines[1], "Current time when Loaded was: 14:11:02  25/12/2015\r");
    EXPECT_EQ(lines[2], "Event,RoomNumber,Date,Time,RlyNo,Source,Client\r");
    EXPECT_EQ(lines[3], "2,12,25/12/15,15:00:00,2,Remote,BROOKS          \r");
    EXPECT_EQ(lines[4], "1,204,25/12/15,14:05:30,1,local,SMITH J         \r");
    EXPECT_EQ(lines[5], "3,7,26/12/15,08:30:00,1,RF-ID,ADAMS           \r");
    EXPECT_EQ(lines.size(), 7); // the last line ends with CR LF
}

TEST_F(EventsPageTest, SetTimeSendsThePcClockAndTheNextDownLoadShowsIt)
{
    unit.setEvents(threeEvents());
    logOn();
    downLoad();
    const QString before = box("Stime");
    page->SetLocalClock([] { return QDateTime(QDate(2016, 3, 7), QTime(9, 5, 3)); });
    Click(pageButton("Set_time"));
    ASSERT_TRUE(WaitFor([&] { return unit.commandCount("tset") == 1; }));
    EXPECT_EQ(unit.lastCommands().last(), "t030509070316");
    EXPECT_EQ(window->statusText(1), QStringLiteral("t030509070316"));
    EXPECT_EQ(box("Stime"), before); // the boxes keep the last download's values
    downLoad();
    EXPECT_TRUE(box("Stime").startsWith(QStringLiteral("09:05:0"))) << box("Stime").toStdString();
    EXPECT_EQ(box("Sdate"), QStringLiteral("07/03/16"));
    EXPECT_EQ(box("Ctime"), QStringLiteral("09:05:03"));
}

TEST_F(EventsPageTest, DownLoadClickedDuringADownLoadIsIgnored)
{
    unit.setEvents(threeEvents());
    logOn();
    // The second click comes while the first download waits for the log.
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, page, [this](const QByteArray &line) {
        if (line == "e")
            Click(pageButton("dnLoad"));
    });
    downLoad();
    EXPECT_EQ(unit.commandCount("e"), 1);
    EXPECT_EQ(unit.commandCount("t"), 1);
    expectRowsMatch(threeEvents());
}

TEST_F(EventsPageTest, LogOffDuringADownLoadLeavesTheLampOffLine)
{
    unit.setEvents(threeEvents());
    logOn();
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, page, [this](const QByteArray &line) {
        if (line == "e")
            QTimer::singleShot(0, window.get(), [this] { window->OnLine1Click(); });
    });
    downLoad();
    ASSERT_FALSE(window->link().LoggedOn());
    EXPECT_EQ(window->ledImage(), 22);
    EXPECT_FALSE(window->link().CountMode());
}

TEST_F(EventsPageTest, ClockThatIsNotHexKeepsTheEventsAndSaysSoOnce)
{
    unit.setEvents(threeEvents());
    unit.faults().clockReply = "1E0A0E19XC0F";
    logOn();
    window->seam().clearTexts();
    downLoad();
    expectRowsMatch(threeEvents());
    EXPECT_EQ(box("Stime"), QString());
    EXPECT_EQ(box("Sdate"), QString());
    EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("The unit's clock could not be read.")});
    EXPECT_TRUE(window->EventsLoaded);
}

TEST_F(EventsPageTest, ClosingLineOfAnyLengthAndOkAloneEndTheLog)
{
    unit.setEvents(threeEvents());
    unit.faults().eventLogClosing = "End of event log: 3 record(s) OK";
    logOn();
    window->seam().clearTexts();
    downLoad();
    expectRowsMatch(threeEvents());
    EXPECT_TRUE(window->EventsLoaded);

    unit.setEvents({});
    unit.faults().eventLogClosing.clear();
    unit.faults().eventLogWithoutFirstLine = true;
    downLoad();
    EXPECT_TRUE(table().IsOpen());
    EXPECT_EQ(table().RecordCount(), 0);
    EXPECT_NE(window->link().ReceiveView(), "Failed to get all data");
    EXPECT_TRUE(window->seam().texts().isEmpty());
}

TEST_F(EventsPageTest, EventsPastTheLastNumberAreCountedOut)
{
    unit.setEvents(threeEvents());
    unit.faults().eventLogCopies = 10923; // 32769 events
    logOn();
    window->seam().clearTexts();
    downLoad();
    EXPECT_EQ(table().RecordCount(), 32767);
    EXPECT_EQ(cell(32766, 0), "32767");
    EXPECT_EQ(window->seam().texts(), QStringList{QStringLiteral("2 events after the first 32767 were left out.")});
}
