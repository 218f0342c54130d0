#include "eventdownload.h"

#include <algorithm>
#include <cctype>

#include "bulktransfer.h"
#include "delay.h"
#include "eventtable.h"
#include "failures.h"
#include "link.h"
#include "memtable.h"
#include "shellservices.h"

namespace porv {

QStringList EventDownloadNotes(const EventDownloadOutcome &outcome)
{
    QStringList notes;
    if (outcome.clockUnreadable)
        notes.append(QStringLiteral("The unit's clock could not be read."));
    if (!outcome.complete)
        return notes;
    // Unreadable dates or times were left empty; the rest of the log is kept.
    if (!outcome.conversionMessage.isEmpty())
        notes.append(outcome.conversionMessage);
    // The table numbers its events in 16 bits.
    if (outcome.linesDropped > 0)
        notes.append(QStringLiteral("%1 events after the first %2 were left out.")
                         .arg(outcome.linesDropped)
                         .arg(kMaxEventNumber));
    return notes;
}

UnitClockText ReadUnitClock(Link &link)
{
    link.SendCommand("\r");
    Delay(200);
    link.ClearReceiveView();
    Delay(2);
    link.SendCommand("t\r");
    Delay(200);
    return DecodeClockReply(link.ReplyLine(1));
}

namespace {

// Waits in short steps until `whole` holds for the receive view, at most
// `ticks`; false when it never did or the link closed.
template <class Whole>
bool awaitView(Link &link, int ticks, Whole whole)
{
    constexpr int kStep = 10;
    for (int waited = 0; waited <= ticks; waited += kStep) {
        if (whole(link.ReceiveView()))
            return true;
        if (!link.LoggedOn())
            return false;
        Delay(kStep);
    }
    return whole(link.ReceiveView());
}

// The clock's line: six hexadecimal pairs, seconds to year.
bool SixHexPairs(const QByteArray &line)
{
    if (line.size() < 12)
        return false;
    for (int i = 0; i < 12; ++i)
        if (!std::isxdigit(uchar(line[i])))
            return false;
    return true;
}

} // namespace

std::optional<UnitClockText> ReadUnitClockWhole(Link &link, int ticks)
{
    // A reply still on its way from the command before (the setting's own
    // answer, a late prompt answer) would stand in front of the clock's
    // lines: such a read is taken again, by which time it has passed.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts && link.LoggedOn(); ++attempt) {
        link.ClearReceiveView();
        link.SendCommand("\r");
        awaitView(link, ticks / 2, [](const QByteArray &view) { return view.contains("OK"); });
        link.ClearReceiveView();
        Delay(2);
        link.SendCommand("t\r");
        // The second line ended: its CR LF is the view's second.
        if (!awaitView(link, ticks, [](const QByteArray &view) { return view.count("\r\n") >= 2; }))
            continue;
        const QByteArray line = link.ReplyLine(1);
        if (!SixHexPairs(line))
            continue;
        try {
            return DecodeClockReply(line);
        } catch (const ConversionError &) {
        }
    }
    return std::nullopt;
}

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
    m_lines.clear();
    BulkTransfer transfer(m_link, QStringLiteral("event download"));
    // The keep-alive stays: CountMode alone keeps it quiet.
    transfer.Show(TransferShown);

    // The unit's clock.
    UnitClockText unit;
    try {
        unit = ReadUnitClock(m_link);
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
    transfer.BeginReply();
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
        // One reset of the grid when the table is whole.
        const TableDisplayPause paused(m_table);
        m_table.Close();
        DefineEventTable(m_table);
        m_table.Open();
        m_table.EmptyTable();
        m_link.EndBulkReply();
        m_link.SetReceiveView(received);

        const EventLog log = ReadEventLog(received);
        m_lines = log.eventLines;
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
