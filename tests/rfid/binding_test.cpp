// Binding the unit's tags to DirectoryTable, the blocks of Write All and the
// owner of a code.
#include <gtest/gtest.h>

#include "directorytable.h"
#include "memtable.h"
#include "tagbinding.h"

using namespace porv;

namespace {

enum Field { Name, Room, Phone, Code1, Code2, Spare, Rfid, Addr };

class RfidTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        DefineDirectoryTable(table);
        table.Open();
    }
    void add(const QByteArray &name, const QByteArray &room, const QByteArray &addr, const QByteArray &rfid = {})
    {
        table.AppendRecord({name, room, "0123", "1111", "2222", "", rfid, addr});
    }
    QByteArray cell(int row, Field f) const { return table.RowText(row, f); }
    int rowOfName(const QByteArray &name) const
    {
        for (int r = 0; r < table.RecordCount(); ++r)
            if (cell(r, Name) == name)
                return r;
        return -1;
    }

    MemTable table;
    TaggedAddresses tagged;
};

} // namespace

TEST_F(RfidTable, RecordsSharingARoomTakeOneTagEachThenNewRecordsFollow)
{
    add("A", "12", "1000");
    add("X", "13", "1020");
    add("B", "12", "1040");
    tagged.Reset();
    const TagBindingResult r =
        BindTags(table, {{"12", "0000000001"}, {"12", "0000000002"}, {"12", "0000000003"}}, tagged);
    EXPECT_EQ(r.boundToRecords, 2);
    EXPECT_EQ(r.newRecords, 1);
    ASSERT_EQ(table.RecordCount(), 4);
    EXPECT_EQ(cell(0, Rfid), "0000000001");
    EXPECT_EQ(cell(1, Rfid), "");
    EXPECT_EQ(cell(2, Rfid), "0000000002");
    EXPECT_EQ(cell(3, Room), "12");
    EXPECT_EQ(cell(3, Rfid), "0000000003");
    // The counter stood at 4 when the third tag was bound.
    EXPECT_EQ(cell(3, Addr), "p4");
    EXPECT_EQ(cell(3, Name), "");
    EXPECT_EQ(tagged.Addresses(), (QList<QByteArray>{"1000", "1040", "p4"}));
    EXPECT_EQ(tagged.Counter(), 5);
}

TEST_F(RfidTable, TagForAnUnknownRoomCreatesABareRecord)
{
    add("A", "12", "1000");
    BindTags(table, {{"77", "ABCDEF0123"}}, tagged);
    ASSERT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(cell(1, Room), "77");
    EXPECT_EQ(cell(1, Rfid), "ABCDEF0123");
    EXPECT_EQ(cell(1, Addr), "p2");
    for (Field f : {Name, Phone, Code1, Code2, Spare})
        EXPECT_EQ(cell(1, f), "") << f;
    EXPECT_EQ(cell(0, Rfid), "");
}

TEST_F(RfidTable, RecordsWithoutAddressEachReceiveATag)
{
    // Records loaded from a file may have no address at all.
    add("A", "12", "");
    add("B", "12", "");
    BindTags(table, {{"12", "0000000001"}, {"12", "0000000002"}}, tagged);
    ASSERT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(cell(0, Rfid), "0000000001");
    EXPECT_EQ(cell(1, Rfid), "0000000002");
}

TEST_F(RfidTable, RecordsAreToldApartEvenWhenTheirAddressesAgree)
{
    add("A", "12", "1000");
    add("B", "12", "1000");
    BindTags(table, {{"12", "0000000001"}, {"12", "0000000002"}}, tagged);
    ASSERT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(cell(1, Rfid), "0000000002");
}

TEST_F(RfidTable, PlaceholderAlreadyInTheTableIsNotGivenTwice)
{
    // A record an earlier download created, kept through the phone list file.
    add("", "55", "p2", "");
    BindTags(table, {{"66", "0000000006"}, {"55", "0000000005"}, {"67", "0000000007"}}, tagged);
    ASSERT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(cell(0, Rfid), "0000000005");
    EXPECT_EQ(cell(1, Addr), "p3");
    EXPECT_EQ(cell(2, Addr), "p5");
}

TEST_F(RfidTable, RoomsCompareExactly)
{
    add("A", "012", "1000");
    BindTags(table, {{"12", "0000000001"}}, tagged);
    ASSERT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(cell(0, Rfid), "");
}

TEST_F(RfidTable, SortedTableKeepsItsOrderAndTheCodesLandOnTheirRecords)
{
    add("Cole", "3", "1040");
    add("adams", "1", "1000");
    add("Baker", "2", "1020");
    ASSERT_TRUE(table.Sort("Name", MemTable::SortCase::Sensitive));
    BindTags(table, {{"9", "0000000009"}, {"2", "0000000002"}, {"3", "0000000003"}, {"1", "0000000001"}}, tagged);
    ASSERT_EQ(table.RecordCount(), 4);
    for (const QByteArray &name : {QByteArray("adams"), QByteArray("Baker"), QByteArray("Cole")}) {
        const int row = rowOfName(name);
        ASSERT_GE(row, 0);
        EXPECT_EQ(cell(row, Rfid), "000000000" + cell(row, Room)) << name.constData();
    }
    // The new record, with an empty name, sorts first.
    EXPECT_EQ(cell(0, Name), "");
    EXPECT_EQ(cell(0, Rfid), "0000000009");
}

TEST_F(RfidTable, ClearingEmptiesEveryCodeAndSettlesAPendingBlankRecord)
{
    add("A", "1", "1000", "0000000001");
    add("B", "2", "1020", "0000000002");
    table.Append(); // a blank record waiting for entry
    ClearTagCodes(table);
    ASSERT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(cell(0, Rfid), "");
    EXPECT_EQ(cell(1, Rfid), "");
    EXPECT_EQ(cell(1, Name), "B");
}

TEST(RfidTaggedAddresses, ListStopsAt999WhileTheCounterGoesOn)
{
    TaggedAddresses t;
    t.Reset();
    EXPECT_EQ(t.Counter(), 2);
    for (int i = 0; i < 1005; ++i)
        t.Store(QByteArray::number(i));
    EXPECT_EQ(t.Addresses().size(), TaggedAddresses::kCapacity);
    EXPECT_EQ(t.Counter(), 1007);
    EXPECT_TRUE(t.Contains("998"));
    EXPECT_FALSE(t.Contains("999"));
    // Free room is not an address: an empty text is held only once stored.
    EXPECT_FALSE(TaggedAddresses().Contains(""));
    t.Reset();
    EXPECT_TRUE(t.Addresses().isEmpty());
    EXPECT_EQ(t.Counter(), 2);
}

TEST_F(RfidTable, MalformedCodeIsFoundWhereverItIs)
{
    add("A", "1", "1000", "0000000001");
    add("B", "2", "1020", "");
    EXPECT_EQ(FirstMalformedTagRow(table), -1);
    add("C", "3", "1040", "000000003");
    add("D", "4", "1060", "12");
    EXPECT_EQ(FirstMalformedTagRow(table), 2);
}

TEST_F(RfidTable, FiveTaggedRecordsMakeTwoBlocks)
{
    for (int i = 1; i <= 5; ++i)
        add("N" + QByteArray::number(i), QByteArray::number(i * 11), "", "00000000" + QByteArray::number(i * 11));
    add("NoCode", "99", "");
    add("NoRoom", "", "", "ABCDEF0123");
    TagBlockCollector c(table);
    EXPECT_EQ(c.Next(), "11????0000000011" "22????0000000022" "33????0000000033" "44????0000000044");
    EXPECT_TRUE(c.EntriesRemain());
    EXPECT_EQ(c.Next(), "55????0000000055" + QByteArray(48, '?'));
    EXPECT_FALSE(c.EntriesRemain());
    EXPECT_TRUE(c.Next().isEmpty());
}

TEST_F(RfidTable, OwnerOfACodeIsTheFirstRecordHoldingItExactly)
{
    add("A", "10", "1000", "ABCDEF0123");
    add("B", "12", "1020", "0000000001");
    add("C", "14", "1040", "0000000001");
    table.SetPosition(3);
    EXPECT_EQ(FindTagOwnerRoom(table, "0000000001"), std::optional<QByteArray>("12"));
    EXPECT_FALSE(FindTagOwnerRoom(table, "abcdef0123").has_value());
    EXPECT_EQ(table.Position(), 3);
}
