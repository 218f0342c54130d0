#include "eventdownload.h"

#include <QLocale>

#include "codecs.h"
#include "delay.h"
#include "eventtable.h"
#include "failures.h"
#include "link.h"
#include "memtable.h"
#include "savefile.h"
#include "shellservices.h"
#include "tablecsv.h"

namespace porv {

namespace {

const QByteArray CRLF = QByteArrayLiteral("\r\n");

// Characters 1-5, the origin code, the date and the time.
constexpr int kEventLineMinimum = 5 + 12 + 6 + 6;
constexpr int kOriginAt = 5, kOriginLength = 12, kDateTimeAt = 17, kDateTimeLength = 12;

// Whether the characters are all hexadecimal digits (or erased bytes, where
// allowed).
bool allHex(const QByteArray &line, int at, int length, bool erasedToo)
{
    for (int i = at; i < at + length; ++i) {
        const char c = line.at(i);
        if (HexDigitValue(c) < 0 && !(erasedToo && uchar(c) == 0xFF))
            return false;
    }
    return true;
}

bool closesLog(const QByteArray &line) { return line.contains("OK") && !IsEventLine(line); }

// Where the closing line starts: the last complete line that holds "OK" and
// does not read as an event line, with no event line after it. The first line
// closes the log only when it is "OK" alone (an empty log). -1 while there is
// no such line.
qsizetype closingLineAt(const QByteArray &received)
{
    qsizetype end = received.lastIndexOf(CRLF); // a last line without its end is not looked at
    while (end >= 0) {
        const qsizetype previous = end > 0 ? received.lastIndexOf(CRLF, end - 1) : -1;
        const qsizetype start = previous < 0 ? 0 : previous + 2;
        const QByteArray line = received.mid(start, end - start);
        if (closesLog(line))
            return start > 0 || line == "OK" ? start : -1;
        if (IsEventLine(line))
            return -1;
        end = previous;
    }
    return -1;
}

// A regional format without its time-zone part ("t" outside quoted text).
QString withoutTimeZone(const QString &format)
{
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

// Runs the final steps of the download however it ends.
class FinalSteps {
public:
    FinalSteps(Link &link, ShellServices &shell) : m_link(link), m_shell(shell) {}
    ~FinalSteps()
    {
        m_shell.StopLampBlink();
        m_shell.SetLedImage(kLampOnLine);
        m_shell.HideTransfer();
        m_link.EndBulkReply();
    }
    FinalSteps(const FinalSteps &) = delete;
    FinalSteps &operator=(const FinalSteps &) = delete;

private:
    Link &m_link;
    ShellServices &m_shell;
};

// Keeps the table's display quiet while it is rebuilt; one reset at the end.
class QuietTable {
public:
    explicit QuietTable(MemTable &table) : m_table(table) { m_table.SuspendDisplay(); }
    ~QuietTable() { m_table.ResumeDisplay(); }
    QuietTable(const QuietTable &) = delete;
    QuietTable &operator=(const QuietTable &) = delete;

private:
    MemTable &m_table;
};

} // namespace

// --- the log reply -----------------------------------------------------------

bool IsEventLine(const QByteArray &line)
{
    // The date and time groups, or the origin code, as the unit writes them:
    // a closing line of any length reads as neither.
    return line.size() >= kEventLineMinimum
        && (allHex(line, kDateTimeAt, kDateTimeLength, false) || allHex(line, kOriginAt, kOriginLength, true));
}

EventLog ReadEventLog(const QByteArray &received)
{
    EventLog log;
    const qsizetype firstEnd = received.indexOf(CRLF);
    if (firstEnd < 0)
        return log;
    const qsizetype closing = closingLineAt(received);
    log.complete = closing >= 0;
    const qsizetype stop = log.complete ? closing : received.size();
    qsizetype pos = firstEnd + 2; // the first line is never an event
    while (pos < stop) {
        const qsizetype end = received.indexOf(CRLF, pos);
        if (end < 0)
            break; // a last line without its line end was cut off
        log.eventLines.append(received.mid(pos, end - pos));
        pos = end + 2;
    }
    return log;
}

bool EventLogComplete(const QByteArray &received) { return closingLineAt(received) >= 0; }

// --- the clock -------------------------------------------------------------------

UnitClockText DecodeClockReply(const QByteArray &line)
{
    UnitClockText clock;
    // Hours, minutes, seconds: characters 5-6, 3-4 and 1-2.
    const QByteArray hms = line.size() >= 6 ? line.mid(4, 2) + line.mid(2, 2) + line.mid(0, 2) : QByteArray();
    clock.time = FormatHexTriplet(hms, ":");
    clock.date = FormatHexTriplet(line.mid(6, 6), "/");
    return clock;
}

QByteArray SetClockCommand(const QDateTime &localTime)
{
    return "t" + localTime.toString(QStringLiteral("ssmmHHddMMyy")).toLatin1() + "\r";
}

QString RegionalTime(const QDateTime &localTime)
{
    const QLocale locale;
    return locale.toString(localTime.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString RegionalDate(const QDateTime &localTime)
{
    const QLocale locale;
    return locale.toString(localTime.date(), QLocale::ShortFormat);
}

// --- the events file ---------------------------------------------------------------

QByteArray EventsFileHeader(const ClockReadings &r)
{
    return "Portavel time when saved was: " + r.Stime + "  " + r.Sdate + CRLF + "Current time when Loaded was: "
        + r.Ctime.toLatin1() + "  " + r.Cdate.toLatin1() + CRLF;
}

void WriteEventsFileHeader(const QString &path, const ClockReadings &readings)
{
    SaveFileWhole(path, EventsFileHeader(readings));
}

void SaveEventsFile(const QString &path, const MemTable &table, const ClockReadings &readings)
{
    WriteEventsFileHeader(path, readings);
    SaveTableCsv(table, path, true);
}

// --- the download ---------------------------------------------------------------------

EventLogDownload::EventLogDownload(Link &link, ShellServices &shell, MemTable &eventTable)
    : m_link(link), m_shell(shell), m_table(eventTable)
{
}

bool EventLogDownload::waitForLog(int polls)
{
    m_link.ResetReply();
    bool complete = false;
    int done = 0;
    do {
        Delay(100);
        ++done;
        // A reply that reached the receive bound has lost its beginning.
        if (m_link.RxBuffer().size() >= Link::MaxReceived)
            break;
        complete = EventLogComplete(m_link.RxBuffer());
    } while (!complete && done < polls);
    m_link.SetReplyReceived(complete);
    return complete;
}

EventDownloadOutcome EventLogDownload::Run()
{
    EventDownloadOutcome outcome;
    m_shell.ShowTransfer();
    FinalSteps finalSteps(m_link, m_shell);
    m_shell.StartLampBlink();

    // The unit's clock.
    m_link.SendCommand("\r");
    Delay(200);
    m_link.ClearReceiveView();
    Delay(2);
    m_link.SendCommand("t\r");
    Delay(200);
    UnitClockText unit;
    try {
        unit = DecodeClockReply(m_link.ReplyLine(1));
    } catch (const ConversionError &) {
        // The clock boxes stay empty; the events are fetched all the same.
        outcome.clockUnreadable = true;
    }
    const QDateTime now = LocalClock ? LocalClock() : QDateTime::currentDateTime();
    m_readings.Stime = unit.time;
    m_readings.Sdate = unit.date;
    m_readings.Ctime = RegionalTime(now);
    m_readings.Cdate = RegionalDate(now);
    outcome.clockRead = true;
    if (ClockRead)
        ClockRead(m_readings);
    Delay(200);

    // The log, as one bulk reply.
    m_link.BeginBulkReply();
    m_link.ClearReceiveView();
    m_link.ResetLineCount();
    m_link.ResetReply();
    m_link.SendCommand("e\r");
    if (!waitForLog(LogPolls)) {
        m_link.SetReceiveView("Failed to get all data");
        return outcome;
    }

    const QByteArray received = m_link.RxBuffer();
    {
        QuietTable quiet(m_table);
        m_table.Close();
        DefineEventTable(m_table);
        m_table.Open();
        m_table.EmptyTable();
        m_link.EndBulkReply();
        m_link.SetReceiveView(received);

        const EventLog log = ReadEventLog(received);
        const int count = int(std::min<qsizetype>(log.eventLines.size(), kMaxEventNumber));
        outcome.linesDropped = int(log.eventLines.size()) - count;
        for (int i = 0; i < count; ++i)
            m_table.AppendRecord(DecodeEventLineKeeping(log.eventLines.at(i), qint16(i + 1), &outcome.conversionMessage));
        outcome.events = count;
    }
    m_table.First();
    outcome.complete = true;
    m_shell.SetSaveAsEnabled(true);
    m_shell.SetEventsLoaded(true);
    return outcome;
}

} // namespace porv
