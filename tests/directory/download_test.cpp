// GetData against the simulated unit over UDP, and the phone list file
// commands of the page.
#include <QDir>
#include <QFile>
#include <QTimer>

#include "codecs.h"
#include "directory_page_fixture.h"
#include "failures.h"
#include "tablecsv.h"

using namespace dirtest;
using shelltest::Click;

using DownloadTest = DirectoryPageTest;

TEST_F(DownloadTest, AnEmptyUnitGivesAnEmptySyncedTable)
{
    loggedOn(qx4::Model::Qx4_1000, 0);
    table().AppendRecord({"OLD ENTRY", "1"});
    ASSERT_FALSE(page().State().DirectorySynced);
    EXPECT_FALSE(control<QCheckBox>("WrtChg")->isEnabled());
    EXPECT_TRUE(control<QCheckBox>("WrtChg")->isChecked());

    clickGetData();

    EXPECT_EQ(unit.commandCount("d"), 1);
    EXPECT_EQ(unit.lastCommands().contains("d01281152"), true);
    EXPECT_EQ(table().RecordCount(), 0);
    EXPECT_TRUE(page().State().DirectorySynced);
    EXPECT_FALSE(page().State().DirectoryBusy);
    EXPECT_TRUE(control<QCheckBox>("WrtChg")->isEnabled());
    EXPECT_FALSE(window->link().CountMode());
    EXPECT_TRUE(window->seam().texts().isEmpty()) << window->seam().texts().join(QStringLiteral(" / ")).toStdString();
    // The final steps: transfer window hidden, lamp on line, keep-alive running.
    EXPECT_FALSE(window->transferForm().isVisible());
    EXPECT_EQ(window->ledImage(), 21);
    EXPECT_EQ(window->statusText(0), QStringLiteral("Done"));
}

TEST_F(DownloadTest, ThreeRecordsArriveInTheUnitsOrderWithTheirFields)
{
    unit.setModel(qx4::Model::Qx4_1000);
    unit.eraseDirectory();
    ASSERT_TRUE(unit.setDirectoryRecord(UnitRecord(128, "SMITH J", "204", "0123456789<1", "1234")));
    ASSERT_TRUE(unit.setDirectoryRecord(UnitRecord(129, "adams", "12", "0123<4")));
    // A name with a comma, as earlier tools wrote it: the name is the line's last item.
    ASSERT_TRUE(unit.setDirectoryRecord(UnitRecord(131, "Baker, X", "7", ":12;")));
    loggedOnAsSeeded();
    fillTable({{"EDITED", "99", "", "", "", "", "ABCDEF0123", "1000"}});

    clickGetData();

    ASSERT_EQ(table().RecordCount(), 3);
    EXPECT_EQ(column("Name"), (QList<QByteArray>{"SMITH J", "adams", "Baker, X"}));
    EXPECT_EQ(column("RoomNumber"), (QList<QByteArray>{"204", "12", "7"}));
    EXPECT_EQ(column("PHnumber"), (QList<QByteArray>{"0123456789p1", "0123p4", "*12#"}));
    EXPECT_EQ(column("Code1"), (QList<QByteArray>{"1234", "1234", "1234"}));
    EXPECT_EQ(column("RFID"), (QList<QByteArray>{"", "", ""}));
    EXPECT_EQ(column("Addr"), (QList<QByteArray>{"1000", "1020", "1060"}));
    EXPECT_TRUE(page().State().DirectorySynced);
    // The boxes show the first record; the grid shows all three.
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("SMITH J"));
    EXPECT_EQ(box("RoomNumber")->text(), QStringLiteral("204"));
    EXPECT_EQ(box("PHnumber")->text(), QStringLiteral("0123456789p1"));
    EXPECT_EQ(control<QLabel>("recordno")->text(), QStringLiteral("1"));
    EXPECT_EQ(control<QLabel>("totrec")->text(), QStringLiteral("3"));
    EXPECT_EQ(page().DBGrid1()->model()->rowCount(), 3);
    EXPECT_EQ(page().DBGrid1()->currentIndex().row(), 0);
    // The receive view holds the dump.
    EXPECT_TRUE(window->link().ReceiveView().contains("SMITH J"));
}

TEST_F(DownloadTest, AThousandRecordsFillTheGridInTheUnitsOrder)
{
    loggedOn(qx4::Model::Qx4_1000, 1000);
    const QList<qx4::DirectoryRecord> held = unit.directoryRecords();
    ASSERT_EQ(held.size(), 1000);

    clickGetData();

    ASSERT_EQ(table().RecordCount(), 1000);
    EXPECT_EQ(page().DBGrid1()->model()->rowCount(), 1000);
    for (int i = 0; i < 1000; ++i) {
        const qx4::DirectoryRecord &r = held[i];
        ASSERT_EQ(table().RowText(i, 0), r.name) << i;
        ASSERT_EQ(table().RowText(i, 1), r.room) << i;
        ASSERT_EQ(table().RowText(i, 2), porv::DecodeDigits(r.phone)) << i;
        ASSERT_EQ(table().RowText(i, 7), QByteArray::number(r.address(), 16).toUpper()) << i;
    }
    EXPECT_TRUE(page().State().DirectorySynced);
    EXPECT_EQ(control<QLabel>("totrec")->text(), QStringLiteral("1000"));
}

TEST_F(DownloadTest, ANameHoldingOkDoesNotEndTheDump)
{
    unit.setModel(qx4::Model::Qx4_1000);
    unit.eraseDirectory();
    // 200 records, BROOKS and OKAFOR early; the unit sends the dump a line at
    // a time, slowly enough that the rest arrives well after the fixed wait.
    for (int i = 0; i < 200; ++i) {
        QByteArray name = "CLIENT " + QByteArray::number(i);
        if (i == 3)
            name = "BROOKS";
        if (i == 5)
            name = "OKAFOR A";
        ASSERT_TRUE(unit.setDirectoryRecord(UnitRecord(128 + i, name, QByteArray::number(100 + i))));
    }
    qx4::TimingSettings timing = unit.timing();
    timing.lineIntervalMs = 100; // 2 ms a line at the test time scale
    unit.setTiming(timing);
    loggedOnAsSeeded();

    clickGetData();

    ASSERT_EQ(table().RecordCount(), 200);
    EXPECT_EQ(table().RowText(3, 0), QByteArray("BROOKS"));
    EXPECT_EQ(table().RowText(5, 0), QByteArray("OKAFOR A"));
    EXPECT_EQ(table().RowText(199, 0), QByteArray("CLIENT 199"));
    EXPECT_TRUE(page().State().DirectorySynced);
    EXPECT_TRUE(window->seam().texts().isEmpty());
}

TEST_F(DownloadTest, ASilentUnitGivesCommunicationErrorAndAnEmptyTable)
{
    loggedOn(qx4::Model::Qx4_1000, 20);
    fillTable({{"KEPT?", "1"}});
    unit.faults().silent = true;

    clickGetData();

    EXPECT_TRUE(window->seam().texts().contains(QStringLiteral("communication error")));
    EXPECT_EQ(window->seam().texts().size(), 1);
    EXPECT_EQ(table().RecordCount(), 0);
    EXPECT_FALSE(page().State().DirectorySynced);
    EXPECT_FALSE(control<QCheckBox>("WrtChg")->isEnabled());
    EXPECT_FALSE(page().State().DirectoryBusy);
    EXPECT_FALSE(window->link().CountMode());
}

TEST_F(DownloadTest, AUnitThatBreaksOffMidDumpLeavesTheTableUnsynced)
{
    loggedOn(qx4::Model::Qx4_1000, 100);
    qx4::TimingSettings timing = unit.timing();
    timing.lineIntervalMs = 5;
    unit.setTiming(timing);
    unit.repairLink();
    unit.faults().breakAfterLines = 41; // the first line and 40 records

    clickGetData();

    EXPECT_TRUE(window->seam().texts().contains(QStringLiteral("communication error")));
    EXPECT_EQ(table().RecordCount(), 40);
    EXPECT_EQ(table().RowText(39, 7), QByteArray::number(0x1000 + 39 * 32, 16).toUpper());
    EXPECT_FALSE(page().State().DirectorySynced);
    EXPECT_FALSE(control<QCheckBox>("WrtChg")->isEnabled());
}

TEST_F(DownloadTest, ADumpWithoutItsClosingLineIsReportedAndNotSynced)
{
    // A unit that keeps talking past the budget never idles: the wait ends
    // on the budget, and the closing line never came.
    loggedOn(qx4::Model::Qx4_1000, 5);
    porv::Link &link = window->link();
    // A chatty source on the link: a partial record line every few ms.
    QTimer chatter;
    int ticks = -1; // counts from the dump command on
    QObject::connect(&link, &porv::Link::commandShown, &link, [&ticks](const QByteArray &text) {
        if (text.startsWith("d0128"))
            ticks = 0;
    });
    QObject::connect(&chatter, &QTimer::timeout, &link, [&link, &ticks] {
        if (ticks < 0 || ++ticks < 3)
            return;
        link.ReceiveText(ticks == 3 ? QByteArray("d01281152\r\n1000,204,1234,,,0123456789??????,SMITH J\r\n")
                                    : QByteArray("1"));
    });
    unit.faults().silent = true;
    chatter.start(1);
    clickGetData();
    chatter.stop();

    EXPECT_FALSE(window->seam().texts().contains(QStringLiteral("communication error")));
    ASSERT_EQ(window->seam().texts().size(), 1);
    EXPECT_TRUE(window->seam().texts().first().startsWith(QStringLiteral("The phone list did not arrive complete.")));
    EXPECT_FALSE(page().State().DirectorySynced);
    // The complete record line counts; the line still being received does not.
    ASSERT_EQ(table().RecordCount(), 1);
    EXPECT_EQ(table().RowText(0, 0), QByteArray("SMITH J"));
}

TEST_F(DownloadTest, ASecondClickDuringTheDownloadIsIgnored)
{
    // The dump comes a line at a time; the user clicks GetData again while it
    // is still arriving. A second dump inside the first would read the tail of
    // the first as a whole directory.
    unit.setModel(qx4::Model::Qx4_1000);
    unit.eraseDirectory();
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(unit.setDirectoryRecord(UnitRecord(128 + i, "CLIENT " + QByteArray::number(i),
                                                       QByteArray::number(100 + i))));
    qx4::TimingSettings timing = unit.timing();
    timing.lineIntervalMs = 100; // 2 ms a line at the test time scale
    unit.setTiming(timing);
    loggedOnAsSeeded();
    porv::Link &link = window->link();
    bool clickedAgain = false;
    // Once part of the dump is in, click again (from inside the wait, as the
    // unit sends its next line).
    const QMetaObject::Connection again = QObject::connect(&unit, &qx4::SimulatedUnit::send, &link, [&] {
        if (clickedAgain || link.LineCount() < 20)
            return;
        clickedAgain = true;
        Click(pushButton("GetData"));
    });

    clickGetData();
    QObject::disconnect(again);

    ASSERT_TRUE(clickedAgain);
    EXPECT_EQ(unit.commandCount("d"), 1);
    ASSERT_EQ(table().RecordCount(), 200);
    EXPECT_EQ(table().RowText(0, 0), QByteArray("CLIENT 0"));
    EXPECT_EQ(table().RowText(199, 0), QByteArray("CLIENT 199"));
    EXPECT_TRUE(page().State().DirectorySynced);
    EXPECT_FALSE(page().State().DirectoryBusy);
    EXPECT_FALSE(link.CountMode());
    EXPECT_TRUE(window->seam().texts().isEmpty());
}

TEST_F(DownloadTest, LogOffDuringTheDumpEndsTheWaitQuietly)
{
    loggedOn(qx4::Model::Qx4_1000, 100);
    qx4::TimingSettings timing = unit.timing();
    timing.lineIntervalMs = 100;
    unit.setTiming(timing);
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, window.get(), [this](const QByteArray &line) {
        if (line.startsWith("d0128"))
            QTimer::singleShot(0, window.get(), [this] { window->OnLine1Click(); });
    });

    clickGetData();

    ASSERT_FALSE(window->link().LoggedOn());
    EXPECT_TRUE(window->seam().texts().isEmpty()) << window->seam().texts().join(QStringLiteral(" / ")).toStdString();
    EXPECT_EQ(window->ledImage(), 22);
    EXPECT_FALSE(page().State().DirectorySynced);
}

TEST_F(DownloadTest, TheGridShowsItsFiveColumnsAtTheirWidths)
{
    loggedOn(qx4::Model::Qx4_1000, 3);
    clickGetData();
    QTableView *grid = page().DBGrid1();
    ASSERT_EQ(grid->model()->columnCount(), 8);
    const int widths[5] = {130, 95, 130, 50, 50};
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(grid->isColumnHidden(i)) << i;
        EXPECT_EQ(grid->columnWidth(i), widths[i]) << i;
    }
    for (int i = 5; i < 8; ++i)
        EXPECT_TRUE(grid->isColumnHidden(i)) << i;
    EXPECT_EQ(grid->width(), 494);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    // The code columns in olive while global gate codes are in use.
    page().ShowCodeColumns(true);
    EXPECT_EQ(grid->model()->index(0, 3).data(Qt::ForegroundRole).value<QColor>(), QColor(128, 128, 0));
    EXPECT_FALSE(grid->model()->index(0, 0).data(Qt::ForegroundRole).isValid());
    page().ShowCodeColumns(false);
    EXPECT_FALSE(grid->model()->index(0, 3).data(Qt::ForegroundRole).isValid());
}

// --- the phone list file ----------------------------------------------------------

TEST_F(DownloadTest, SaveThenOpenGivesBackTheSameTable)
{
    loggedOn(qx4::Model::Qx4_1000, 50);
    clickGetData();
    ASSERT_EQ(table().RecordCount(), 50);
    // A name that holds a comma and a per cent sign survives.
    table().SetPosition(2);
    table().Edit();
    table().SetFieldText("Name", "LEE, 50%");
    table().Post();
    const QByteArray before = porv::TableCsvBytes(table());

    const QString path = dir.filePath(QStringLiteral("list.csv"));
    window->seam().queueFileName(path);
    window->PHButClick();
    window->SaveAsClick();
    EXPECT_EQ(box("DBFiles")->text(), path);
    ASSERT_EQ(window->seam().fileRequests().size(), 1);
    EXPECT_EQ(window->seam().fileRequests()[0].fileName, QStringLiteral("PorvPhList.csv"));
    EXPECT_EQ(window->seam().fileRequests()[0].defaultExtension, QStringLiteral("csv"));
    EXPECT_EQ(window->seam().fileRequests()[0].filter, QStringLiteral("Portavel (*.csv)|*.csv|All Files (*.*)|*.*"));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), before);
    saved.close();

    window->FileNew1Execute();
    EXPECT_EQ(table().RecordCount(), 0);
    window->seam().queueFileName(path);
    window->FileOpen1Execute();
    EXPECT_EQ(porv::TableCsvBytes(table()), before);
    EXPECT_EQ(table().Position(), 1);
    EXPECT_FALSE(page().State().DirectorySynced);
    EXPECT_FALSE(page().State().DirectoryBusy);
    EXPECT_TRUE(page().State().ShowRecordEnabled);
    EXPECT_EQ(box("Namef")->text(), QString::fromLatin1(table().RowText(0, 0)));
    EXPECT_TRUE(window->SaveAllowed);

    // Save writes to the name in DBFiles without a dialog.
    table().AppendRecord({"NEW ONE", "5"});
    window->FileSave1Execute();
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), porv::TableCsvBytes(table()));
}

TEST_F(DownloadTest, AFailedOpenLeavesThePageWorking)
{
    makeWindow();
    fillTable({{"A", "1"}, {"B", "2"}});
    const QString before = box("DBFiles")->text();
    window->seam().queueFileName(dir.filePath(QStringLiteral("missing.csv")));
    EXPECT_THROW(page().FileOpen(), porv::FileError);
    // The next Save goes where it went before, not to the file that failed.
    EXPECT_EQ(box("DBFiles")->text(), before);
    EXPECT_FALSE(page().State().DirectoryBusy);
    EXPECT_TRUE(page().State().ShowRecordEnabled);
    EXPECT_EQ(table().RecordCount(), 0);
    // The boxes follow the table again.
    table().AppendRecord({"C", "3"});
    EXPECT_EQ(box("Namef")->text(), QStringLiteral("C"));
}

TEST_F(DownloadTest, AnEmptyListReplacesAPhoneListFileOnlyOnYes)
{
    const QString path = dir.filePath(QStringLiteral("PorvPhList.csv"));
    const QByteArray held = "Name,RoomNumber,PHnumber,Code1,Code2,spare,RFID,Addr\r\nSMITH J,204,,,,,,1000\r\n";
    auto fileBytes = [&path] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(held);
    }
    makeWindow(); // DBFiles names that file
    const QString question = QStringLiteral("Replace %1 with an empty list?").arg(box("DBFiles")->text());

    window->FileSave1Execute(); // unanswered: No
    EXPECT_EQ(window->seam().texts(), QStringList{question});
    EXPECT_EQ(fileBytes(), held);
    window->seam().queueFileName(path);
    window->SaveAsClick();
    EXPECT_EQ(fileBytes(), held);
    EXPECT_EQ(window->seam().texts().size(), 2);

    window->seam().queueAnswer(true);
    window->FileSave1Execute();
    EXPECT_EQ(fileBytes(), QByteArray("Name,RoomNumber,PHnumber,Code1,Code2,spare,RFID,Addr\r\n"));
    window->FileSave1Execute(); // a file without records: no question
    EXPECT_EQ(window->seam().texts().size(), 3);
}

TEST_F(DownloadTest, OpeningAPhoneListShowsTheGlobalCodesState)
{
    const QString path = dir.filePath(QStringLiteral("list.csv"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Name,RoomNumber\r\nSMITH J,204\r\n");
    }
    makeWindow();
    QWidget *label47 = control("Label47");
    QWidget *codeG1 = control("code_g1");
    ASSERT_TRUE(label47 && codeG1 && control("code_g2"));
    ASSERT_TRUE(label47->isHidden());

    window->seam().queueFileName(path);
    window->FileOpen1Execute();

    ASSERT_EQ(table().RecordCount(), 1);
    // "Use Global Gate Codes" is unchecked: the note shows, the codes are olive.
    EXPECT_FALSE(label47->isHidden());
    EXPECT_EQ(codeG1->palette().color(QPalette::Text), QColor(128, 128, 0));
    EXPECT_EQ(control("code_g2")->palette().color(QPalette::Text), QColor(128, 128, 0));
}

TEST_F(DownloadTest, TheFileCommandsAndTransferButtonsWaitForATransfer)
{
    unit.setModel(qx4::Model::Qx4_1000);
    unit.eraseDirectory();
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(unit.setDirectoryRecord(UnitRecord(128 + i, "CLIENT " + QByteArray::number(i),
                                                       QByteArray::number(100 + i))));
    qx4::TimingSettings timing = unit.timing();
    timing.lineIntervalMs = 100;
    unit.setTiming(timing);
    loggedOnAsSeeded();
    const char *const held[] = {"FileNew1", "FileOpen1", "FileSave1", "SaveAs"};
    auto heldEnabled = [&] {
        QList<bool> out;
        for (const char *name : held)
            out.append(action(name)->isEnabled());
        out.append(pushButton("GetData")->isEnabled());
        out.append(pushButton("WriteData")->isEnabled());
        return out;
    };
    const QList<bool> before = heldEnabled();
    ASSERT_EQ(before, (QList<bool>{true, true, true, true, true, true}));
    // Looked at from inside the transfer's waits, as the unit sends a line or
    // takes a record (so on any machine, however busy); the page command there
    // must not give the File commands back early.
    QList<QList<bool>> during;
    bool looking = false;
    const auto look = [&] {
        porv::Link &link = window->link();
        if (!looking || (link.CountMode() ? link.LineCount() < 20 : unit.commandCount("b") == 0))
            return;
        window->PHButClick();
        during.append(heldEnabled());
        looking = false;
    };
    QObject::connect(&unit, &qx4::SimulatedUnit::send, window.get(), look);
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, window.get(), look);
    looking = true;
    clickGetData();
    EXPECT_EQ(heldEnabled(), before);
    unit.setTiming(qx4::TimingSettings());
    looking = true;
    clickWriteData();
    looking = false;

    ASSERT_EQ(during.size(), 2);
    for (const QList<bool> &d : during)
        EXPECT_EQ(d, (QList<bool>{false, false, false, false, false, false}));
    EXPECT_EQ(heldEnabled(), before);
}

TEST_F(DownloadTest, FileNewPutsTheDefaultNameInDBFiles)
{
    makeWindow();
    window->FileNew1Execute();
    EXPECT_TRUE(box("DBFiles")->text().endsWith(QStringLiteral("PorvPhList.csv")));
    EXPECT_TRUE(box("DBFiles")->text().startsWith(QDir::toNativeSeparators(QDir::currentPath())));
    EXPECT_TRUE(table().IsOpen());
    EXPECT_EQ(table().FieldCount(), 8);
}
