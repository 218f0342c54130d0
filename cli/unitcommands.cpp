// The commands that read or set what the unit shows of itself: info, events
// get, clock set.
#include "commands.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstdlib>

#include "clishell.h"
#include "directorytransfer.h"
#include "eventdownload.h"
#include "eventsfile.h"
#include "link.h"
#include "memtable.h"
#include "tagtransfer.h"
#include "unitclock.h"
#include "unitconnection.h"

namespace porv::cli {

namespace {

const CommandOption kInfoJson{{QStringLiteral("json")}, {},
                              QStringLiteral("the same as one JSON document on standard output: the clock in ISO 8601 "
                                             "(null when the unit's holds no real time), the unit's own text beside it")};

class InfoCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("info")}; }
    QString summary() const override
    {
        return QStringLiteral("model line, MemoryLimit, the unit's clock, and its record, tag and event counts");
    }
    QString description() const override
    {
        return QStringLiteral("The phone list, the tag list and the event log are read to be counted; nothing is "
                              "written to the unit.");
    }
    QList<CommandOption> options() const override { return {kInfoJson}; }
    ExitStatus run(CommandContext &c) const override { return ShowInfo(c, c.given().isSet(kInfoJson)); }
};

const CommandOption kEventsFile = OutputOption(QStringLiteral("FILE.Evt"), QStringLiteral("the events file to write"));

class EventsGetCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("events"), QStringLiteral("get")}; }
    QString summary() const override { return QStringLiteral("the event log and the unit's clock into a file"); }
    QString description() const override
    {
        return QStringLiteral("The file is the one the window's Events page saves after Down Load: the unit's clock "
                              "and the PC's in its first lines, then one line for each event.");
    }
    QList<CommandOption> options() const override { return {kEventsFile}; }
    ExitStatus run(CommandContext &c) const override { return GetEvents(c, c.given().path(kEventsFile)); }
};

class ClockSetCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("clock"), QStringLiteral("set")}; }
    QString summary() const override
    {
        return QStringLiteral("set the unit's clock to the PC's time, then read it back");
    }
    QString description() const override
    {
        return QStringLiteral("The unit's clock is set to the PC's local time. The unit gives no sign that the setting "
                              "took, so the clock is read back: one that cannot be read, or stands more than 10 "
                              "seconds from the PC's, ends the command with status 3.");
    }
    ExitStatus run(CommandContext &c) const override { return SetClock(c); }
};

void PrintInfo(bool json, const QByteArray &modelLine, int memoryLimit, const ClockReadings &clock,
               int records, int tags, int events)
{
    const int capacity = std::max(0, DirectoryCapacity(memoryLimit));
    QByteArray out;
    if (json) {
        // The clock in ISO 8601 (null when the unit's holds no real time),
        // and as the unit gave it.
        const QString iso = UnitClockIso(clock.Stime, clock.Sdate);
        QJsonObject unitClock;
        unitClock.insert(QStringLiteral("time"), QString::fromLatin1(clock.Stime));
        unitClock.insert(QStringLiteral("date"), QString::fromLatin1(clock.Sdate));
        QJsonObject info;
        info.insert(QStringLiteral("modelLine"), QString::fromLatin1(modelLine));
        info.insert(QStringLiteral("memoryLimit"), memoryLimit);
        info.insert(QStringLiteral("capacity"), capacity);
        info.insert(QStringLiteral("clock"), iso.isEmpty() ? QJsonValue() : QJsonValue(iso));
        info.insert(QStringLiteral("unitClock"), unitClock);
        info.insert(QStringLiteral("records"), records);
        info.insert(QStringLiteral("tags"), tags);
        info.insert(QStringLiteral("events"), events);
        out = QJsonDocument(info).toJson(QJsonDocument::Indented);
    } else {
        const QString text = QStringLiteral("Model line:   %1\n"
                                            "MemoryLimit:  %2 (%3 records)\n"
                                            "Unit clock:   %4 %5\n"
                                            "Records:      %6\n"
                                            "Tags:         %7\n"
                                            "Events:       %8\n")
                                 .arg(QString::fromLatin1(modelLine),
                                      QStringLiteral("0x") + QString::number(memoryLimit, 16).toUpper())
                                 .arg(capacity)
                                 .arg(QString::fromLatin1(clock.Stime), QString::fromLatin1(clock.Sdate))
                                 .arg(records)
                                 .arg(tags)
                                 .arg(events);
        out = text.toLocal8Bit();
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
}

// The event log and the clock, as the Events page's Down Load takes them.
struct EventsRead {
    ClockReadings clock;
    int events = 0;
};

EventsRead ReadEvents(CommandContext &c, const QString &step, MemTable &table)
{
    UnitConnection &unit = c.unit();
    EventLogDownload download(unit.link(), c.shell(), table);
    const EventDownloadOutcome outcome = download.Run();
    c.checkLink(step);
    for (const QString &note : EventDownloadNotes(outcome))
        c.shell().ShowMessage(note);
    if (!outcome.complete)
        throw Stop{ExitUnit, step + QStringLiteral(": the event log (e) did not arrive complete")};
    return {download.Readings(), outcome.events};
}

} // namespace

void RegisterUnitCommands(CommandRegistry &commands)
{
    commands.add<InfoCommand>();
    commands.add<EventsGetCommand>();
    commands.add<ClockSetCommand>();
}

// --- info -----------------------------------------------------------------------------------

ExitStatus ShowInfo(CommandContext &c, bool json)
{
    const QString step = QStringLiteral("info");
    UnitConnection &unit = c.unit();
    StandaloneDirectory directory;
    ReadDirectory(c, step, directory);
    const int records = directory.table.RecordCount();
    const TagDownloadReport tags = DownloadTags(unit.link(), c.shell(), directory);
    c.checkLink(step);
    if (!tags.replied)
        throw Stop{ExitUnit, step + QStringLiteral(": no answer to the tag list (s14081535)")};
    MemTable events;
    const EventsRead log = ReadEvents(c, step, events);
    PrintInfo(json, unit.Unit().modelLine, unit.session().MemoryLimit, log.clock, records, tags.entries, log.events);
    return ExitDone;
}

// --- events and clock ---------------------------------------------------------------------

ExitStatus GetEvents(CommandContext &c, const QString &file)
{
    const QString step = c.request().commandName();
    CheckOutput(step, file);
    MemTable table;
    const EventsRead log = ReadEvents(c, step, table);
    if (ToStandardOutput(file))
        PrintOutput(EventsFileBytes(table, log.clock));
    else
        SaveEventsFile(file, table, log.clock);
    c.shell().Progress(QStringLiteral("%1 events written to %2").arg(log.events).arg(OutputName(file)));
    return ExitDone;
}

ExitStatus SetClock(CommandContext &c)
{
    UnitConnection &unit = c.unit();
    const QString step = c.request().commandName();
    // As Set_time: the PC's local time.
    const QDateTime now = QDateTime::currentDateTime();
    UnitWriteScope journal(unit.link(), UnitWriteKind::ClockSet);
    if (!journal.Allowed())
        throw Stop{ExitUsage, step + QStringLiteral(": nothing was written")};
    unit.link().SendCommand(SetClockCommand(now));
    c.checkLink(step);
    // The unit says nothing that shows the clock took: it is read back as
    // Down Load reads it, and must stand within a few seconds of the PC's.
    const UnitClockText read = ReadUnitClockWhole(unit.link()).value_or(UnitClockText{});
    c.checkLink(step);
    const QDateTime unitClock = UnitClockDateTime(read.time, read.date);
    const QString setTo = QStringLiteral("%1 %2").arg(now.toString(QStringLiteral("HH:mm:ss")),
                                                      now.toString(QStringLiteral("dd/MM/yy")));
    const QDateTime pcNow = QDateTime::currentDateTime();
    const QDateTime pcWall(pcNow.date(), pcNow.time(), Qt::UTC);
    constexpr qint64 kClockSlack = 10; // seconds: the exchange's own time, and the second cut off
    const bool took = unitClock.isValid() && std::abs(unitClock.secsTo(pcWall)) <= kClockSlack;
    journal.Done(took, {ClockSetChange(now)}, QStringLiteral("the clock"));
    if (!unitClock.isValid())
        throw Stop{ExitUnit, QStringLiteral("%1: the unit's clock could not be read back (t) after setting it to %2")
                                 .arg(step, setTo)};
    if (!took)
        throw Stop{ExitUnit, QStringLiteral("%1: the unit's clock reads %2 %3 after setting it to %4: the unit did not "
                                            "take the setting")
                                 .arg(step, QString::fromLatin1(read.time), QString::fromLatin1(read.date), setTo)};
    c.shell().Progress(QStringLiteral("the unit's clock set to %1 %2").arg(RegionalTime(now), RegionalDate(now)));
    return ExitDone;
}

} // namespace porv::cli
