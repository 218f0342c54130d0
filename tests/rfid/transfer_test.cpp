// The tag exchanges on the link, against the simulated unit in process: the
// download and its binding, Write All with its read-back and its error count,
// the erase, and the block checks.
#include <QStringList>
#include <gtest/gtest.h>

#include "delay.h"
#include "directorytable.h"
#include "connection_recorder.h"
#include "link.h"
#include "memtable.h"
#include "null_shell.h"
#include "shellservices.h"
#include "simulated_unit.h"
#include "tagmessages.h"
#include "tagtransfer.h"
#include "unit_transport.h"

using namespace porv;

namespace {

enum Field { Name, Room, Phone, Code1, Code2, Spare, Rfid, Addr };

class RecordingShell : public test::NullShell {
public:
    // The transfers report; they show no message of their own.
    void ShowMessage(const QString &text) override { ADD_FAILURE() << text.toStdString(); }
    void AllowDirectorySave() override { saveAllowed = true; }
    bool AskQuestion(const QString &text) override
    {
        questions.append(text);
        return answerYes;
    }

    QStringList questions;
    bool answerYes = true;
    bool saveAllowed = false;
};

class Directory : public DirectoryAccess {
public:
    Directory()
    {
        DefineDirectoryTable(table);
        table.Open();
    }
    MemTable &Table() override { return table; }
    DirectoryState &State() override { return state; }
    void LayoutDirectoryGrid() override { ++layouts; }

    MemTable table;
    DirectoryState state;
    int layouts = 0;
};

class RfidTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        unit.setTimeScale(porv::TickScale());
        transport = new test::UnitTransport(unit, &link);
        link.setSerialTransport(transport);
        link.SendCommand("a1234\r");
        ASSERT_TRUE(link.WaitReply(20));
        ASSERT_TRUE(unit.loggedOn());
        link.MarkLoggedOn();
        unit.resetCounts();
    }

    void add(const QByteArray &name, const QByteArray &room, const QByteArray &addr, const QByteArray &rfid = {})
    {
        directory.table.AppendRecord({name, room, "", "", "", "", rfid, addr});
    }
    QByteArray cell(int row, Field f) const { return directory.table.RowText(row, f); }
    // What a transfer gives back however it ends; the keep-alive only while
    // still logged on.
    void expectFinalSteps()
    {
        EXPECT_FALSE(directory.state.DirectoryBusy);
        EXPECT_FALSE(link.CountMode());
        EXPECT_TRUE(recorder.idle());
        EXPECT_FALSE(recorder.blinking());
        EXPECT_EQ(recorder.keepAlive(), link.LoggedOn());
        EXPECT_FALSE(directory.table.DisplaySuspended());
    }
    QList<qx4::SimulatedUnit::TagEntry> fiveTags() const
    {
        return {{"12", "ABCDEF0123"}, {"12", "0000000002"}, {"13", "0000000003"}, {"14", "1111111111"},
                {"15", "0A0B0C0D0E"}};
    }
    void addFiveTaggedRecords()
    {
        const auto tags = fiveTags();
        for (int i = 0; i < tags.size(); ++i)
            add("N" + QByteArray::number(i), tags[i].room, QByteArray::number(0x1000 + 32 * i, 16), tags[i].code);
    }

    qx4::SimulatedUnit unit;
    UnitConnection connection;
    Link &link = connection.link();
    test::ConnectionRecorder recorder{connection};
    test::UnitTransport *transport = nullptr;
    RecordingShell shell;
    Directory directory;
};

bool sameEntries(const QList<qx4::SimulatedUnit::TagEntry> &a, const QList<qx4::SimulatedUnit::TagEntry> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].room != b[i].room || a[i].code != b[i].code)
            return false;
    return true;
}

} // namespace

TEST_F(RfidTransfer, DownloadBindsTheUnitsTagsAndClearsOldCodes)
{
    unit.setTagEntries(fiveTags());
    add("A", "12", "1000", "9999999999");
    add("B", "14", "1020");
    add("C", "77", "1040", "8888888888");
    const TagDownloadReport r = DownloadTags(link, shell, directory);
    EXPECT_TRUE(r.replied);
    EXPECT_EQ(r.entries, 5);
    EXPECT_EQ(unit.commandCount("s"), 1);
    ASSERT_EQ(directory.table.RecordCount(), 6);
    EXPECT_EQ(cell(0, Rfid), "ABCDEF0123");
    EXPECT_EQ(cell(1, Rfid), "1111111111");
    EXPECT_EQ(cell(2, Rfid), "");
    // Second tag of room 12, then room 13 and 15: new records.
    EXPECT_EQ(cell(3, Room), "12");
    EXPECT_EQ(cell(3, Rfid), "0000000002");
    EXPECT_EQ(cell(3, Addr), "p3");
    EXPECT_EQ(cell(4, Addr), "p4");
    EXPECT_EQ(cell(5, Room), "15");
    EXPECT_EQ(cell(5, Rfid), "0A0B0C0D0E");
    EXPECT_EQ(directory.table.Position(), 1);
    EXPECT_TRUE(shell.saveAllowed);
    EXPECT_TRUE(TagDownloadMessages(r).isEmpty());
    expectFinalSteps();
}

TEST_F(RfidTransfer, DownloadIntoAnEmptyTableDefinesItAfresh)
{
    unit.setTagEntries({{"5", "0000000005"}});
    directory.table.Close();
    DownloadTags(link, shell, directory);
    ASSERT_TRUE(directory.table.IsOpen());
    ASSERT_EQ(directory.table.RecordCount(), 1);
    EXPECT_EQ(cell(0, Room), "5");
    EXPECT_EQ(cell(0, Addr), "p2");
    EXPECT_EQ(directory.layouts, 1);
}

TEST_F(RfidTransfer, DownloadLeavesDirectorySyncedAsItStood)
{
    unit.setTagEntries({{"5", "0000000005"}});
    DownloadTags(link, shell, directory);
    EXPECT_FALSE(directory.state.DirectorySynced);
    directory.state.DirectorySynced = true;
    DownloadTags(link, shell, directory);
    EXPECT_TRUE(directory.state.DirectorySynced);
}

TEST_F(RfidTransfer, SilentUnitLeavesTheTableAlone)
{
    add("A", "12", "1000", "9999999999");
    unit.faults().silent = true;
    const TagDownloadReport r = DownloadTags(link, shell, directory);
    EXPECT_FALSE(r.replied);
    EXPECT_EQ(TagDownloadMessages(r), QStringList{QStringLiteral("communication error")});
    ASSERT_EQ(directory.table.RecordCount(), 1);
    EXPECT_EQ(cell(0, Rfid), "9999999999");
    expectFinalSteps();
}

TEST_F(RfidTransfer, WriteAllOfFiveRecordsFillsBlocks1408And1409)
{
    unit.setTagEntries({{"99", "9999999999"}});
    for (int b = 1410; b <= 1412; ++b)
        unit.setBlock(b, QByteArray(32, '\x11')); // left over from an earlier list
    addFiveTaggedRecords();
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.outcome, WriteAllOutcome::Written);
    EXPECT_EQ(r.blocks, 2);
    EXPECT_EQ(r.errors, 0);
    EXPECT_EQ(recorder.progress, QStringList({QStringLiteral("1 of 2"), QStringLiteral("2 of 2")}));
    EXPECT_TRUE(WriteAllMessages(r).isEmpty());
    EXPECT_EQ(unit.commandCount("c"), 1);
    EXPECT_EQ(unit.commandCount("g"), 2);
    EXPECT_TRUE(sameEntries(unit.tagEntries(), fiveTags()));
    // Block 1409: one entry, the rest erased.
    EXPECT_EQ(unit.block(1409).mid(8), QByteArray(24, '\xff'));
    EXPECT_EQ(unit.block(1410), QByteArray(32, '\xff'));
    expectFinalSteps();
}

TEST_F(RfidTransfer, NineCharacterCodeStopsBeforeAnythingIsSent)
{
    addFiveTaggedRecords();
    add("Bad", "20", "10A0", "123456789");
    add("Last", "21", "10C0");
    directory.table.First();
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.outcome, WriteAllOutcome::Malformed);
    EXPECT_EQ(directory.table.Position(), 6);
    EXPECT_EQ(WriteAllMessages(r), QStringList{QStringLiteral(
                                  "Note, the current record has\r\nincorrect RFID data format.\r\nrescan or erase the code.")});
    Delay(50);
    EXPECT_TRUE(unit.commandCounts().isEmpty());
    EXPECT_TRUE(transport->written.size() == 1); // the log-on only
    EXPECT_FALSE(directory.state.DirectoryBusy);
}

// The unit's erased byte in a tagged record's room would cut the room short
// in the unit's list: named, and nothing is sent (the list is erased first).
TEST_F(RfidTransfer, ARoomHoldingTheErasedByteStopsBeforeAnythingIsSent)
{
    addFiveTaggedRecords();
    add("Odd", "2\xFF", "10A0", "0A0B0C0D0E");
    add("Untagged", "3\xFF", "10C0");
    directory.table.First();
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.outcome, WriteAllOutcome::Unstorable);
    EXPECT_EQ(directory.table.Position(), 6);
    EXPECT_EQ(WriteAllMessages(r), QStringList{QStringLiteral("The unit cannot store \"\u00ff\" (0xff) in the room of these "
                                                         "tagged records; no tag was written:\r\nroom 2\u00ff (Odd)")});
    Delay(50);
    EXPECT_TRUE(unit.commandCounts().isEmpty());
}

TEST_F(RfidTransfer, UnacknowledgedEraseWritesNoBlock)
{
    addFiveTaggedRecords();
    unit.faults().silent = true;
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.outcome, WriteAllOutcome::NoReply);
    EXPECT_EQ(WriteAllMessages(r), QStringList{QStringLiteral("communication error")});
    unit.faults().silent = false;
    EXPECT_EQ(transport->written.size(), 2); // log-on, c1418
    expectFinalSteps();
}

TEST_F(RfidTransfer, BlockAnsweredErrorThreeTimesIsCountedAndReported)
{
    addFiveTaggedRecords();
    unit.faults().gError.count = -1;
    unit.faults().gError.blocks = {1409};
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.outcome, WriteAllOutcome::Errors);
    EXPECT_EQ(r.errors, 1);
    EXPECT_EQ(unit.commandCount("g"), 1 + 3);
    EXPECT_EQ(WriteAllMessages(r),
              QStringList{QStringLiteral("there was an error saving the codes,\r\nPlease try again")});
    EXPECT_EQ(unit.tagEntries().size(), 4);
    expectFinalSteps();
}

TEST_F(RfidTransfer, FirstBlockRefusedByGIsPlacedByTheReadBackRewrite)
{
    // The first block's attempts run while the receive view shows only a line
    // count; the read-back then writes the block with "p".
    addFiveTaggedRecords();
    unit.faults().gError.count = -1;
    unit.faults().gError.blocks = {1408};
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.errors, 0);
    EXPECT_GE(unit.commandCount("p"), 1);
    EXPECT_TRUE(sameEntries(unit.tagEntries(), fiveTags()));
    EXPECT_TRUE(WriteAllMessages(r).isEmpty());
}

TEST_F(RfidTransfer, ReadBackThatNeverMatchesCountsOneError)
{
    addFiveTaggedRecords();
    unit.faults().wrongP.count = -1;
    unit.faults().gError.count = -1;
    unit.faults().gError.blocks = {1408};
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.errors, 1);
    EXPECT_EQ(WriteAllMessages(r).size(), 1);
}

TEST_F(RfidTransfer, More512TagsStopAfterBlock1535WithTheLimitMessage)
{
    for (int i = 0; i < kTagCapacity + 1; ++i)
        add("", QByteArray::number(1000 + i), "", QByteArray::number(1000000000 + i));
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.outcome, WriteAllOutcome::LimitReached);
    EXPECT_EQ(r.blocks, kTagBlockCount);
    EXPECT_EQ(WriteAllMessages(r),
              QStringList{QStringLiteral("NB could not save all codes\r\nMaximum is 512 RF-ID's.")});
    const auto entries = unit.tagEntries();
    ASSERT_EQ(entries.size(), kTagCapacity);
    EXPECT_EQ(entries.last().room, "1511");
    for (const QByteArray &c : unit.lastCommands())
        EXPECT_FALSE(c.startsWith("g1536"));
    expectFinalSteps();
}

TEST_F(RfidTransfer, Exactly512TagsFillEveryBlockWithoutTheMessage)
{
    for (int i = 0; i < kTagCapacity; ++i)
        add("", QByteArray::number(1000 + i), "", QByteArray::number(1000000000 + i));
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.outcome, WriteAllOutcome::Written);
    EXPECT_EQ(r.blocks, kTagBlockCount);
    EXPECT_TRUE(WriteAllMessages(r).isEmpty());
    EXPECT_EQ(unit.tagEntries().size(), kTagCapacity);
}

TEST_F(RfidTransfer, WriteStopsWhenTheLinkCloses)
{
    for (int i = 0; i < 40; ++i)
        add("", QByteArray::number(100 + i), "", QByteArray::number(1000000000 + i));
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, &link, [this](const QByteArray &line) {
        if (line.startsWith("g1409"))
            link.MarkLoggedOff();
    });
    const WriteAllReport r = WriteAllTags(link, shell, directory);
    EXPECT_EQ(r.outcome, WriteAllOutcome::LoggedOff);
    EXPECT_EQ(r.blocks, 2);
    expectFinalSteps();
}

TEST_F(RfidTransfer, EraseSendsTheCommandAndAwaitsNothing)
{
    unit.setTagEntries(fiveTags());
    EraseTagList(link, shell);
    EXPECT_EQ(transport->written.last(), "c1418\r");
    Delay(300);
    EXPECT_TRUE(unit.tagEntries().isEmpty());
}

TEST_F(RfidTransfer, BlankBlockIsToldFromAWrittenOne)
{
    unit.setTagEntries({{"1", "0000000001"}});
    EXPECT_FALSE(BlockIsBlank(link, "1408"));
    EXPECT_TRUE(BlockIsBlank(link, "1409"));
}

TEST_F(RfidTransfer, VerifyRewritesADifferingBlockOnce)
{
    const QByteArray data = "1?????0000000001" + QByteArray(48, '?');
    link.BeginBulkReply();
    EXPECT_TRUE(VerifyTagBlock(link, "1408", data));
    EXPECT_FALSE(link.CountMode());
    EXPECT_EQ(unit.commandCount("p"), 1);
    EXPECT_EQ(unit.tagEntries().size(), 1);
    unit.resetCounts();
    EXPECT_TRUE(VerifyTagBlock(link, "1408", data));
    EXPECT_EQ(unit.commandCount("p"), 0);
}
