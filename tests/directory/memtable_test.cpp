#include "memtable.h"
#include "failures.h"
#include "table_helpers.h"

#include <gtest/gtest.h>

using porv::FieldType;
using porv::MemTable;
using namespace porv::test;

namespace {

QByteArray B(const char *s) { return QByteArray(s); }

class MemTableTest : public ::testing::Test {
protected:
    void SetUp() override { DefineNameRoom(t); }
    void add(const char *name, const char *room = "")
    {
        t.AppendRecord({B(name), B(room)});
    }
    MemTable t;
};

} // namespace

// --- fields ---

TEST_F(MemTableTest, FieldNamesMatchWithoutRegardToCase)
{
    EXPECT_EQ(t.FieldIndex("name"), 0);
    EXPECT_EQ(t.FieldIndex("ROOM"), 1);
    EXPECT_EQ(t.FieldIndex("Floor"), -1);
    add("SMITH J", "204");
    t.Edit();
    EXPECT_TRUE(t.SetFieldText(B("nAmE"), B("JONES")));
    t.Post();
    EXPECT_EQ(t.FieldText(B("NAME")), B("JONES"));
}

TEST_F(MemTableTest, FieldsAreDefinedOnlyWhileClosedAndOnce)
{
    EXPECT_FALSE(t.DefineField("Extra", FieldType::Text, 3)); // open
    t.Close();
    EXPECT_FALSE(t.DefineField("name", FieldType::Text, 3)); // already there
    EXPECT_TRUE(t.DefineField("Extra", FieldType::Text, 3));
    EXPECT_EQ(t.FieldCount(), 3);
}

TEST_F(MemTableTest, TextIsCutToTheFieldWidth)
{
    add("ABCDEFGHIJKLMNOPQRST", "1234567");
    EXPECT_EQ(t.FieldText("Name"), B("ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(t.FieldText("Room"), B("123456"));
}

TEST_F(MemTableTest, IntegerFieldHoldsSixteenBitValues)
{
    t.Reset();
    t.DefineField("Event", FieldType::Int16);
    t.DefineField("Client", FieldType::Text, 16);
    t.Open();
    t.Append();
    EXPECT_EQ(t.FieldText("Event"), QByteArray()); // never set reads empty
    EXPECT_TRUE(t.SetFieldText(B("Event"), B("-12")));
    t.Post();
    EXPECT_EQ(t.FieldText("Event"), B("-12"));
    t.Append();
    EXPECT_THROW(t.SetFieldText(B("Event"), B("12a")), porv::ConversionError);
    EXPECT_THROW(t.SetFieldText(B("Event"), B("40000")), porv::ConversionError);
    EXPECT_TRUE(t.SetFieldText(B("Event"), B("32767")));
    t.Post();
    EXPECT_EQ(t.RecordCount(), 2);
}

// --- positions and pending changes ---

TEST_F(MemTableTest, EmptyTableHasPositionMinusOneAndEof)
{
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.Position(), -1);
    t.First();
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.FieldText("Name"), QByteArray());
}

TEST_F(MemTableTest, AppendedRecordIsUnpostedUntilPost)
{
    add("A");
    t.Append();
    EXPECT_EQ(t.Position(), -1);
    EXPECT_EQ(t.RecordCount(), 1);
    t.SetFieldText(B("Name"), B("B"));
    EXPECT_EQ(t.FieldText("Name"), B("B"));
    t.Post();
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.Position(), 2);
    EXPECT_EQ(Column(t, 0), Bytes({"A", "B"}));
}

TEST_F(MemTableTest, InsertGoesBeforeTheCurrentRecord)
{
    add("A");
    add("C");
    t.SetPosition(2);
    t.Insert();
    t.SetFieldText(B("Name"), B("B"));
    t.Post();
    EXPECT_EQ(Column(t, 0), Bytes({"A", "B", "C"}));
    EXPECT_EQ(t.Position(), 2);
}

TEST_F(MemTableTest, CancelDropsNewRecordAndReturnsToThePreviousOne)
{
    add("A");
    add("B");
    t.SetPosition(1);
    t.Append();
    t.SetFieldText(B("Name"), B("X"));
    t.Cancel();
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.Position(), 1);
    EXPECT_EQ(t.FieldText("Name"), B("A"));
}

TEST_F(MemTableTest, CancelDropsEdits)
{
    add("A");
    t.Edit();
    t.SetFieldText(B("Name"), B("Z"));
    EXPECT_EQ(t.FieldText("Name"), B("Z"));
    t.Cancel();
    EXPECT_EQ(t.FieldText("Name"), B("A"));
}

TEST_F(MemTableTest, MovesPostAChangeWhoseFieldWasSet)
{
    add("A");
    t.Append();
    t.SetFieldText(B("Name"), B("B"));
    t.First();
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(Column(t, 0), Bytes({"A", "B"}));

    t.Edit();
    t.SetFieldText(B("Name"), B("A2"));
    t.Next();
    EXPECT_EQ(Column(t, 0), Bytes({"A2", "B"}));
    EXPECT_EQ(t.Position(), 2);
}

TEST_F(MemTableTest, MovesDropAChangeWithoutSetFields)
{
    add("A");
    t.Append();
    t.First();
    EXPECT_EQ(t.RecordCount(), 1);
    t.Append();
    EXPECT_FALSE(t.Locate("Name", "zzz"));
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.CurrentState(), MemTable::State::Browse);
    t.Append();
    t.Sort("Name", MemTable::SortCase::Sensitive);
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST_F(MemTableTest, SetFieldOutsideAChangeIsRefused)
{
    add("A");
    EXPECT_FALSE(t.SetFieldText(B("Name"), B("B")));
    EXPECT_EQ(t.FieldText("Name"), B("A"));
    t.Append();
    EXPECT_FALSE(t.SetFieldText(B("Nope"), B("B")));
}

TEST_F(MemTableTest, EditOnEmptyTableOpensANewRecord)
{
    t.Edit();
    EXPECT_EQ(t.CurrentState(), MemTable::State::Insert);
    t.SetFieldText(B("Name"), B("A"));
    t.Post();
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST_F(MemTableTest, FirstNextWalkTheCurrentOrder)
{
    add("A");
    add("B");
    add("C");
    QList<QByteArray> seen;
    for (t.First(); !t.Eof(); t.Next())
        seen.append(t.FieldText("Name"));
    EXPECT_EQ(seen, Bytes({"A", "B", "C"}));
    EXPECT_EQ(t.Position(), 3);
}

TEST_F(MemTableTest, SetPositionIgnoresOutOfRange)
{
    add("A");
    add("B");
    t.SetPosition(1);
    t.SetPosition(0);
    EXPECT_EQ(t.Position(), 1);
    t.SetPosition(3);
    EXPECT_EQ(t.Position(), 1);
    t.SetPosition(-1);
    EXPECT_EQ(t.Position(), 1);
    t.SetPosition(2);
    EXPECT_EQ(t.FieldText("Name"), B("B"));
}

TEST_F(MemTableTest, LocateIsExactAndCaseSensitive)
{
    add("Adams", "1");
    add("adams", "2");
    add("Adamson", "3");
    t.SetPosition(3);
    EXPECT_TRUE(t.Locate("name", "adams"));
    EXPECT_EQ(t.FieldText("Room"), B("2"));
    EXPECT_FALSE(t.Locate("Name", "ADAMS"));
    EXPECT_EQ(t.Position(), 2); // stays
    EXPECT_FALSE(t.Locate("Name", "Adam"));
    EXPECT_TRUE(t.Locate("Room", "3"));
    EXPECT_EQ(t.Position(), 3);
}

TEST_F(MemTableTest, EmptyTableDropsEveryRecord)
{
    add("A");
    add("B");
    t.EmptyTable();
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.Position(), -1);
    EXPECT_TRUE(t.IsOpen());
}

TEST_F(MemTableTest, ResetDropsFieldsAndSort)
{
    add("B");
    t.Sort("Name", MemTable::SortCase::Sensitive);
    t.Reset();
    EXPECT_FALSE(t.IsOpen());
    EXPECT_EQ(t.FieldCount(), 0);
    EXPECT_EQ(t.SortField(), -1);
    EXPECT_EQ(t.RecordCount(), 0);
}

// --- delete ---

TEST_F(MemTableTest, DeleteMovesToTheNextRecordOrTheLast)
{
    add("A");
    add("B");
    add("C");
    t.SetPosition(2);
    EXPECT_TRUE(t.Delete());
    EXPECT_EQ(Column(t, 0), Bytes({"A", "C"}));
    EXPECT_EQ(t.FieldText("Name"), B("C"));
    EXPECT_TRUE(t.Delete());
    EXPECT_EQ(t.FieldText("Name"), B("A"));
    EXPECT_TRUE(t.Delete());
    EXPECT_EQ(t.Position(), -1);
    EXPECT_FALSE(t.Delete());
}

TEST_F(MemTableTest, BeforeDeleteCanRefuseSilently)
{
    add("A");
    add("B");
    bool allow = false;
    int asked = 0;
    t.SetBeforeDelete([&] {
        ++asked;
        return allow;
    });
    t.SetPosition(1);
    EXPECT_FALSE(t.Delete());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.Position(), 1);
    allow = true;
    EXPECT_TRUE(t.Delete());
    EXPECT_EQ(Column(t, 0), Bytes({"B"}));
}

TEST_F(MemTableTest, DeleteOfANewRecordDropsIt)
{
    add("A");
    int asked = 0;
    t.SetBeforeDelete([&] {
        ++asked;
        return true;
    });
    t.Append();
    t.SetFieldText(B("Name"), B("X"));
    t.Delete();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Column(t, 0), Bytes({"A"}));
}

TEST_F(MemTableTest, DeletedSlotsAreReusedWithoutMixingValues)
{
    add("A", "1");
    add("B", "2");
    t.SetPosition(1);
    t.Delete();
    add("C");
    EXPECT_EQ(Column(t, 0), Bytes({"B", "C"}));
    EXPECT_EQ(Column(t, 1), Bytes({"2", ""}));
}

// --- notifications ---

TEST_F(MemTableTest, AfterMoveFollowsEveryChangeOfTheCurrentRecord)
{
    add("A");
    add("B");
    int moves = 0;
    QObject::connect(&t, &MemTable::afterMove, [&] { ++moves; });
    t.First();
    EXPECT_EQ(moves, 1);
    t.Next();
    EXPECT_EQ(moves, 2);
    t.Next(); // at the end: no move
    EXPECT_EQ(moves, 2);
    t.SetPosition(2); // same position: ignored
    EXPECT_EQ(moves, 2);
    EXPECT_TRUE(t.Locate("Name", "A"));
    EXPECT_EQ(moves, 3);
    t.Append();
    EXPECT_EQ(moves, 4);
    t.Cancel();
    EXPECT_EQ(moves, 5);
    t.Insert();
    EXPECT_EQ(moves, 6);
    t.Cancel();
    t.Delete();
    EXPECT_EQ(moves, 8);
    t.AppendRecord({B("C")});
    EXPECT_EQ(moves, 9);
    t.Edit();
    t.SetFieldText(B("Name"), B("D"));
    t.Post(); // posting an edit is no move
    EXPECT_EQ(moves, 9);
}

// --- sort ---

TEST_F(MemTableTest, CaseSensitiveSortPutsLettersByAlphabetFirst)
{
    LocaleScope locale(QLocale(QLocale::English, QLocale::UnitedStates));
    add("Cole");
    add("Baker");
    add("adams");
    t.Sort("Name", MemTable::SortCase::Sensitive);
    EXPECT_EQ(Column(t, 0), Bytes({"adams", "Baker", "Cole"}));
}

TEST_F(MemTableTest, CCollationIsTakenAsEnglish)
{
    LocaleScope locale(QLocale::c());
    add("Cole");
    add("Baker");
    add("adams");
    t.Sort("Name", MemTable::SortCase::Sensitive);
    EXPECT_EQ(Column(t, 0), Bytes({"adams", "Baker", "Cole"}));
}

TEST_F(MemTableTest, CaseDecidesOnlyBetweenOtherwiseEqualTexts)
{
    LocaleScope locale(QLocale(QLocale::English, QLocale::UnitedStates));
    add("Lee", "1");
    add("lee", "2");
    add("LeeA", "3");
    add("Lea", "4");
    t.Sort("Name", MemTable::SortCase::Sensitive);
    EXPECT_EQ(Column(t, 1), Bytes({"4", "2", "1", "3"}));
}

TEST_F(MemTableTest, CaseInsensitiveSortKeepsEqualTextsInTheirOrder)
{
    LocaleScope locale(QLocale(QLocale::English, QLocale::UnitedStates));
    add("Lee", "1");
    add("bo", "2");
    add("lee", "3");
    add("LEE", "4");
    add("Abe", "5");
    t.Sort("Name", MemTable::SortCase::Insensitive);
    EXPECT_EQ(Column(t, 1), Bytes({"5", "2", "1", "3", "4"}));
}

TEST_F(MemTableTest, SortKeepsTheCurrentRecord)
{
    add("C");
    add("A");
    add("B");
    t.SetPosition(1); // C
    t.Sort("Name", MemTable::SortCase::Sensitive);
    EXPECT_EQ(t.FieldText("Name"), B("C"));
    EXPECT_EQ(t.Position(), 3);
}

TEST_F(MemTableTest, SortFollowsAddedAndEditedRecords)
{
    LocaleScope locale(QLocale(QLocale::English, QLocale::UnitedStates));
    add("Dan");
    add("Bob");
    t.Sort("Name", MemTable::SortCase::Insensitive);
    add("cy");
    EXPECT_EQ(Column(t, 0), Bytes({"Bob", "cy", "Dan"}));
    EXPECT_EQ(t.FieldText("Name"), B("cy"));
    EXPECT_EQ(t.Position(), 2);

    t.Append();
    t.SetFieldText(B("Name"), B("Al"));
    t.Post();
    EXPECT_EQ(Column(t, 0), Bytes({"Al", "Bob", "cy", "Dan"}));
    EXPECT_EQ(t.Position(), 1);

    // An edit that changes the sort field moves the record to its new place.
    t.Locate("Name", "Bob");
    t.Edit();
    t.SetFieldText(B("Name"), B("Eve"));
    t.Post();
    EXPECT_EQ(Column(t, 0), Bytes({"Al", "cy", "Dan", "Eve"}));
    EXPECT_EQ(t.Position(), 4);
    EXPECT_EQ(t.FieldText("Name"), B("Eve"));

    t.Edit();
    t.SetFieldText(B("Name"), B("Ab"));
    t.Post();
    EXPECT_EQ(Column(t, 0), Bytes({"Ab", "Al", "cy", "Dan"}));
    EXPECT_EQ(t.Position(), 1);

    // Insert ignores its place when a sort is set.
    t.SetPosition(4);
    t.Insert();
    t.SetFieldText(B("Name"), B("Bea"));
    t.Post();
    EXPECT_EQ(Column(t, 0), Bytes({"Ab", "Al", "Bea", "cy", "Dan"}));
}

TEST_F(MemTableTest, NewSortReplacesTheEarlierOne)
{
    add("B", "1");
    add("A", "3");
    add("C", "2");
    t.Sort("Name", MemTable::SortCase::Sensitive);
    t.Sort("Room", MemTable::SortCase::Sensitive);
    EXPECT_EQ(Column(t, 0), Bytes({"B", "C", "A"}));
    add("D", "0");
    EXPECT_EQ(Column(t, 0), Bytes({"D", "B", "C", "A"}));
}

TEST_F(MemTableTest, IntegerFieldSortsByValue)
{
    t.Reset();
    t.DefineField("Event", FieldType::Int16);
    t.DefineField("Client", FieldType::Text, 16);
    t.Open();
    t.AppendRecord({B("10"), B("x")});
    t.AppendRecord({B("9"), B("y")});
    t.AppendRecord({B("-2"), B("z")});
    t.Sort("event", MemTable::SortCase::Sensitive);
    EXPECT_EQ(Column(t, 0), Bytes({"-2", "9", "10"}));
    t.AppendRecord({B("5"), B("w")});
    EXPECT_EQ(Column(t, 0), Bytes({"-2", "5", "9", "10"}));
}

TEST_F(MemTableTest, SortOnUnknownFieldIsRefused)
{
    add("B");
    add("A");
    EXPECT_FALSE(t.Sort("Floor", MemTable::SortCase::Sensitive));
    EXPECT_EQ(Column(t, 0), Bytes({"B", "A"}));
}

TEST_F(MemTableTest, ManySortedAppendsStayInOrder)
{
    t.Sort("Room", MemTable::SortCase::Sensitive);
    // A fixed scramble of 0..999 (multiplication by a unit mod 1000).
    for (int i = 0; i < 1000; ++i) {
        const int v = (i * 337) % 1000;
        t.AppendRecord({B("n"), QByteArray::number(v).rightJustified(4, '0')});
    }
    ASSERT_EQ(t.RecordCount(), 1000);
    for (int r = 0; r < 1000; ++r)
        ASSERT_EQ(t.RowText(r, 1), QByteArray::number(r).rightJustified(4, '0')) << r;
}

TEST_F(MemTableTest, EditingEachRecordInSortOrderVisitsEveryOneWithEqualKeys)
{
    LocaleScope locale(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char *name : {"Lee", "Adams", "Lee", "Lee", "Baker"})
        t.AppendRecord({QByteArray(name)});
    t.Sort("Name", MemTable::SortCase::Sensitive);
    // A walk that edits another field of each record, as the renumbering of
    // a full upload does: records with equal names keep their places.
    int n = 0;
    t.First();
    while (!t.Eof()) {
        t.Edit();
        t.SetFieldText("Room", QByteArray::number(++n));
        t.Post();
        t.Next();
    }
    EXPECT_EQ(n, 5);
    EXPECT_EQ(Column(t, 0), Bytes({"Adams", "Baker", "Lee", "Lee", "Lee"}));
    EXPECT_EQ(Column(t, 1), Bytes({"1", "2", "3", "4", "5"}));
}

TEST_F(MemTableTest, RefreshSettlesAPendingChange)
{
    t.AppendRecord({"A", "1"});
    t.Append();
    t.Refresh();
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.CurrentState(), MemTable::State::Browse);
    t.Append();
    t.SetFieldText("Name", "B");
    t.Refresh();
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.Position(), 2);
}
