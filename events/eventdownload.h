#pragma once
// The event download: the unit's clock, its whole event log as one bulk
// reply, and the rebuild of EventTable.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "eventlog.h"
#include "eventsfile.h"
#include "request.h"
#include "unitclock.h"

namespace porv {

class Link;
class MemTable;
class ShellServices;

struct EventDownloadOutcome {
    bool clockRead = false;    // the clock readings were taken, before the log was asked for
    bool clockUnreadable = false; // the unit's clock reply was not hexadecimal: its boxes are empty
    bool complete = false;     // the log reply arrived whole; the table was rebuilt
    int events = 0;            // records added
    int linesDropped = 0;      // event lines past the 16-bit event numbering
    QString conversionMessage; // the first unreadable date or time group, if any
};

// What the user is told after a download: a clock reply that could not be
// read, and for a log that arrived whole, dates or times left empty and
// events beyond the table's numbering left out.
QStringList EventDownloadNotes(const EventDownloadOutcome &outcome);

// The reply of "t": its second line is the clock, six hexadecimal pairs (not
// of the form when that line ends otherwise); the tool reads nothing after it.
ReplyRule UnitClockRule(ReplyWait wait);

// The unit's clock as Down Load reads it: a prompt, then "t" with its fixed
// wait; the second reply line. Throws ConversionError when it is not
// hexadecimal pairs.
UnitClockText ReadUnitClock(Link &link);

// The unit's clock read back after it was set: the same prompt and "t", but
// each reply awaited until it is there (at most `ticks` each), so that a unit
// slow to answer is not taken for one that ignored the setting. Empty when
// the second reply line did not come whole or is not hexadecimal pairs.
std::optional<UnitClockText> ReadUnitClockWhole(Link &link, int ticks = 2000);

// The Down Load command on the link, with the window's services for the
// transfer window and the lamp. The page supplies the clock source and hears
// when the clock boxes are to be filled.
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

    // Runs the download. However it ends (a failure that travels, such as a
    // serial write failure, included), the transfer window, the lamp and
    // CountMode are given back (BulkTransfer). A clock reply that is not
    // hexadecimal leaves the unit's clock empty and the download goes on. The
    // table changes only when the log arrived whole: it is then redefined,
    // filled in log order and left on its first record. An unreadable date or
    // time group leaves that field empty and the rest is decoded; the outcome
    // carries the message, for the caller to show once.
    EventDownloadOutcome Run();

    const ClockReadings &Readings() const { return m_readings; }
    // The event lines of the last whole log, exactly as received (without
    // their line ends), every one of them even past the table's numbering.
    const QList<QByteArray> &EventLines() const { return m_lines; }

private:
    Link &m_link;
    ShellServices &m_shell;
    MemTable &m_table;
    ClockReadings m_readings;
    QList<QByteArray> m_lines;
};

} // namespace porv
