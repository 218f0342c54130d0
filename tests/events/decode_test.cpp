// Decoding event lines into EventTable, the log reply, the clock reply and
// command, the events file and the title-click sort.
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "eventdownload.h"
#include "eventtable.h"
#include "failures.h"
#include "memtable.h"

using namespace porv;

namespace {

// An event line in the unit's layout: numbering, origin, date, time, relay,
// set-by, two unread characters, client name (padded to 16).
QByteArray eventLine(const QByteArray &origin, const QByteArray &date = "190C0F", const QByteArray &time = "0E051E",
                     char relay = '1', char setBy = '0', const QByteArray &client = "SMITH J")
{
    QByteArray c = client;
    if (c.size() < 16)
        c += QByteArray(16 - c.size(), ' ');
    return "0001," + origin + date + time + ',' + relay + ',' + setBy + ",00," + c;
}

QList<QByteArray> decoded(const QByteArray &line, qint16 number = 1) { return DecodeEventLine(line, number); }

enum Column { Event, Room, Date, Time, Relay, Source, Client };

QByteArray logReply(const QList<QByteArray> &events, const QByteArray &closing = "OK")
{
    QByteArray out = "e\r\n";
    for (const QByteArray &e : events)
        out += e + "\r\n";
    return out + closing + "\r\n";
}

} // namespace

// --- origin codes -------------------------------------------------------------

TEST(EventOrigin, IncomingCallAndButtons)
{
    EXPECT_EQ(DecodeEventOrigin("B00000000000"), "InCall");
    EXPECT_EQ(DecodeEventOrigin("B12345678901"), "InCall");
    EXPECT_EQ(DecodeEventOrigin("A00300000000"), "Butt.3");
    EXPECT_EQ(DecodeEventOrigin("A00700000000"), "Butt.7");
}

TEST(EventOrigin, ErrorCodes)
{
    EXPECT_EQ(DecodeEventOrigin("C12345678901"), "error");
    // Not twelve characters: error, whatever the first one says.
    EXPECT_EQ(DecodeEventOrigin("B0000000000"), "error");
    EXPECT_EQ(DecodeEventOrigin("0102030405060"), "error");
    EXPECT_EQ(DecodeEventOrigin(""), "error");
}

TEST(EventOrigin, RoomNumbersEndAtFOrErasedBytes)
{
    EXPECT_EQ(DecodeEventOrigin("010203040506"), "123456");
    EXPECT_EQ(DecodeEventOrigin("0102030405FF"), "12345");
    EXPECT_EQ(DecodeEventOrigin("020004FFFFFF"), "204");
    QByteArray erased = "010203";
    erased += char(0xFF);
    erased += char(0xFF);
    erased += "06";
    erased += char(0xFF);
    erased += "9";
    ASSERT_EQ(erased.size(), 12);
    EXPECT_EQ(DecodeEventOrigin(erased), "123"); // stops at the 0xFF of the eighth character
    EXPECT_EQ(DecodeEventOrigin("0F0000000000"), "");
    // Only the even-numbered characters count.
    EXPECT_EQ(DecodeEventOrigin("F1F2F3F4F5F6"), "123456");
}

// --- whole lines ----------------------------------------------------------------

TEST(EventLine, RoomEventFieldByField)
{
    const QList<QByteArray> v = decoded(eventLine("020004FFFFFF", "190C0F", "0E051E", '2', '1', "BROOKS"), 7);
    ASSERT_EQ(v.size(), 7);
    EXPECT_EQ(v[Event], "7");
    EXPECT_EQ(v[Room], "204");
    EXPECT_EQ(v[Date], "25/12/15");
    EXPECT_EQ(v[Time], "14:05:30");
    EXPECT_EQ(v[Relay], "2");
    EXPECT_EQ(v[Source], "Remote");
    EXPECT_EQ(v[Client], "BROOKS          "); // characters 38-53 as they stand
}

TEST(EventLine, ButtonInCallAndErrorTakeTheirOriginAsClient)
{
    EXPECT_EQ(decoded(eventLine("B00000000000"))[Client], "InCall");
    EXPECT_EQ(decoded(eventLine("B00000000000"))[Room], "InCall");
    EXPECT_EQ(decoded(eventLine("A00300000000"))[Client], "Butt.3");
    EXPECT_EQ(decoded(eventLine("C12345678901"))[Client], "error");
    EXPECT_EQ(decoded(eventLine("C12345678901"))[Room], "error");
    // An empty room number still takes the logged client name.
    const QList<QByteArray> empty = decoded(eventLine("0F0000000000", "190C0F", "0E051E", '1', '0', "LEE"));
    EXPECT_EQ(empty[Room], "");
    EXPECT_EQ(empty[Client], "LEE             ");
}

TEST(EventLine, DateAndTimeTriplets)
{
    EXPECT_EQ(decoded(eventLine("010203040506", "010203", "000000"))[Date], "01/02/03");
    EXPECT_EQ(decoded(eventLine("010203040506", "1F0C63", "173B3B"))[Date], "31/12/99");
    EXPECT_EQ(decoded(eventLine("010203040506", "1F0C63", "173B3B"))[Time], "23:59:59");
    // Each pair as the last two digits of its decimal value.
    EXPECT_EQ(decoded(eventLine("010203040506", "FFFFFF", "646464"))[Date], "55/55/55");
    EXPECT_EQ(decoded(eventLine("010203040506", "FFFFFF", "646464"))[Time], "00:00:00");
    // Lower-case hexadecimal reads too.
    EXPECT_EQ(decoded(eventLine("010203040506", "1f0c0f", "0e051e"))[Date], "31/12/15");
}

TEST(EventLine, SetByCodes)
{
    EXPECT_EQ(decoded(eventLine("010203040506", "190C0F", "0E051E", '1', '0'))[Source], "local");
    EXPECT_EQ(decoded(eventLine("010203040506", "190C0F", "0E051E", '1', '1'))[Source], "Remote");
    EXPECT_EQ(decoded(eventLine("010203040506", "190C0F", "0E051E", '1', '2'))[Source], "RF-ID");
    EXPECT_EQ(decoded(eventLine("010203040506", "190C0F", "0E051E", '1', '7'))[Source], "Error");
    EXPECT_EQ(decoded(eventLine("010203040506", "190C0F", "0E051E", '1', 'x'))[Source], "Error");
}

TEST(EventLine, ShortLinesGiveEmptyFieldsNotReadsPastTheEnd)
{
    // Origin and date complete, time cut short; nothing beyond.
    const QList<QByteArray> v = decoded("0001,010203040506190C0F0E05");
    EXPECT_EQ(v[Room], "123456");
    EXPECT_EQ(v[Date], "25/12/15");
    EXPECT_EQ(v[Time], "");
    EXPECT_EQ(v[Relay], "");
    EXPECT_EQ(v[Source], "Error");
    EXPECT_EQ(v[Client], "");
    const QList<QByteArray> tiny = decoded("01");
    EXPECT_EQ(tiny[Room], "error");
    EXPECT_EQ(tiny[Date], "");
    EXPECT_EQ(tiny[Client], "");
}

TEST(EventLine, UnreadablePairThrowsOrIsLeftEmpty)
{
    const QByteArray bad = eventLine("010203040506", "19G10F", "0E051E");
    try {
        DecodeEventLine(bad, 1);
        FAIL() << "no conversion failure";
    } catch (const ConversionError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'$G1' is not a valid integer value"));
    }
    QString failure;
    const QList<QByteArray> kept = DecodeEventLineKeeping(bad, 4, &failure);
    EXPECT_EQ(failure, QStringLiteral("'$G1' is not a valid integer value"));
    EXPECT_EQ(kept[Date], "");
    EXPECT_EQ(kept[Time], "14:05:30");
    EXPECT_EQ(kept[Room], "123456");
    EXPECT_EQ(kept[Event], "4");
    // The first message is kept.
    DecodeEventLineKeeping(eventLine("010203040506", "190C0F", "0Z051E"), 5, &failure);
    EXPECT_EQ(failure, QStringLiteral("'$G1' is not a valid integer value"));
}

// --- the table -------------------------------------------------------------------

TEST(EventTableTest, DefinitionAndAppend)
{
    MemTable t;
    t.DefineField("Stale", FieldType::Text, 3);
    DefineEventTable(t);
    ASSERT_EQ(t.FieldCount(), 7);
    const char *names[] = {"Event", "RoomNumber", "Date", "Time", "RlyNo", "Source", "Client"};
    const int widths[] = {0, 6, 8, 8, 1, 6, 16};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(t.Field(i).name, names[i]);
        EXPECT_EQ(t.Field(i).width, widths[i]);
    }
    EXPECT_EQ(t.Field(0).type, FieldType::Int16);
    EXPECT_FALSE(t.IsOpen());
    t.Open();
    AddEventRecord(t, eventLine("020004FFFFFF"), 1);
    AddEventRecord(t, eventLine("B00000000000"), 2);
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.RowText(1, 0), "2");
    EXPECT_EQ(t.RowText(1, 6), "InCall");
    // A conversion failure adds nothing.
    EXPECT_THROW(AddEventRecord(t, eventLine("010203040506", "zz0C0F"), 3), ConversionError);
    EXPECT_EQ(t.RecordCount(), 2);
}

TEST(EventTableTest, TitleClickSortsDateAndTimeByEvent)
{
    MemTable t;
    EXPECT_FALSE(SortEventTableByTitle(t, "Client")); // never opened: nothing happens
    DefineEventTable(t);
    t.Open();
    // Event 1 is the latest in time text order, event 3 the earliest.
    t.AppendRecord({"1", "300", "01/01/16", "23:00:00", "1", "local", "cole"});
    t.AppendRecord({"2", "100", "31/12/15", "12:00:00", "1", "local", "Baker"});
    t.AppendRecord({"3", "200", "15/06/15", "01:00:00", "1", "local", "adams"});
    t.AppendRecord({"10", "400", "02/01/16", "00:00:00", "1", "local", "Dent"});
    ASSERT_TRUE(SortEventTableByTitle(t, "Client"));
    EXPECT_EQ(t.RowText(0, 6), "adams");
    EXPECT_EQ(t.RowText(1, 6), "Baker");
    EXPECT_EQ(t.RowText(2, 6), "cole");
    EXPECT_EQ(t.Position(), 1);
    ASSERT_TRUE(SortEventTableByTitle(t, "Time"));
    EXPECT_EQ(t.RowText(0, 0), "1");
    EXPECT_EQ(t.RowText(3, 0), "10"); // by number, not by text
    ASSERT_TRUE(SortEventTableByTitle(t, "RoomNumber"));
    EXPECT_EQ(t.RowText(0, 1), "100");
    ASSERT_TRUE(SortEventTableByTitle(t, "Date"));
    EXPECT_EQ(t.SortField(), 0);
    EXPECT_EQ(t.RowText(1, 0), "2");
}

// --- the log reply ---------------------------------------------------------------

TEST(EventLogReply, LinesBetweenTheFirstAndTheClosingLine)
{
    const QByteArray a = eventLine("010203040506"), b = eventLine("B00000000000"), c = eventLine("A00300000000");
    EventLog log = ReadEventLog(logReply({a, b, c}));
    EXPECT_TRUE(log.complete);
    EXPECT_EQ(log.eventLines, (QList<QByteArray>{a, b, c}));
    log = ReadEventLog(logReply({}));
    EXPECT_TRUE(log.complete);
    EXPECT_TRUE(log.eventLines.isEmpty());
}

TEST(EventLogReply, AClientNamedOkDoesNotCloseTheLog)
{
    const QByteArray brooks = eventLine("020004FFFFFF", "190C0F", "0E051E", '1', '0', "BROOKS");
    const QByteArray okafor = eventLine("03000400FFFF", "190C0F", "0E051E", '1', '0', "OKAFOR");
    const QByteArray later = eventLine("010203040506");
    const QByteArray reply = logReply({brooks, okafor, later});
    const EventLog log = ReadEventLog(reply);
    EXPECT_TRUE(log.complete);
    EXPECT_EQ(log.eventLines, (QList<QByteArray>{brooks, okafor, later}));

    // Without the closing line the log is not complete, even though "OK" came.
    const QByteArray cut = "e\r\n" + brooks + "\r\n" + okafor + "\r\n";
    EXPECT_FALSE(EventLogComplete(cut));
    EXPECT_FALSE(ReadEventLog(cut).complete);
    EXPECT_EQ(ReadEventLog(cut).eventLines.size(), 2);
    // The closing line then completes it.
    EXPECT_TRUE(EventLogComplete(cut + later + "\r\nOK\r\n"));
}

TEST(EventLogReply, TheClosingLineIsTheLastOkLineThatIsNoEvent)
{
    const QByteArray a = eventLine("010203040506");
    EXPECT_FALSE(EventLogComplete("e\r\n" + a + "\r\nOK")); // closing line not ended yet
    EXPECT_TRUE(EventLogComplete("e\r\n" + a + "\r\nOK\r\n"));
    // An "OK" in the first line does not complete it; "OK" alone is an empty log.
    EXPECT_FALSE(EventLogComplete("OK\r\n" + a + "\r\n"));
    EXPECT_FALSE(EventLogComplete("Log OK\r\n"));
    EXPECT_TRUE(ReadEventLog("OK\r\n").complete);
    EXPECT_TRUE(ReadEventLog("OK\r\n").eventLines.isEmpty());
    // A closing line as long as an event line, and lines after it that are no events.
    const QByteArray closing = "End of event log: 2 record(s) OK";
    EventLog log = ReadEventLog("e\r\n" + a + "\r\n" + a + "\r\n" + closing + "\r\n>\r\n");
    EXPECT_TRUE(log.complete);
    EXPECT_EQ(log.eventLines, (QList<QByteArray>{a, a}));
    // An event line after an "OK" line: the log goes on.
    EXPECT_FALSE(EventLogComplete("e\r\n" + a + "\r\nOK\r\n" + a + "\r\n"));
    log = ReadEventLog("e\r\n" + a + "\r\nOK\r\n" + a + "\r\nOK\r\n");
    EXPECT_EQ(log.eventLines.size(), 3);
    // A bad date keeps a line an event by its origin code.
    EXPECT_TRUE(IsEventLine(eventLine("010203040506", "19Q10F", "0E051E", '1', '0', "BROOKS")));
    // A last line cut off without its line end is left out.
    const EventLog cut = ReadEventLog("e\r\n" + a + "\r\n0002,0102");
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.eventLines.size(), 1);
    EXPECT_TRUE(IsEventLine(a));
    EXPECT_FALSE(IsEventLine("OK"));
    EXPECT_FALSE(IsEventLine(closing));
}

// --- the clock ----------------------------------------------------------------------

TEST(EventClock, ReplyPairsAreSecondsToYear)
{
    UnitClockText c = DecodeClockReply("1E0A0E190C0F");
    EXPECT_EQ(c.time, "14:10:30");
    EXPECT_EQ(c.date, "25/12/15");
    c = DecodeClockReply("1E0A0E190C0FXYZ"); // anything after the twelve characters is not read
    EXPECT_EQ(c.date, "25/12/15");
    c = DecodeClockReply("1E0A0E190C");
    EXPECT_EQ(c.time, "14:10:30");
    EXPECT_EQ(c.date, "");
    c = DecodeClockReply("");
    EXPECT_EQ(c.time, "");
    EXPECT_EQ(c.date, "");
    EXPECT_THROW(DecodeClockReply("1E0A0E19QC0F"), ConversionError);
}

TEST(EventClock, SetCommandIsDecimalPairsSecondsToYear)
{
    EXPECT_EQ(SetClockCommand(QDateTime(QDate(2016, 3, 7), QTime(9, 5, 3))), "t030509070316\r");
    EXPECT_EQ(SetClockCommand(QDateTime(QDate(2016, 3, 7), QTime(9, 5, 3))).size(), 14);
    EXPECT_EQ(SetClockCommand(QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59))), "t595923311299\r");
    EXPECT_EQ(SetClockCommand(QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0))), "t000000010100\r");
}

TEST(EventClock, RegionalFormatsFollowTheLocale)
{
    const QLocale previous;
    const QDateTime at(QDate(2016, 3, 7), QTime(9, 5, 3));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(RegionalTime(at), QStringLiteral("09:05:03"));
    EXPECT_EQ(RegionalDate(at), QStringLiteral("07/03/2016"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(RegionalTime(at), QStringLiteral("09:05:03"));
    EXPECT_EQ(RegionalDate(at), QStringLiteral("07.03.16"));
    QLocale::setDefault(previous);
}

// --- the events file -------------------------------------------------------------------

TEST(EventsFile, HeaderLinesThenTheTableInItsCurrentOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Events.Evt"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(500, 'x')); // replaced, not appended to
    }
    MemTable t;
    DefineEventTable(t);
    t.Open();
    t.AppendRecord({"1", "300", "01/01/16", "23:00:00", "1", "local", "Cole, A"});
    t.AppendRecord({"2", "100", "31/12/15", "12:00:00", "2", "RF-ID", "50%"});
    ASSERT_TRUE(SortEventTableByTitle(t, "RoomNumber"));
    ClockReadings r;
    r.Stime = "14:10:30";
    r.Sdate = "25/12/15";
    r.Ctime = QStringLiteral("14:11:02");
    r.Cdate = QStringLiteral("25/12/2015");
    SaveEventsFile(path, t, r);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("Portavel time when saved was: 14:10:30  25/12/15\r\n"
                                      "Current time when Loaded was: 14:11:02  25/12/2015\r\n"
                                      "Event,RoomNumber,Date,Time,RlyNo,Source,Client\r\n"
                                      "2,100,31/12/15,12:00:00,2,RF-ID,50%%\r\n"
                                      "1,300,01/01/16,23:00:00,1,local,Cole%m A\r\n"));
}

TEST(EventsFile, UnwritablePathThrows)
{
    MemTable t;
    DefineEventTable(t);
    t.Open();
    EXPECT_THROW(SaveEventsFile(QStringLiteral("/nonexistent-dir/x.Evt"), t, ClockReadings()), FileError);
}
