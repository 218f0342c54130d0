#include "eventdownload.h"

#include <algorithm>
#include <cctype>

#include "bulktransfer.h"
#include "delay.h"
#include "eventtable.h"
#include "failures.h"
#include "link.h"
#include "memtable.h"
#include "request.h"
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

namespace {

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

ReplyRule UnitClockRule(ReplyWait wait)
{
    ReplyRule rule;
    rule.wait = wait;
    rule.judge = [](const QByteArray &received) {
        const qsizetype first = received.indexOf("\r\n");
        const qsizetype second = first < 0 ? -1 : received.indexOf("\r\n", first + 2);
        if (second < 0)
            return ReplyJudgement{};
        if (!SixHexPairs(received.mid(first + 2, second - first - 2)))
            return ReplyJudgement{ReplyJudgement::Verdict::NotOfForm, 0};
        return ReplyJudgement{ReplyJudgement::Verdict::Complete, second + 2};
    };
    return rule;
}

namespace {

// The reply of "e": a first line, the event lines, the closing line
// (EventLogComplete). Awaited in polls of 100 ticks.
ReplyRule eventLogRule(int polls)
{
    ReplyRule rule;
    rule.wait = ReplyWait::Polls(polls);
    rule.judge = [](const QByteArray &received) {
        return EventLogComplete(received) ? ReplyJudgement{ReplyJudgement::Verdict::Complete, received.size()}
                                          : ReplyJudgement{};
    };
    return rule;
}

} // namespace

UnitClockText ReadUnitClock(Link &link)
{
    link.SendCommand("\r");
    Delay(200);
    link.ClearReceiveView();
    Delay(2);
    // A fixed wait; the second line as far as it came.
    const Reply reply = Request(link, "t", UnitClockRule(ReplyWait::Fixed(200)));
    return DecodeClockReply(reply.Line(1));
}

std::optional<UnitClockText> ReadUnitClockWhole(Link &link, int ticks)
{
    // A reply still on its way from the command before (the setting's own
    // answer, a late prompt answer) may stand in front of the clock's lines;
    // the request passes over it, and a read that still fails is taken again.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts && link.LoggedOn(); ++attempt) {
        link.ClearReceiveView();
        Request(link, QByteArray(), OkLineRule(ReplyWait::UpTo(ticks / 2)));
        link.ClearReceiveView();
        Delay(2);
        const Reply reply = Request(link, "t", UnitClockRule(ReplyWait::UpTo(ticks)));
        if (!reply.Complete())
            continue;
        try {
            return DecodeClockReply(reply.Line(1));
        } catch (const ConversionError &) {
        }
    }
    return std::nullopt;
}

EventLogDownload::EventLogDownload(Link &link, ShellServices &shell, MemTable &eventTable)
    : m_link(link), m_shell(shell), m_table(eventTable)
{
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
    const bool owed = m_link.AnswerOwed();
    m_link.SendCommand("e\r");
    PendingReply log(m_link, eventLogRule(LogPolls), owed);
    m_link.ResetReply();
    const Reply reply = log.Wait();
    m_link.SetReplyReceived(reply.Complete());
    if (!reply.Complete()) {
        m_link.SetReceiveView("Failed to get all data");
        return outcome;
    }

    const QByteArray &received = reply.bytes;
    {
        // One reset of the grid when the table is whole.
        const TableDisplayPause paused(m_table);
        m_table.Close();
        DefineEventTable(m_table);
        m_table.Open();
        m_table.EmptyTable();
        m_link.EndBulkReply();
        m_link.SetReceiveView(m_link.RxBuffer());

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
