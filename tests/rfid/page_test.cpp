// The RFid_SU page of the real window, logged on to the simulated unit over
// the network link (UDP port 8000 on loopback): download and binding, Write
// All, erase, capture with its countdown, Up Date, Del and the page resets.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>

#include "codecs.h"
#include "delay.h"
#include "directorypage.h"
#include "link.h"
#include "link_test_access.h"
#include "memtable.h"
#include "rfidpage.h"
#include "shell_fixture.h"
#include "unit_seed.h"

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << '"' << b.toStdString() << '"'; }

using namespace shelltest;

// The capture's countdown lasts twenty seconds of ticks; a wait for its end
// allows that at the test's tick scale (longer under the sanitizers), twice over.
// How long a test waits at most for a capture's countdown (20 seconds of
// Timer3) or what follows it: on a busy machine the timer fires late, and the
// wait ends as soon as what it waits for holds.
static int CountdownMs() { return int(2 * 20000 * porv::TickScale()) + 60000; }

namespace {

const QString kReplace = QStringLiteral("Erase all RFID's in Portavel and replace them with this data?");
const QString kErase = QStringLiteral("Erase all RFID's in Portavel?");

enum Field { Name, Room, Phone, Code1, Code2, Spare, Rfid, Addr };

// Unit nibble characters packed two to a byte, as the unit keeps them.
QByteArray packed(const QByteArray &chars)
{
    QByteArray out;
    for (int i = 0; i + 1 < chars.size(); i += 2)
        out.append(char((porv::NibbleValue(chars.at(i)) << 4) | porv::NibbleValue(chars.at(i + 1))));
    return out;
}

class RfidPageTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ports = QStringList{QStringLiteral("ttyS9")};
    }

    void logOn(int records = 0)
    {
        qx4::SeedOptions seed;
        seed.records = records;
        seed.events = 0;
        seed.tags = 0;
        qx4::seedUnit(unit, seed);
        logOnOverUdp();
        if (HasFatalFailure())
            return;
        window->RFbuttClick();
        unit.resetCounts();
    }

    porv::DirectoryPage &directory() const
    {
        return *window->hostedPage<porv::DirectoryPage>();
    }
    porv::RfidPage &page() const
    {
        return *window->hostedPage<porv::RfidPage>();
    }
    porv::MemTable &table() const { return directory().DirectoryTable(); }
    QByteArray cell(int row, Field f) const { return table().RowText(row, f); }
    void add(const QByteArray &name, const QByteArray &room, const QByteArray &addr, const QByteArray &rfid = {})
    {
        table().AppendRecord({name, room, "0123", "1111", "", "", rfid, addr});
    }

    template <typename T> T *control(const char *name) const
    {
        T *c = window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QPushButton *pageButton(const char *name) const { return control<QPushButton>(name); }
    QString text(const char *name) const
    {
        if (auto *box = window->findChild<QLineEdit *>(QLatin1String(name)))
            return box->text();
        return control<QLabel>(name)->text();
    }
    QStringList messages() const { return window->seam().texts(); }

    // The unit reads a tag while a capture waits.
    void capture(const QByteArray &code, bool badCheck)
    {
        Click(pageButton("Get_ID"));
        ASSERT_EQ(text("iderror"), QStringLiteral("Ready"));
        ASSERT_TRUE(page().Capturing());
        ASSERT_TRUE(unit.presentTag(code, badCheck));
        ASSERT_TRUE(WaitFor([this] { return !page().Capturing(); }, CountdownMs()));
    }
};

} // namespace

// --- download -----------------------------------------------------------------------------

TEST_F(RfidPageTest, PageShowsTheTableAndItsBoxes)
{
    logOn();
    EXPECT_TRUE(pageButton("download_id")->isEnabled());
    EXPECT_TRUE(pageButton("writeall_id")->isEnabled());
    EXPECT_TRUE(pageButton("Get_ID")->isEnabled());
    EXPECT_TRUE(pageButton("Button3")->isEnabled());
    QTableView *grid = page().DBGrid3();
    EXPECT_EQ(grid->objectName(), QStringLiteral("DBGrid3"));
    add("SMITH J", "204", "1000", "ABCDEF0123");
    table().First();
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        const bool shown = c == Name || c == Room || c == Rfid;
        EXPECT_EQ(!grid->isColumnHidden(c), shown) << c;
    }
    EXPECT_EQ(text("rfName"), QStringLiteral("SMITH J"));
    EXPECT_EQ(text("rfRoom"), QStringLiteral("204"));
    EXPECT_EQ(text("rfID"), QStringLiteral("ABCDEF0123"));
    EXPECT_TRUE(page().isAncestorOf(control<QLineEdit>("rfID")));
}

TEST_F(RfidPageTest, DownloadDecodesEntriesAndSkipsEmptyOnes)
{
    logOn();
    // Block 1408: room 123 with code ":;<=>?0123", an entry without room, an
    // entry whose code starts with "?", and room 456789 with "1?3?5?7?9?".
    unit.setBlock(1408, packed("123???:;<=>?0123" "??????0123456789" "45??????????????" "4567891?3?5?7?9?"));
    add("A", "123", "1000", "7777777777");
    Click(pageButton("download_id"));
    EXPECT_EQ(unit.commandCount("s"), 1);
    ASSERT_EQ(table().RecordCount(), 2);
    EXPECT_EQ(cell(0, Rfid), "ABCDEF0123");
    EXPECT_EQ(cell(1, Room), "456789");
    EXPECT_EQ(cell(1, Rfid), "1F3F5F7F9F");
    EXPECT_TRUE(messages().isEmpty());
    // The first record is current; the boxes follow it again.
    EXPECT_EQ(table().Position(), 1);
    EXPECT_EQ(text("rfID"), QStringLiteral("ABCDEF0123"));
    EXPECT_FALSE(window->link().CountMode());
    EXPECT_FALSE(directory().State().DirectoryBusy);
    EXPECT_TRUE(window->findChild<QTimer *>(QStringLiteral("Timer2"))->isActive());
}

TEST_F(RfidPageTest, TwoRecordsOfRoom12TakeTwoOfThreeTagsAndANewRecordTheThird)
{
    logOn();
    unit.setTagEntries({{"12", "0000000001"}, {"12", "0000000002"}, {"12", "0000000003"}});
    add("A", "12", "1000");
    add("X", "14", "1020", "5555555555");
    add("B", "12", "1040");
    Click(pageButton("download_id"));
    ASSERT_EQ(table().RecordCount(), 4);
    EXPECT_EQ(cell(0, Rfid), "0000000001");
    EXPECT_EQ(cell(1, Rfid), ""); // codes no longer in the unit disappear
    EXPECT_EQ(cell(2, Rfid), "0000000002");
    EXPECT_EQ(cell(3, Room), "12");
    EXPECT_EQ(cell(3, Rfid), "0000000003");
    EXPECT_EQ(cell(3, Addr), "p4");
    EXPECT_EQ(page().DBGrid3()->model()->rowCount(), 4);
}

TEST_F(RfidPageTest, TagForAnUnknownRoomCreatesARecord)
{
    logOn();
    unit.setTagEntries({{"909", "0A0B0C0D0E"}});
    add("A", "12", "1000");
    Click(pageButton("download_id"));
    ASSERT_EQ(table().RecordCount(), 2);
    EXPECT_EQ(cell(1, Room), "909");
    EXPECT_EQ(cell(1, Rfid), "0A0B0C0D0E");
    EXPECT_EQ(cell(1, Name), "");
    EXPECT_EQ(cell(1, Phone), "");
    EXPECT_EQ(cell(1, Addr), "p2");
}

TEST_F(RfidPageTest, SilentUnitGivesCommunicationErrorAndKeepsTheCodes)
{
    logOn();
    add("A", "12", "1000", "7777777777");
    unit.faults().silent = true;
    Click(pageButton("download_id"));
    EXPECT_EQ(messages(), QStringList{QStringLiteral("communication error")});
    EXPECT_EQ(cell(0, Rfid), "7777777777");
    EXPECT_FALSE(directory().State().DirectoryBusy);
    EXPECT_FALSE(window->link().CountMode());
}

// --- write all ---------------------------------------------------------------------------------

TEST_F(RfidPageTest, WriteAllOfFiveRecordsThenDownloadBindsThemBack)
{
    logOn();
    const QList<QByteArray> rooms = {"101", "102", "103", "104", "105"};
    const QList<QByteArray> codes = {"ABCDEF0123", "0000000002", "1111111111", "2222222222", "3C3C3C3C3C"};
    for (int i = 0; i < 5; ++i)
        add("N" + QByteArray::number(i), rooms[i], QByteArray::number(0x1000 + 32 * i, 16), codes[i]);
    add("NoTag", "106", "10A0");
    window->seam().queueAnswer(true);
    Click(pageButton("writeall_id"));
    EXPECT_EQ(messages(), QStringList{kReplace});
    EXPECT_EQ(unit.commandCount("c"), 1);
    EXPECT_EQ(unit.commandCount("g"), 2);
    // Block 1408 holds four entries, 1409 one entry and 48 "?".
    EXPECT_EQ(unit.block(1408), packed("101???:;<=>?0123" "102???0000000002" "103???1111111111" "104???2222222222"));
    EXPECT_EQ(unit.block(1409), packed("105???3<3<3<3<3<" + QByteArray(48, '?')));
    EXPECT_EQ(unit.block(1410), QByteArray(32, '\xff'));

    // The codes come back to the same records.
    for (int i = 0; i < table().RecordCount(); ++i) {
        table().SetPosition(i + 1);
        table().Edit();
        table().SetFieldText("RFID", "");
        table().Post();
    }
    Click(pageButton("download_id"));
    ASSERT_EQ(table().RecordCount(), 6);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(cell(i, Rfid), codes[i]) << i;
    EXPECT_EQ(cell(5, Rfid), "");
}

TEST_F(RfidPageTest, NineCharacterCodeStopsWriteAllBeforeAnythingIsSent)
{
    logOn();
    add("A", "1", "1000", "0000000001");
    add("B", "2", "1020", "000000002");
    add("C", "3", "1040", "0000000003");
    table().First();
    Click(pageButton("writeall_id"));
    EXPECT_EQ(messages(), QStringList{QStringLiteral(
                              "Note, the current record has\r\nincorrect RFID data format.\r\nrescan or erase the code.")});
    EXPECT_EQ(table().Position(), 2);
    EXPECT_EQ(text("rfName"), QStringLiteral("B"));
    Pump(30);
    EXPECT_TRUE(unit.commandCounts().isEmpty());
}

TEST_F(RfidPageTest, FiveHundredThirteenTagsGiveTheLimitMessageAfterBlock1535)
{
    logOn();
    table().SuspendDisplay();
    for (int i = 0; i < 513; ++i)
        add("", QByteArray::number(1000 + i), "", QByteArray::number(2000000000 + i));
    table().ResumeDisplay();
    window->seam().queueAnswer(true);
    Click(pageButton("writeall_id"));
    EXPECT_EQ(messages(), (QStringList{kReplace, QStringLiteral("NB could not save all codes\r\nMaximum is 512 RF-ID's.")}));
    EXPECT_EQ(page().LastWriteAll().blocks, 128);
    const auto entries = unit.tagEntries();
    ASSERT_EQ(entries.size(), 512);
    EXPECT_EQ(entries.last().room, "1511");
    EXPECT_EQ(entries.last().code, "2000000511");
    EXPECT_FALSE(directory().State().DirectoryBusy);
}

TEST_F(RfidPageTest, BlockRefusedThreeTimesBringsTheErrorMessage)
{
    logOn();
    for (int i = 0; i < 6; ++i)
        add("", QByteArray::number(10 + i), "", QByteArray::number(3000000000LL + i));
    unit.faults().gError.count = -1;
    unit.faults().gError.blocks = {1409};
    window->seam().queueAnswer(true);
    Click(pageButton("writeall_id"));
    EXPECT_EQ(messages(), (QStringList{kReplace, QStringLiteral("there was an error saving the codes,\r\nPlease try again")}));
    EXPECT_EQ(unit.tagEntries().size(), 4);
}

TEST_F(RfidPageTest, EraseClearsTheUnitsListAndLeavesTheTable)
{
    logOn();
    unit.setTagEntries({{"1", "0000000001"}});
    add("A", "1", "1000", "0000000001");
    window->seam().queueAnswer(true);
    Click(pageButton("Button3"));
    ASSERT_TRUE(WaitFor([this] { return unit.tagEntries().isEmpty(); }));
    EXPECT_EQ(cell(0, Rfid), "0000000001");
    EXPECT_EQ(messages(), QStringList{kErase});
}

// --- capture -------------------------------------------------------------------------------

TEST_F(RfidPageTest, GoodCheckPairPutsTheCodeIntoRfID)
{
    logOn();
    capture("12345ABCDE", false);
    EXPECT_EQ(text("rfID"), QStringLiteral("12345ABCDE"));
    EXPECT_EQ(text("iderror"), QStringLiteral("Ready"));
    EXPECT_EQ(control<QProgressBar>("ProgressBar1")->value(), 0);
    EXPECT_FALSE(control<QLabel>("Lc_exist")->isVisibleTo(window.get()));
    EXPECT_EQ(unit.commandCounts().value("prompt"), 0); // nothing was asked of the unit
}

TEST_F(RfidPageTest, BadCheckPairGivesReadError)
{
    logOn();
    capture("12345ABCDE", true);
    EXPECT_EQ(text("rfID"), QString());
    EXPECT_EQ(text("iderror"), QStringLiteral("Read Error, Try Again"));
}

TEST_F(RfidPageTest, CodeAlreadyHeldShowsTheMatchNoteAndStillGoesIntoRfID)
{
    logOn();
    add("A", "10", "1000", "0000000001");
    add("B", "12", "1020", "00000A0B0C");
    add("C", "14", "1040");
    table().SetPosition(3);
    capture("00000A0B0C", false);
    auto *note = control<QLabel>("Lc_exist");
    EXPECT_TRUE(note->isVisibleTo(window.get()));
    EXPECT_EQ(note->text(), QStringLiteral("Note, This record matches room 12"));
    EXPECT_EQ(text("rfID"), QStringLiteral("00000A0B0C"));
    // The current record stays where it was.
    EXPECT_EQ(table().Position(), 3);
    EXPECT_EQ(text("rfName"), QStringLiteral("C"));
    // Another record becoming current hides the note.
    table().First();
    EXPECT_FALSE(note->isVisibleTo(window.get()));
}

TEST_F(RfidPageTest, CountdownRunsOutQuietlyWithReadyRemaining)
{
    logOn();
    Click(pageButton("Get_ID"));
    auto *bar = control<QProgressBar>("ProgressBar1");
    EXPECT_EQ(bar->value(), 20);
    ASSERT_TRUE(WaitFor([bar] { return bar->value() < 20; }));
    ASSERT_TRUE(WaitFor([this] { return !page().Capturing(); }, CountdownMs()));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(text("iderror"), QStringLiteral("Ready"));
    EXPECT_FALSE(window->findChild<QTimer *>(QStringLiteral("Timer3"))->isActive());
}

TEST_F(RfidPageTest, KeepAliveIsHeldOffWhileTheCaptureWaits)
{
    logOn();
    // Close to the keep-alive's fifteen seconds when the capture starts.
    porv::test::LinkTestAccess::SetKeepAliveCount(window->link(), 14);
    Click(pageButton("Get_ID"));
    // The whole countdown passes without a prompt or a false read.
    ASSERT_TRUE(WaitFor([this] { return !page().Capturing(); }, CountdownMs()));
    EXPECT_EQ(unit.commandCounts().value("prompt"), 0);
    EXPECT_EQ(text("iderror"), QStringLiteral("Ready"));
    // Afterwards the keep-alive runs again, counting from zero.
    EXPECT_TRUE(window->findChild<QTimer *>(QStringLiteral("Timer2"))->isActive());
    ASSERT_TRUE(WaitFor([this] { return unit.commandCounts().value("prompt") > 0; }, CountdownMs()));
    EXPECT_TRUE(window->link().LoggedOn());
}

// --- record commands ---------------------------------------------------------------------------

TEST_F(RfidPageTest, UpDateStoresTheCodeOfRfIDInTheCurrentRecord)
{
    logOn();
    add("A", "10", "1000");
    add("B", "12", "1020");
    table().SetPosition(2);
    control<QLineEdit>("rfID")->setText(QStringLiteral("00000ABCDE"));
    Click(pageButton("Button1"));
    EXPECT_EQ(cell(1, Rfid), "00000ABCDE");
    EXPECT_EQ(cell(0, Rfid), "");
    EXPECT_TRUE(directory().State().ShowRecordEnabled);
}

TEST_F(RfidPageTest, DelRemovesTheWholeRecordAfterAQuestion)
{
    logOn();
    add("A", "10", "1000", "0000000001");
    add("B", "12", "1020", "0000000002");
    add("C", "14", "1040");
    table().SetPosition(2);
    window->seam().queueAnswer(true);
    Click(pageButton("Button2"));
    ASSERT_EQ(table().RecordCount(), 2);
    EXPECT_EQ(cell(0, Name), "A");
    EXPECT_EQ(cell(1, Name), "C");
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Delete the whole record of room 12 (B)?")});
    EXPECT_FALSE(directory().State().DeleteConfirmed);
    EXPECT_EQ(text("rfName"), QStringLiteral("C"));
    EXPECT_EQ(unit.commandCounts().value("b"), 0);
}

TEST_F(RfidPageTest, RecordCommandsDoNothingWhileTheTableIsBusy)
{
    logOn();
    add("A", "10", "1000");
    table().First();
    directory().State().DirectoryBusy = true;
    control<QLineEdit>("rfID")->setText(QStringLiteral("0000000009"));
    Click(pageButton("Button1"));
    Click(pageButton("Button2"));
    directory().State().DirectoryBusy = false;
    ASSERT_EQ(table().RecordCount(), 1);
    EXPECT_EQ(cell(0, Rfid), "");
}

TEST_F(RfidPageTest, PageCommandClearsTheCaptureTextAndTheNote)
{
    logOn();
    capture("12345ABCDE", true);
    ASSERT_FALSE(text("iderror").isEmpty());
    window->PHButClick();
    window->RFbuttClick();
    EXPECT_TRUE(text("iderror").isEmpty());
    EXPECT_FALSE(control<QLabel>("Lc_exist")->isVisibleTo(window.get()));
    EXPECT_FALSE(window->findChild<QAction *>(QStringLiteral("FileOpen1"))->isEnabled());
}

TEST_F(RfidPageTest, LoggedOffTheUnitCommandsAreDisabledButEraseIsNot)
{
    logOn();
    clickLed(); // log off
    ASSERT_FALSE(window->link().LoggedOn());
    EXPECT_FALSE(pageButton("download_id")->isEnabled());
    EXPECT_FALSE(pageButton("writeall_id")->isEnabled());
    EXPECT_FALSE(pageButton("Get_ID")->isEnabled());
    EXPECT_TRUE(pageButton("Button3")->isEnabled());
}

TEST_F(RfidPageTest, LogOffDuringADownloadLeavesTheLampOffLineAndTheKeepAliveStopped)
{
    logOn();
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, window.get(), [this](const QByteArray &line) {
        if (line.startsWith("s1408"))
            QTimer::singleShot(0, window.get(), [this] { window->OnLine1Click(); });
    });
    Click(pageButton("download_id"));
    ASSERT_FALSE(window->link().LoggedOn());
    EXPECT_EQ(window->ledImage(), 22);
    EXPECT_FALSE(window->findChild<QTimer *>(QStringLiteral("Timer2"))->isActive());
}

// --- the whole round --------------------------------------------------------------------------

TEST_F(RfidPageTest, DownloadCaptureStoreWriteAllAndErase)
{
    logOn(6);
    unit.setTagEntries({});
    const QList<qx4::DirectoryRecord> unitRecords = unit.directoryRecords();
    ASSERT_EQ(unitRecords.size(), 6);
    window->PHButClick();
    Click(window->findChild<QPushButton *>(QStringLiteral("GetData")));
    ASSERT_EQ(table().RecordCount(), 6);
    window->RFbuttClick();

    Click(pageButton("download_id"));
    ASSERT_EQ(table().RecordCount(), 6);
    table().SetPosition(3);
    const QByteArray room = cell(2, Room);
    capture("C0FFEE1234", false);
    ASSERT_EQ(text("rfID"), QStringLiteral("C0FFEE1234"));
    Click(pageButton("Button1"));
    EXPECT_EQ(cell(2, Rfid), "C0FFEE1234");

    window->seam().queueAnswer(true);
    Click(pageButton("writeall_id"));
    EXPECT_EQ(messages(), QStringList{kReplace});
    const auto entries = unit.tagEntries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].room, room);
    EXPECT_EQ(entries[0].code, "C0FFEE1234");
    // The directory in the unit is untouched.
    EXPECT_EQ(unit.directoryRecords(), unitRecords);

    window->seam().queueAnswer(true);
    Click(pageButton("Button3"));
    ASSERT_TRUE(WaitFor([this] { return unit.tagEntries().isEmpty(); }));
}

// --- mends ------------------------------------------------------------------------------------

TEST_F(RfidPageTest, UpDateTakesTenHexDigitsInCapitalsAndWriteAllChecksTheSame)
{
    logOn();
    add("A", "10", "1000");
    table().First();
    auto *rfID = control<QLineEdit>("rfID");
    rfID->setText(QStringLiteral("abcdef0123"));
    Click(pageButton("Button1"));
    EXPECT_EQ(cell(0, Rfid), "ABCDEF0123");
    for (const QString &bad : {QStringLiteral("12345G789A"), QStringLiteral("12345")}) {
        rfID->setText(bad);
        Click(pageButton("Button1"));
        EXPECT_EQ(window->seam().lastText(), QStringLiteral("The tag code \"%1\" is not 10 hexadecimal digits.").arg(bad));
        EXPECT_EQ(cell(0, Rfid), "ABCDEF0123");
    }

    // From a file: lower case goes out as the unit's characters; a code that
    // is not hexadecimal stops Write All with its record current.
    add("B", "11", "1020", "abcdef0124");
    add("C", "12", "1040", "XYZ1234567");
    table().First();
    Click(pageButton("writeall_id"));
    EXPECT_EQ(window->seam().lastText(), QStringLiteral(
                  "Note, the current record has\r\nincorrect RFID data format.\r\nrescan or erase the code."));
    EXPECT_EQ(table().Position(), 3);
    Pump(30);
    EXPECT_EQ(unit.commandCount("c"), 0);
    table().Edit();
    table().SetFieldText("RFID", "");
    table().Post();
    window->seam().queueAnswer(true);
    Click(pageButton("writeall_id"));
    const auto entries = unit.tagEntries();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[1].code, "ABCDEF0124");
}

TEST_F(RfidPageTest, EraseWriteAllAndDelAskFirst)
{
    logOn();
    unit.setTagEntries({{"1", "0000000001"}});
    Click(pageButton("Button3")); // answered No
    EXPECT_EQ(window->seam().lastText(), kErase);
    Pump(30);
    EXPECT_EQ(unit.commandCount("c"), 0);
    window->seam().queueAnswer(true);
    Click(pageButton("Button3"));
    ASSERT_TRUE(WaitFor([this] { return unit.tagEntries().isEmpty(); }));

    // No tag at all: nothing to write, nothing sent.
    unit.resetCounts();
    unit.setTagEntries({{"1", "0000000001"}});
    add("A", "1", "1000");
    Click(pageButton("writeall_id"));
    EXPECT_EQ(window->seam().lastText(), QStringLiteral("There are no tags to write."));
    add("B", "2", "1020", "0000000002");
    Click(pageButton("writeall_id")); // answered No
    EXPECT_EQ(window->seam().lastText(), kReplace);
    Pump(30);
    EXPECT_TRUE(unit.commandCounts().isEmpty());
    EXPECT_EQ(unit.tagEntries().size(), 1);

    table().SetPosition(2);
    Click(pageButton("Button2")); // answered No
    EXPECT_EQ(window->seam().lastText(), QStringLiteral("Delete the whole record of room 2 (B)?"));
    EXPECT_EQ(table().RecordCount(), 2);
    window->seam().queueAnswer(true);
    Click(pageButton("Button2"));
    EXPECT_EQ(table().RecordCount(), 1);
}

TEST_F(RfidPageTest, ControlByteInARoomStaysInsideItsTagBlock)
{
    logOn();
    add("A", "1\r2", "1000", "0000000001");
    window->seam().queueAnswer(true);
    Click(pageButton("writeall_id"));
    EXPECT_EQ(unit.commandCount("g"), 1);
    EXPECT_EQ(unit.commandCount("unknown"), 0);
    EXPECT_TRUE(unit.lastCommands().contains("g14081 2???0000000001" + QByteArray(48, '?')));
}

TEST_F(RfidPageTest, TransfersAndTheCaptureLeaveTheKeepAliveOffWhileEitherRuns)
{
    logOn();
    auto *timer2 = window->findChild<QTimer *>(QStringLiteral("Timer2"));
    // A download that fails inside a capture does not start the keep-alive.
    // The countdown runs on Timer3 as the clock goes, the download's wait on
    // the waits' clock, which leaves out the time a busy machine gives to other
    // programs: it is held full while the download waits, so that the capture
    // still runs when the download gives up.
    Click(pageButton("Get_ID"));
    auto *countdown = control<QProgressBar>("ProgressBar1");
    bool holdCountdown = true;
    QObject::connect(window->findChild<QTimer *>(QStringLiteral("Timer3")), &QTimer::timeout, window.get(), [&] {
        if (holdCountdown && page().Capturing())
            countdown->setValue(porv::RfidPage::kCaptureSeconds);
    });
    unit.faults().silent = true;
    Click(pageButton("download_id"));
    holdCountdown = false;
    ASSERT_TRUE(page().Capturing());
    EXPECT_FALSE(timer2->isActive());
    unit.faults().silent = false;
    ASSERT_TRUE(WaitFor([this] { return !page().Capturing(); }, CountdownMs()));
    EXPECT_TRUE(timer2->isActive());

    // A capture that ends inside Write All does not start it either.
    for (int i = 0; i < 5; ++i)
        add("", QByteArray::number(10 + i), "", QByteArray::number(3000000000LL + i));
    Click(pageButton("Get_ID"));
    int blocks = 0;
    bool capturingAtSecond = true, keepAliveAtSecond = true;
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, window.get(), [&](const QByteArray &line) {
        if (!line.startsWith('g'))
            return;
        if (++blocks == 1) {
            page().Timer3Timer(); // the next countdown tick finds the unit's replies
        } else {
            capturingAtSecond = page().Capturing();
            keepAliveAtSecond = timer2->isActive();
        }
    });
    window->seam().queueAnswer(true);
    Click(pageButton("writeall_id"));
    ASSERT_EQ(blocks, 2);
    ASSERT_FALSE(capturingAtSecond);
    EXPECT_FALSE(keepAliveAtSecond);
    EXPECT_TRUE(timer2->isActive());
}

TEST_F(RfidPageTest, TheFindBoxSearchesWhatTheListShowsAndTheBoxesShowOnlyARecordItShows)
{
    makeWindow();
    add("ADAMS", "1", "1000", "3A00000001");
    add("KELLER", "2", "1020");
    add("MILLER", "3", "1040", "3A00000003");
    window->RFbuttClick();
    table().SetPosition(2);
    ASSERT_EQ(text("rfName"), QStringLiteral("KELLER"));
    auto *find = control<QLineEdit>("FindTag");
    QTableView *grid = page().DBGrid3();

    // The filter hides KELLER: the first record shown becomes current.
    find->setText(QStringLiteral("3a"));
    ASSERT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(table().FieldText("Name"), QByteArray("ADAMS"));
    EXPECT_EQ(text("rfName"), QStringLiteral("ADAMS"));
    EXPECT_EQ(text("rfID"), QStringLiteral("3A00000001"));

    // The other page's grid may make a record current that this one hides;
    // back on this page, the first record it shows is current again.
    window->PHButClick();
    control<QLineEdit>("FindClient")->setText(QStringLiteral("kel"));
    ASSERT_EQ(table().FieldText("Name"), QByteArray("KELLER"));
    window->RFbuttClick();
    EXPECT_EQ(table().FieldText("Name"), QByteArray("ADAMS"));
    EXPECT_EQ(text("rfName"), QStringLiteral("ADAMS"));

    // The list shows no telephone numbers, so the box finds none (every
    // record's number holds 0123): nothing shown, no record in the boxes and
    // no command on one.
    EXPECT_EQ(find->placeholderText(), QStringLiteral("Find a name, room or tag"));
    find->setText(QStringLiteral("0123"));
    ASSERT_EQ(grid->model()->rowCount(), 0);
    for (const char *name : {"rfName", "rfRoom", "rfID"})
        EXPECT_TRUE(text(name).isEmpty()) << name;
    for (const char *name : {"Button1", "Button2", "FindTagHistory"})
        EXPECT_FALSE(pageButton(name)->isEnabled()) << name;
    window->seam().queueAnswer(true);
    page().Button2Click();
    page().Button1Click();
    EXPECT_EQ(table().RecordCount(), 3);
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('/')).toStdString();

    find->clear();
    EXPECT_EQ(text("rfName"), QStringLiteral("ADAMS"));
    for (const char *name : {"Button1", "Button2", "FindTagHistory"})
        EXPECT_TRUE(pageButton(name)->isEnabled()) << name;
}
