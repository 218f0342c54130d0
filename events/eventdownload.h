#pragma once
// The event download: the unit's clock, its whole event log as one bulk reply,
// and the rebuild of EventTable; the clock command; the events file.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

namespace porv {

class Link;
class MemTable;
class ShellServices;

// --- the log reply of "e" --------------------------------------------------

// A line of the log that reads as an event: at least 29 characters (the
// unit's numbering, the origin code, the date and the time), with either the
// date and time groups all hexadecimal or the origin code all hexadecimal or
// erased. A client name holding "OK" does not make it a closing line.
bool IsEventLine(const QByteArray &line);

struct EventLog {
    // The lines between the first line (never an event) and the closing line.
    QList<QByteArray> eventLines;
    // The closing line arrived: the last line that holds "OK" and does not read
    // as an event line, with no event line after it. The first line is the
    // closing line only when it is "OK" alone (an empty log).
    bool complete = false;
};

// The received text split into lines at CR LF; lines after the closing line
// are not events. Without a closing line, eventLines holds every complete line
// after the first, and complete is false.
EventLog ReadEventLog(const QByteArray &received);

// Whether the received text already holds the closing line. Looks back from
// the last complete line only as far as the closing line or an event line.
bool EventLogComplete(const QByteArray &received);

// --- the clock -------------------------------------------------------------

// The unit's clock as its boxes show it: "hh:nn:ss" and "dd/mm/yy" from the
// second reply line of "t" (seconds, minutes, hours, day, month, year as
// hexadecimal pairs). A box stays empty when its six characters are not all
// there; a pair that is not hexadecimal throws ConversionError.
struct UnitClockText {
    QByteArray time;
    QByteArray date;
};
UnitClockText DecodeClockReply(const QByteArray &line);

// "t" + ssnnhhddmmyy of the given local time (two decimal digits each) + CR.
QByteArray SetClockCommand(const QDateTime &localTime);

// The PC's time and date as the " Time " group shows them: the user's regional
// time format (without a time zone) and short date format.
QString RegionalTime(const QDateTime &localTime);
QString RegionalDate(const QDateTime &localTime);

// The four clock readings of the last download.
struct ClockReadings {
    QByteArray Stime = "00:00:00"; // the unit's time
    QByteArray Sdate = "00/00";    // the unit's date
    QString Ctime = QStringLiteral("00:00:00"); // the PC's time at the download
    QString Cdate = QStringLiteral("00/00/00"); // the PC's date at the download
};

// --- the events file ---------------------------------------------------------

// The two header lines, each ended by CR LF: the unit's clock and the PC's
// clock as read at the download. Box texts are written as Latin-1.
QByteArray EventsFileHeader(const ClockReadings &readings);
// Creates the file (replacing any file of that name) holding the two header
// lines. Throws FileError.
void WriteEventsFileHeader(const QString &path, const ClockReadings &readings);
// The header lines, then the table appended in the comma-separated table
// layout (field-name line, one line per record in the current order).
void SaveEventsFile(const QString &path, const MemTable &table, const ClockReadings &readings);

// --- the download --------------------------------------------------------------

struct EventDownloadOutcome {
    bool clockRead = false;    // the clock readings were taken (steps up to the log)
    bool clockUnreadable = false; // the unit's clock reply was not hexadecimal: its boxes are empty
    bool complete = false;     // the log reply arrived whole; the table was rebuilt
    int events = 0;            // records added
    int linesDropped = 0;      // event lines past the 16-bit event numbering
    QString conversionMessage; // the first unreadable date or time group, if any
};

// The steps of the Down Load command on the link, with the window's services
// for the transfer window and the lamp. The page supplies the clock source and
// hears when the clock boxes are to be filled.
class EventLogDownload {
public:
    EventLogDownload(Link &link, ShellServices &shell, MemTable &eventTable);

    // The PC's local clock (tests fix it).
    std::function<QDateTime()> LocalClock = [] { return QDateTime::currentDateTime(); };
    // Called once the unit's clock has been read and the PC's taken, before the
    // log is requested.
    std::function<void(const ClockReadings &)> ClockRead;

    // Polls of 100 ticks to wait for the whole log.
    int LogPolls = 200;

    // Runs the download. A failure that travels (a serial write failure)
    // leaves through here after the final steps have run. A clock reply that is
    // not hexadecimal leaves the unit's clock empty and the download goes on. The table changes only when the log arrived whole: it is
    // then redefined, filled in log order and left on its first record. An
    // unreadable date or time group leaves that field empty and the rest is
    // decoded; the outcome carries the message, for the caller to show once.
    EventDownloadOutcome Run();

    const ClockReadings &Readings() const { return m_readings; }

private:
    bool waitForLog(int polls);

    Link &m_link;
    ShellServices &m_shell;
    MemTable &m_table;
    ClockReadings m_readings;
};

// The lamp image shown when a transfer ends: on line.
constexpr int kLampOnLine = 21;

} // namespace porv
