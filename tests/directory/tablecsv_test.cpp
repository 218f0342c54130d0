#include "directorytable.h"
#include "failures.h"
#include "memtable.h"
#include "savefile.h"
#include "table_helpers.h"
#include "tablecsv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace porv;
using namespace porv::test;

namespace {

QByteArray B(const char *s) { return QByteArray(s); }

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class TableCsvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        fresh(t);
    }
    static void fresh(MemTable &table)
    {
        DefineDirectoryTable(table);
        table.Open();
        table.EmptyTable();
    }
    // An open table with an integer column, Event, and a text column, Client.
    static void freshEvents(MemTable &table)
    {
        table.DefineField("Event", FieldType::Int16);
        table.DefineField("Client", FieldType::Text, 16);
        table.Open();
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    // Loads bytes through a file into a fresh directory table.
    void loadBytes(const QByteArray &bytes)
    {
        writeAll(path("in.csv"), bytes);
        fresh(t);
        LoadTableCsv(t, path("in.csv"));
    }
    void addSmith()
    {
        t.AppendRecord({B("SMITH J"), B("204"), B("0123456789"), B("1234"), B(""), B(""), B(""), B("1000")});
    }

    QTemporaryDir dir;
    MemTable t;
};

const QByteArray kHeader("Name,RoomNumber,PHnumber,Code1,Code2,spare,RFID,Addr\r\n");

} // namespace

// --- as written ---

TEST_F(TableCsvTest, TheNinetyOneByteExample)
{
    addSmith();
    SaveTableCsv(t, path("p.csv"), false);
    const QByteArray bytes = readAll(path("p.csv"));
    EXPECT_EQ(bytes, kHeader + "SMITH J,204,0123456789,1234,,,,1000\r\n");
    EXPECT_EQ(bytes.size(), 91);
}

TEST_F(TableCsvTest, EmptyTableWritesTheHeaderOnly)
{
    SaveTableCsv(t, path("p.csv"), false);
    EXPECT_EQ(readAll(path("p.csv")), kHeader);
}

TEST_F(TableCsvTest, EscapesPercentLineEndsNulAndComma)
{
    t.AppendRecord({QByteArray("50%\r\n\0x,y", 9)});
    EXPECT_EQ(TableCsvBytes(t), kHeader + "50%%%c%n%0x%my,,,,,,,\r\n");
}

TEST_F(TableCsvTest, OtherBytesAreWrittenAsTheyStand)
{
    t.AppendRecord({QByteArray("\"Q\" \xe9\xff;", 7)});
    EXPECT_EQ(TableCsvBytes(t), kHeader + QByteArray("\"Q\" \xe9\xff;,,,,,,,\r\n", 16));
}

TEST_F(TableCsvTest, PendingRecordIsNotWrittenAndOrderIsTheCurrentOne)
{
    LocaleScope locale(QLocale(QLocale::English, QLocale::UnitedStates));
    t.AppendRecord({B("cole")});
    t.AppendRecord({B("Baker")});
    t.AppendRecord({B("adams")});
    t.Sort("Name", MemTable::SortCase::Insensitive);
    t.Append();
    t.SetFieldText(B("Name"), B("Zed"));
    EXPECT_EQ(TableCsvBytes(t), kHeader + "adams,,,,,,,\r\nBaker,,,,,,,\r\ncole,,,,,,,\r\n");
    // Saving leaves the pending record pending.
    EXPECT_EQ(t.CurrentState(), MemTable::State::Insert);
    EXPECT_EQ(t.FieldText("Name"), B("Zed"));
}

TEST_F(TableCsvTest, IntegerFieldsInDecimal)
{
    MemTable e;
    e.DefineField("Event", FieldType::Int16);
    e.DefineField("RoomNumber", FieldType::Text, 6);
    e.Open();
    e.AppendRecord({B("1"), B("204")});
    e.AppendRecord({B("-300"), B("")});
    EXPECT_EQ(TableCsvBytes(e), B("Event,RoomNumber\r\n1,204\r\n-300,\r\n"));
}

TEST_F(TableCsvTest, AppendModeAddsToTheEnd)
{
    writeAll(path("e.Evt"), B("first\r\nsecond\r\n"));
    addSmith();
    SaveTableCsv(t, path("e.Evt"), true);
    EXPECT_EQ(readAll(path("e.Evt")), B("first\r\nsecond\r\n") + kHeader + "SMITH J,204,0123456789,1234,,,,1000\r\n");
    SaveTableCsv(t, path("new.Evt"), true); // a missing file is created
    EXPECT_EQ(readAll(path("new.Evt")).size(), 91);
}

TEST_F(TableCsvTest, SaveReplacesTheWholeFile)
{
    writeAll(path("p.csv"), QByteArray(5000, 'x'));
    addSmith();
    SaveTableCsv(t, path("p.csv"), false);
    EXPECT_EQ(readAll(path("p.csv")).size(), 91);
}

TEST_F(TableCsvTest, FailedSaveLeavesTheOldFileAndSaysWhy)
{
    addSmith();
    SaveTableCsv(t, path("p.csv"), false);
    const QByteArray good = readAll(path("p.csv"));
    try {
        SaveTableCsv(t, path("missing/dir/p.csv"), false);
        FAIL() << "no failure";
    } catch (const FileError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("missing/dir/p.csv"))) << e.message().toStdString();
    }
    // A directory in the way of the file: nothing replaced.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("adir")));
    EXPECT_THROW(SaveTableCsv(t, path("adir"), false), FileError);
    EXPECT_TRUE(QFileInfo(path("adir")).isDir());
    EXPECT_EQ(readAll(path("p.csv")), good);
}

// --- as read ---

TEST_F(TableCsvTest, RoundTripKeepsEveryValue)
{
    addSmith();
    t.AppendRecord({QByteArray("50%", 3), B("1"), B("*1#p"), B(""), B("9"), B("7"), B("A1B2C3D4E5"), B("1020")});
    t.AppendRecord({QByteArray("a\r\nb\0c", 6), B("2")});
    t.AppendRecord({B("O'Neil, Anne"), B("3")});
    t.AppendRecord({B("trail%")});
    SaveTableCsv(t, path("p.csv"), false);
    MemTable back;
    fresh(back);
    EXPECT_EQ(LoadTableCsv(back, path("p.csv")), 5);
    ASSERT_EQ(back.RecordCount(), 5);
    for (int r = 0; r < 5; ++r)
        for (int f = 0; f < 8; ++f)
            EXPECT_EQ(back.RowText(r, f), t.RowText(r, f)) << r << "," << f;
    EXPECT_TRUE(readAll(path("p.csv")).contains("50%%,"));
    EXPECT_EQ(back.RowText(3, 0), B("O'Neil, Anne"));
}

TEST_F(TableCsvTest, TheExampleLoadsBack)
{
    loadBytes(kHeader + "SMITH J,204,0123456789,1234,,,,1000\r\n");
    ASSERT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(Column(t, 0), Bytes({"SMITH J"}));
    EXPECT_EQ(t.RowText(0, 3), B("1234"));
    EXPECT_EQ(t.RowText(0, 4), B(""));
    EXPECT_EQ(t.RowText(0, 7), B("1000"));
}

TEST_F(TableCsvTest, LineOfSevenCommasIsARecordWithEmptyFields)
{
    loadBytes(kHeader + ",,,,,,,\r\n");
    ASSERT_EQ(t.RecordCount(), 1);
    for (int f = 0; f < 8; ++f)
        EXPECT_TRUE(t.RowText(0, f).isEmpty());
}

TEST_F(TableCsvTest, ColumnsMatchWithoutCaseInAnyOrder)
{
    loadBytes(B("ADDR,name,roomnumber\r\n1000,SMITH,204\r\n1020,LEE,12\r\n"));
    ASSERT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.RowText(1, 0), B("LEE"));
    EXPECT_EQ(t.RowText(1, 1), B("12"));
    EXPECT_EQ(t.RowText(1, 7), B("1020"));
    for (int f : {2, 3, 4, 5, 6})
        EXPECT_TRUE(t.RowText(0, f).isEmpty());
}

TEST_F(TableCsvTest, UnknownColumnIsIgnored)
{
    loadBytes(B("Name,Floor,RoomNumber\r\nLEE,3,12\r\n"));
    ASSERT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.RowText(0, 0), B("LEE"));
    EXPECT_EQ(t.RowText(0, 1), B("12"));
}

TEST_F(TableCsvTest, ShortAndLongLines)
{
    loadBytes(kHeader + "LEE,12\r\nA,1,2,3,4,5,6,7,extra,more\r\n");
    ASSERT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.RowText(0, 1), B("12"));
    EXPECT_TRUE(t.RowText(0, 2).isEmpty());
    EXPECT_EQ(t.RowText(1, 7), B("7"));
}

TEST_F(TableCsvTest, BlankLinesAreSkippedAndLastLineNeedsNoEnd)
{
    QByteArray bytes = kHeader + "A,1\r\n\r\n\r\nB,2\n\nC,3\r";
    bytes.append('\0');
    bytes.append("D,4");
    loadBytes(bytes);
    EXPECT_EQ(Column(t, 0), Bytes({"A", "B", "C", "D"}));
    EXPECT_EQ(Column(t, 1), Bytes({"1", "2", "3", "4"}));
}

TEST_F(TableCsvTest, LaterColumnOfTheSameNameWins)
{
    loadBytes(B("Name,NAME\r\nfirst,second\r\n"));
    EXPECT_EQ(Column(t, 0), Bytes({"second"}));
}

TEST_F(TableCsvTest, HeaderlessFileLoadsEmptyRecords)
{
    loadBytes(B("SMITH J,204,0123456789,1234,,,,1000\r\nLEE,12,,,,,,1020\r\n"));
    ASSERT_EQ(t.RecordCount(), 1);
    for (int f = 0; f < 8; ++f)
        EXPECT_TRUE(t.RowText(0, f).isEmpty());
}

TEST_F(TableCsvTest, ValuesAreUnescapedThenCut)
{
    loadBytes(kHeader + "%%%%%%%%%%%%%%%%%%%%,12%m3,,ab%,,,,\r\n");
    ASSERT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.RowText(0, 0), B("%%%%%%%%%%")); // ten, from twenty escaped
    EXPECT_EQ(t.RowText(0, 1), B("12,3"));
    EXPECT_EQ(t.RowText(0, 3), B("ab")); // a "%" ending a value is dropped
}

TEST_F(TableCsvTest, UnknownEscapesAreKept)
{
    EXPECT_EQ(UnescapeCsvValue(B("a%xb%C")), B("a%xb%C"));
    EXPECT_EQ(UnescapeCsvValue(B("%c%n%0%%%m")), QByteArray("\r\n\0%,", 5));
}

TEST_F(TableCsvTest, LoadAppendsToWhatIsThere)
{
    addSmith();
    writeAll(path("in.csv"), kHeader + "LEE,12\r\n");
    LoadTableCsv(t, path("in.csv"));
    EXPECT_EQ(Column(t, 0), Bytes({"SMITH J", "LEE"}));
}

TEST_F(TableCsvTest, EmptyFileLoadsNothing)
{
    loadBytes(QByteArray());
    EXPECT_EQ(t.RecordCount(), 0);
}

TEST_F(TableCsvTest, IntegerColumnTakesOnlySixteenBitNumbers)
{
    MemTable e;
    freshEvents(e);
    EXPECT_EQ(LoadTableCsvBytes(e, B("Event,Client\r\n7,a\r\nx,b\r\n99999,c\r\n-5,d\r\n")), 4);
    EXPECT_EQ(Column(e, 0), Bytes({"7", "", "", "-5"}));
    EXPECT_EQ(Column(e, 1), Bytes({"a", "b", "c", "d"}));
}

TEST_F(TableCsvTest, IntegerColumnReadsNumbersAsTheTableDoes)
{
    // What the table refuses from SetFieldText leaves the field empty; what it
    // takes is stored as it would store it. The load never stops half way.
    MemTable e;
    freshEvents(e);
    EXPECT_EQ(LoadTableCsvBytes(e, B("Event,Client\r\n3 ,a\r\n $1F,b\r\n+4,c\r\n0x7FFF,d\r\n")), 4);
    EXPECT_EQ(Column(e, 0), Bytes({"", "31", "4", "32767"}));
    EXPECT_EQ(Column(e, 1), Bytes({"a", "b", "c", "d"}));
}

TEST_F(TableCsvTest, ClosedTableLoadsNothing)
{
    MemTable closed;
    DefineDirectoryTable(closed);
    EXPECT_EQ(LoadTableCsvBytes(closed, kHeader + "A\r\n"), 0);
}

// --- bad files ---

TEST_F(TableCsvTest, MissingFileThrowsFileErrorNamingIt)
{
    addSmith();
    try {
        LoadTableCsv(t, path("nope.csv"));
        FAIL() << "no failure";
    } catch (const FileError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("nope.csv")));
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open file")));
    }
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST_F(TableCsvTest, DirectoryIsNotReadAsAFile)
{
    EXPECT_THROW(LoadTableCsv(t, dir.path()), FileError);
    EXPECT_EQ(t.RecordCount(), 0);
}

TEST_F(TableCsvTest, OversizedFileIsRefused)
{
    {
        QFile f(path("big.csv"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kMaxReadFileBytes + 1)); // sparse, no disk cost
    }
    try {
        LoadTableCsv(t, path("big.csv"));
        FAIL() << "no failure";
    } catch (const FileError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("larger than")));
    }
    EXPECT_EQ(t.RecordCount(), 0);
}

TEST_F(TableCsvTest, ReadCapIsExact)
{
    writeAll(path("ten"), QByteArray(10, 'x'));
    EXPECT_EQ(ReadFileCapped(path("ten"), 10), QByteArray(10, 'x'));
    EXPECT_THROW(ReadFileCapped(path("ten"), 9), FileError);
}

TEST_F(TableCsvTest, BinaryFixtureLoadsWhatItCan)
{
    const QString fixture = QStringLiteral(PORV_DIRECTORY_FIXTURES "/binary.csv");
    ASSERT_TRUE(QFileInfo::exists(fixture));
    EXPECT_NO_THROW(LoadTableCsv(t, fixture));
    EXPECT_GT(t.RecordCount(), 10); // NUL, CR and LF bytes cut it into many lines
    for (int r = 0; r < t.RecordCount(); ++r)
        for (int f = 0; f < 8; ++f)
            ASSERT_LE(t.RowText(r, f).size(), t.Field(f).width);
}

TEST_F(TableCsvTest, VeryLongLinesAreCutToTheFieldWidths)
{
    QByteArray bytes = kHeader;
    bytes.append(QByteArray(2 * 1024 * 1024, 'N'));
    bytes.append(",204,");
    bytes.append(QByteArray(1024 * 1024, ','));
    bytes.append("\r\nLEE,12\r\n");
    loadBytes(bytes);
    ASSERT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.RowText(0, 0), QByteArray(16, 'N'));
    EXPECT_EQ(t.RowText(0, 1), B("204"));
    EXPECT_EQ(t.RowText(1, 0), B("LEE"));
}

TEST_F(TableCsvTest, MillionLinesLoad)
{
    QByteArray bytes = kHeader;
    bytes.reserve(kHeader.size() + 1000000 * 4);
    for (int i = 0; i < 1000000; ++i)
        bytes.append("A,1\n");
    loadBytes(bytes);
    EXPECT_EQ(t.RecordCount(), 1000000);
}
