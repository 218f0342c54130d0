#include "directorygrid.h"
#include "directorytable.h"
#include "memtable.h"
#include "table_helpers.h"

#include <gtest/gtest.h>

using namespace porv;
using namespace porv::test;

namespace {

QByteArray B(const char *s) { return QByteArray(s); }

class DirectoryTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DefineDirectoryTable(t);
        t.Open();
        t.EmptyTable();
    }
    void addAt(const char *name, const char *addr)
    {
        t.AppendRecord({B(name), B("1"), B(""), B(""), B(""), B(""), B(""), B(addr)});
    }
    MemTable t;
};

} // namespace

TEST_F(DirectoryTableTest, EightFieldsInOrderWithTheirWidths)
{
    const char *names[] = {"Name", "RoomNumber", "PHnumber", "Code1", "Code2", "spare", "RFID", "Addr"};
    const int widths[] = {16, 6, 16, 4, 4, 2, 10, 4};
    ASSERT_EQ(t.FieldCount(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(t.Field(i).name, B(names[i]));
        EXPECT_EQ(t.Field(i).width, widths[i]);
        EXPECT_EQ(t.Field(i).type, FieldType::Text);
    }
    // The directory operations' own spellings reach the fields.
    EXPECT_EQ(t.FieldIndex("Roomnumber"), 1);
    EXPECT_EQ(t.FieldIndex("Phnumber"), 2);
    EXPECT_EQ(t.FieldIndex("code1"), 3);
    EXPECT_EQ(t.FieldIndex("code2"), 4);
    EXPECT_EQ(t.FieldIndex("addr"), 7);
}

TEST_F(DirectoryTableTest, DefineLeavesTheTableClosedAndUnsorted)
{
    addAt("A", "1000");
    t.Sort("Name", MemTable::SortCase::Sensitive);
    DefineDirectoryTable(t);
    EXPECT_FALSE(t.IsOpen());
    EXPECT_EQ(t.SortField(), -1);
    EXPECT_EQ(t.FieldCount(), 8);
}

TEST_F(DirectoryTableTest, NameOfTwentyCharactersKeepsSixteen)
{
    t.AppendRecord({B("ABCDEFGHIJKLMNOPQRST")});
    EXPECT_EQ(t.FieldText("Name"), B("ABCDEFGHIJKLMNOP"));
}

TEST_F(DirectoryTableTest, CapacityOfTheFourModels)
{
    EXPECT_EQ(DirectoryCapacity(0x1D00), 104);
    EXPECT_EQ(DirectoryCapacity(0x2A00), 208);
    EXPECT_EQ(DirectoryCapacity(0x5100), 520);
    EXPECT_EQ(DirectoryCapacity(0x9000), 1024);
    EXPECT_EQ(DirectoryCapacity(0), -128);
}

TEST_F(DirectoryTableTest, FirstFreeAddressOnEmptyTable)
{
    EXPECT_EQ(FirstFreeAddress(t, 0x9000), B("1000"));
}

TEST_F(DirectoryTableTest, FirstFreeAddressFindsTheGapAndSortsByAddress)
{
    addAt("C", "1060");
    addAt("A", "1000");
    addAt("B", "1020");
    EXPECT_EQ(FirstFreeAddress(t, 0x9000), B("1040"));
    EXPECT_EQ(Column(t, 7), Bytes({"1000", "1020", "1060"}));
    // Sorted: a new record takes its place by address.
    addAt("D", "1040");
    EXPECT_EQ(Column(t, 7), Bytes({"1000", "1020", "1040", "1060"}));
    // The search located each taken address in turn: the last was 1060.
    EXPECT_EQ(FirstFreeAddress(t, 0x9000), B("1080"));
    EXPECT_EQ(t.FieldText("Addr"), B("1060"));
}

TEST_F(DirectoryTableTest, FirstFreeAddressGoesUpToTheLimitItself)
{
    // 0x1D00 holds 104 records for a full upload, but 105 blocks for single ones.
    for (int a = 0x1000; a < 0x1D00; a += 0x20)
        t.AppendRecord({B("N"), B("1"), B(""), B(""), B(""), B(""), B(""),
                        QByteArray::number(a, 16).toUpper()});
    EXPECT_EQ(t.RecordCount(), 104);
    EXPECT_EQ(FirstFreeAddress(t, 0x1D00), B("1D00"));
    addAt("Last", "1D00");
    EXPECT_EQ(FirstFreeAddress(t, 0x1D00), B("0000"));
}

TEST_F(DirectoryTableTest, FirstFreeAddressWithLimitZeroGivesZeros)
{
    EXPECT_EQ(FirstFreeAddress(t, 0), B("0000"));
}

TEST_F(DirectoryTableTest, OtherSpellingsOfAnAddressDoNotTakeIt)
{
    addAt("A", "1000");
    addAt("B", "1020");
    addAt("C", "104"); // three digits
    t.AppendRecord({B("D"), B("1"), B(""), B(""), B(""), B(""), B(""), B("10a0")});
    addAt("E", "1040");
    addAt("F", "1060");
    addAt("G", "1080");
    EXPECT_EQ(FirstFreeAddress(t, 0x9000), B("10A0"));
}

TEST_F(DirectoryTableTest, NumericOrZero)
{
    bool zeroed = true;
    EXPECT_EQ(NumericOrZero(B("042"), &zeroed), B("042"));
    EXPECT_FALSE(zeroed);
    EXPECT_EQ(NumericOrZero(B("-7")), B("-7"));
    EXPECT_EQ(NumericOrZero(B("+7")), B("+7"));
    for (const char *text : {"12a", "-", " 12", ""}) {
        zeroed = false;
        EXPECT_EQ(NumericOrZero(B(text), &zeroed), B("0")) << text;
        EXPECT_TRUE(zeroed) << text;
    }
}

TEST(ParseDirectoryLine, TheExampleRecord)
{
    const DirectoryLine d = ParseDirectoryLine(B("1020,204,1234,,,0123456789<1????,SMITH J"));
    EXPECT_EQ(d.Addr, B("1020"));
    EXPECT_EQ(d.RoomNumber, B("204"));
    EXPECT_EQ(d.Code1, B("1234"));
    EXPECT_EQ(d.Code2, B(""));
    EXPECT_EQ(d.spare, B(""));
    EXPECT_EQ(d.PHnumber, B("0123456789<1????"));
    EXPECT_EQ(d.Name, B("SMITH J"));
}

TEST(ParseDirectoryLine, FullItemsSkipTheCharacterAfterThemUnread)
{
    // Room of 6 digits followed by a non-comma: that character is skipped.
    const DirectoryLine d = ParseDirectoryLine(B("1000 123456X99,1,2,0123,NAME"));
    EXPECT_EQ(d.RoomNumber, B("123456"));
    EXPECT_EQ(d.Code1, B("99"));
    EXPECT_EQ(d.Code2, B("1"));
    EXPECT_EQ(d.spare, B("2"));
    EXPECT_EQ(d.PHnumber, B("0123"));
    EXPECT_EQ(d.Name, B("NAME"));
    // An over-long item is cut, the rest goes on to the next item.
    const DirectoryLine e = ParseDirectoryLine(B("1000,1234567,1,2,3,4,N"));
    EXPECT_EQ(e.RoomNumber, B("123456"));
    EXPECT_EQ(e.Code1, B(""));
    EXPECT_EQ(e.Code2, B("1"));
}

TEST(ParseDirectoryLine, TheNameIsTheRestOfTheLineUpToSixteenCharacters)
{
    // The name is the last item: its commas are its own.
    EXPECT_EQ(ParseDirectoryLine(B("1000,1,,,,?,SMITH, J")).Name, B("SMITH, J"));
    EXPECT_EQ(ParseDirectoryLine(B("1000,1,,,,?,A,B,C,D,E,F,G,H,I,J")).Name, B("A,B,C,D,E,F,G,H,"));
    EXPECT_EQ(ParseDirectoryLine(B("1000,1,,,,?,ABCDEFGHIJKLMNOPQRS")).Name, B("ABCDEFGHIJKLMNOP"));
    // Nothing is trimmed.
    EXPECT_EQ(ParseDirectoryLine(B("1000, 1 ,,,,?, LEE ")).RoomNumber, B(" 1 "));
    EXPECT_EQ(ParseDirectoryLine(B("1000, 1 ,,,,?, LEE ")).Name, B(" LEE "));
}

TEST(ParseDirectoryLine, ShortLinesEndEarly)
{
    DirectoryLine d = ParseDirectoryLine(B("10"));
    EXPECT_EQ(d.Addr, B("10"));
    EXPECT_TRUE(d.RoomNumber.isEmpty());
    EXPECT_TRUE(d.Name.isEmpty());
    d = ParseDirectoryLine(B("1000,204"));
    EXPECT_EQ(d.Addr, B("1000"));
    EXPECT_EQ(d.RoomNumber, B("204"));
    EXPECT_TRUE(d.Code1.isEmpty());
    EXPECT_TRUE(d.Name.isEmpty());
    d = ParseDirectoryLine(QByteArray());
    EXPECT_TRUE(d.Addr.isEmpty());
}

TEST(RecordDataTest, ExampleAndErase)
{
    EXPECT_EQ(RecordData(B("12a"), B("1234"), B(""), B(""), B("*123#p"), B("Lee")), B("12,1234,,,:123;<,Lee"));
    EXPECT_EQ(RecordData({}, {}, {}, {}, {}, {}), B(",,,,,"));
    EXPECT_EQ(RecordData(B("1234567"), B("12345"), B("9x"), B("123"), B("01234567890123456789"), B("O'Neil, A")),
              B("123456,1234,9,12,0123456789012345,O'Neil  A"));
    // Layout in the number is left out; no byte of the name can end the command.
    EXPECT_EQ(RecordData(B("7"), {}, {}, {}, B("(0161) 555-12.34"), B("A\rB\n")), B("7,,,,01615551234,A B "));
}

TEST(DirectoryStateTest, StartValues)
{
    const DirectoryState s;
    EXPECT_FALSE(s.DirectorySynced);
    EXPECT_TRUE(s.ShowRecordEnabled);
    EXPECT_FALSE(s.DirectoryBusy);
    EXPECT_FALSE(s.DeleteConfirmed);
}

TEST(DirectoryGridTest, ShownColumnsOfDBGrid1AddUpToItsWidth)
{
    const auto &columns = DirectoryGridColumns();
    ASSERT_EQ(columns.size(), 8u);
    int shown = 0;
    QList<QByteArray> grid3;
    for (const auto &c : columns) {
        if (c.shownInDBGrid1)
            shown += c.widthInDBGrid1;
        if (c.shownInDBGrid3)
            grid3.append(c.field);
    }
    EXPECT_EQ(shown + 39, kDBGrid1Width);
    EXPECT_EQ(grid3, Bytes({"Name", "RoomNumber", "RFID"}));
    MemTable t;
    DefineDirectoryTable(t);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(columns[size_t(i)].field, t.Field(i).name);
}

// --- the dump reply ---

TEST(DirectoryDumpTest, RecordLinesAreToldFromTheClosingLine)
{
    EXPECT_TRUE(IsDirectoryRecordLine(B("1020,204,1234,,,0123456789<1????,BROOKS")));
    EXPECT_TRUE(IsDirectoryRecordLine(B("1020 204,1234,,,0123<1????,OK")));
    EXPECT_TRUE(IsDirectoryRecordLine(B("8FE0,1,,,,,")));
    EXPECT_FALSE(IsDirectoryRecordLine(B("OK")));
    EXPECT_FALSE(IsDirectoryRecordLine(B("d01281152")));
    EXPECT_FALSE(IsDirectoryRecordLine(B("1020,204,1234,,")));
    EXPECT_FALSE(IsDirectoryRecordLine(B("1020,2041234,,,,0123,OK"))); // room too long
    EXPECT_FALSE(IsDirectoryRecordLine(B("OKAY,1,,,,,")));
}

TEST(DirectoryDumpTest, NamesHoldingOKDoNotEndTheDump)
{
    const QByteArray reply("d01281152\r\n"
                           "1000,101,,,,0123????????????,BROOKS\r\n"
                           "1020,102,,,,0124????????????,OKAFOR\r\n");
    EXPECT_FALSE(DirectoryDumpComplete(reply));
    const QByteArray full = reply + "1040,103,,,,0125????????????,LEE\r\nOK\r\n";
    const DirectoryDump dump = ReadDirectoryDump(full);
    EXPECT_TRUE(dump.complete);
    ASSERT_EQ(dump.recordLines.size(), 3);
    EXPECT_EQ(ParseDirectoryLine(dump.recordLines.at(0)).Name, B("BROOKS"));
    EXPECT_EQ(ParseDirectoryLine(dump.recordLines.at(2)).Name, B("LEE"));
}

TEST(DirectoryDumpTest, FirstLineIsNeverARecordNorTheEnd)
{
    // A unit that acknowledges first and closes at the end.
    const DirectoryDump partial = ReadDirectoryDump(B("OK\r\n1000,1,,,,?,A\r\n"));
    EXPECT_FALSE(partial.complete);
    const DirectoryDump dump = ReadDirectoryDump(B("OK\r\n1000,1,,,,?,A\r\n\r\nOK\r\n"));
    EXPECT_TRUE(dump.complete);
    EXPECT_EQ(dump.recordLines, Bytes({"1000,1,,,,?,A", ""}));
}

TEST(DirectoryDumpTest, EmptyDirectory)
{
    const DirectoryDump dump = ReadDirectoryDump(B("\r\nOK\r\n"));
    EXPECT_TRUE(dump.complete);
    EXPECT_TRUE(dump.recordLines.isEmpty());
    EXPECT_FALSE(DirectoryDumpComplete(B("\r\n")));
    EXPECT_FALSE(DirectoryDumpComplete(QByteArray()));
}

TEST(DirectoryDumpTest, BrokenOffDumpKeepsOnlyWholeLines)
{
    const DirectoryDump dump = ReadDirectoryDump(B("x\r\n1000,1,,,,?,A\r\n1020,2,,,,?,B\r\n1040,3,,,,?,CAR"));
    EXPECT_FALSE(dump.complete);
    EXPECT_EQ(dump.recordLines, Bytes({"1000,1,,,,?,A", "1020,2,,,,?,B"}));
}

TEST(DirectoryDumpTest, LinesAfterTheClosingLineAreNotRecords)
{
    const DirectoryDump dump = ReadDirectoryDump(B("x\n1000,1,,,,?,A\nOK\n1020,2,,,,?,B\n"));
    EXPECT_TRUE(dump.complete);
    EXPECT_EQ(dump.recordLines, Bytes({"1000,1,,,,?,A"}));
}

TEST(DirectoryDumpTest, LineEndsAreCrLfCrOrLf)
{
    EXPECT_EQ(SplitReplyLines(B("a\r\nb\rc\nd")), Bytes({"a", "b", "c", "d"}));
    EXPECT_EQ(SplitReplyLines(B("a\r\n\r\nb\r\n")), Bytes({"a", "", "b"}));
    EXPECT_TRUE(SplitReplyLines(QByteArray()).isEmpty());
}
