#include "commands.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

#include "backupstore.h"
#include "clishell.h"
#include "directorytable.h"
#include "directorytransfer.h"
#include "eventsfile.h"
#include "eventdownload.h"
#include "failures.h"
#include "image.h"
#include "link.h"
#include "memtable.h"
#include "optionreader.h"
#include "procedures.h"
#include "tablecsv.h"
#include "tagtransfer.h"
#include "terminal.h"
#include "unitclock.h"
#include "unitconnection.h"

namespace porv::cli {

// --- the context ------------------------------------------------------------------------

CommandContext::CommandContext(const CliRequest &request, CliShell &shell, Interruption *interruption)
    : m_request(request), m_shell(shell), m_interruption(interruption)
{
}

CommandContext::~CommandContext() = default;

QByteArray CommandContext::pin() const
{
    // Asked for on the terminal without showing it.
    const auto typed = [] {
        const std::optional<QByteArray> line = ReadHiddenLine(QStringLiteral("porv-cli: the unit's PIN: "));
        if (!line || line->isEmpty())
            throw Stop{ExitUsage, QStringLiteral("no PIN given")};
        return *line;
    };
    QByteArray pin;
    QString where = QStringLiteral("--pin");
    if (m_request.pinGiven) {
        pin = m_request.pin;
    } else if (m_request.pinFromInput) {
        where = QStringLiteral("--pin -");
        if (StandardInputIsTerminal()) {
            pin = typed();
        } else {
            const std::optional<QByteArray> line = ReadInputLine();
            if (!line || line->isEmpty())
                throw Stop{ExitUsage, QStringLiteral("--pin -: no PIN on standard input")};
            pin = *line;
        }
    } else if (!m_request.pinFile.isEmpty()) {
        where = QStringLiteral("--pin-file");
        const QString file = EscapedArgument(m_request.pinFile);
        const OwnerOnlyLine read = ReadOwnerOnlyLine(m_request.pinFile);
        if (read.othersCanRead)
            throw Stop{ExitUsage, QStringLiteral("--pin-file: other users can read %1: make it readable by its owner "
                                                 "alone (chmod 600 %1)")
                                      .arg(file)};
        if (!read.problem.isEmpty())
            throw Stop{ExitFile, QStringLiteral("--pin-file: cannot read %1: %2").arg(file, read.problem)};
        if (read.line.isEmpty())
            throw Stop{ExitUsage, QStringLiteral("--pin-file: %1 holds no PIN on its first line").arg(file)};
        pin = read.line;
    } else if (!qgetenv("PORV_PIN").isEmpty()) {
        pin = qgetenv("PORV_PIN");
        where = QStringLiteral("PORV_PIN");
    } else if (StandardInputIsTerminal()) {
        pin = typed();
        where = QStringLiteral("the PIN");
    } else {
        throw Stop{ExitUsage, QStringLiteral("no PIN: give PORV_PIN, --pin-file FILE or --pin - (one line on "
                                             "standard input), or run on a terminal to type it")};
    }
    const QString problem = PinProblem(pin);
    if (!problem.isEmpty())
        throw Stop{ExitUsage, where + QStringLiteral(": ") + problem};
    return pin;
}

UnitConnection &CommandContext::unit()
{
    if (!m_unit) {
        const QByteArray key = pin();
        m_unit = std::make_unique<UnitConnection>(m_request, m_shell, m_interruption);
        m_unit->LogOn(key);
        // Every write that replaces what the unit holds saves it first.
        m_shell.beforeOverwrite = [this](const QString &) { return BackupBeforeWrite(*this, m_request.commandName()); };
    }
    return *m_unit;
}

void CommandContext::checkLink(const QString &step, const QString &left)
{
    const QString after = left.isEmpty() ? QString() : QStringLiteral("; ") + left;
    if (m_interruption && m_interruption->happened())
        throw Stop{ExitInterrupted, step + QStringLiteral(": interrupted; the link was closed") + after};
    if (m_unit && m_unit->Lost())
        throw Stop{ExitUnit, step + QStringLiteral(": the link to the unit was lost") + after};
}

// --- files --------------------------------------------------------------------------------

void CheckOutput(const CliRequest &r)
{
    if (r.toStandardOutput())
        return;
    const QFileInfo file(r.file);
    if (file.isDir())
        throw Stop{ExitFile, QStringLiteral("%1: %2 is a folder").arg(r.commandName(), EscapedArgument(r.file))};
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        throw Stop{ExitFile, QStringLiteral("%1: cannot write %2: no folder to write it in").arg(r.commandName(), EscapedArgument(r.file))};
}

void RefuseWriteWithoutBackup(const CliRequest &r, const QString &step, const QString &why, bool storeProblem)
{
    if (why.isEmpty() || !r.yes || r.noBackup)
        return;
    const QString folder = BackupStoreFolder();
    const QString where = folder.isEmpty() ? QString() : QStringLiteral(" in %1").arg(folder);
    const QString advice = QStringLiteral("nothing was written (give --no-backup as well to write without one)");
    if (storeProblem)
        throw Stop{ExitFile, QStringLiteral("%1: no automatic backup of the unit can be saved%2: %3; %4")
                                 .arg(step, where, why, advice)};
    throw Stop{ExitUnit, QStringLiteral("%1: the unit could not be backed up%2 first: %3; %4").arg(step, where, why, advice)};
}

void PrintOutput(const QByteArray &bytes)
{
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    if (std::fflush(stdout) != 0 || written != size_t(bytes.size()))
        throw Stop{ExitFile, QStringLiteral("cannot write standard output")};
}

QString OutputName(const CliRequest &r)
{
    return r.toStandardOutput() ? QStringLiteral("standard output") : EscapedArgument(r.file);
}

namespace {

void Done(CliShell &shell, const QString &text) { shell.Progress(text); }

// --- info ---------------------------------------------------------------------------------

void PrintInfo(const CliRequest &r, const QByteArray &modelLine, int memoryLimit, const ClockReadings &clock,
               int records, int tags, int events)
{
    const int capacity = std::max(0, DirectoryCapacity(memoryLimit));
    QByteArray out;
    if (r.json) {
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

// The phone list, as GetData takes it.
void ReadDirectory(CommandContext &c, const QString &step, StandaloneDirectory &directory)
{
    const DirectoryDownloadReport report = DownloadDirectory(c.unit().link(), c.shell(), directory);
    c.checkLink(step);
    if (!report.complete)
        throw Stop{ExitUnit, step + QStringLiteral(": the phone list (d01281152) did not arrive complete")};
}

ExitStatus Info(CommandContext &c)
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
    PrintInfo(c.request(), unit.ModelLine(), unit.session().MemoryLimit, log.clock, records, tags.entries, log.events);
    return ExitDone;
}

// --- directory ----------------------------------------------------------------------------

ExitStatus DirectoryGet(CommandContext &c)
{
    const CliRequest &r = c.request();
    CheckOutput(r);
    StandaloneDirectory directory;
    ReadDirectory(c, r.commandName(), directory);
    if (r.toStandardOutput())
        PrintOutput(TableCsvBytes(directory.table));
    else if (!SavePhoneList(directory.table, r.file, c.shell()))
        throw Stop{ExitUsage, QStringLiteral("%1: the unit holds no records; %2 was not replaced").arg(r.commandName(), EscapedArgument(r.file))};
    Done(c.shell(), QStringLiteral("%1 records written to %2").arg(directory.table.RecordCount()).arg(OutputName(r)));
    return ExitDone;
}

ExitStatus DirectoryPut(CommandContext &c)
{
    const CliRequest &r = c.request();
    const QString step = r.commandName();
    // The file whole, before the unit is touched.
    StandaloneDirectory directory;
    LoadPhoneList(directory.table, r.file);
    if (directory.table.RecordCount() == 0)
        throw Stop{ExitFile, QStringLiteral("%1: %2 holds no records; nothing was written").arg(step, EscapedArgument(r.file))};
    const DirectoryUploadReport report = UploadDirectory(c.unit().link(), c.shell(), directory);
    switch (report.outcome) {
    case UploadOutcome::TooMany:
        throw Stop{ExitFile, QStringLiteral("%1: %2 holds more records than this unit stores; nothing was written")
                                 .arg(step, EscapedArgument(r.file))};
    case UploadOutcome::NotConfirmed:
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};
    case UploadOutcome::Empty:
        throw Stop{ExitFile, QStringLiteral("%1: %2 holds no records; nothing was written").arg(step, EscapedArgument(r.file))};
    case UploadOutcome::NotErased:
        throw Stop{ExitUnit, step + QStringLiteral(": the unit did not acknowledge the erase (f5a); nothing was written")};
    case UploadOutcome::Written:
        break;
    }
    c.checkLink(step, QStringLiteral("the unit's phone list is incomplete: put it again"));
    if (report.errors > 0)
        throw Stop{ExitUnit, QStringLiteral("%1: the unit did not acknowledge %2 record(s)").arg(step).arg(report.errors)};
    if (!report.skipped.isEmpty())
        throw Stop{ExitFile, QStringLiteral("%1: %2 record(s) of %3 could not be stored (named above)")
                                 .arg(step)
                                 .arg(report.skipped.size())
                                 .arg(EscapedArgument(r.file))};
    Done(c.shell(), QStringLiteral("%1 records written to the unit").arg(report.sent));
    return ExitDone;
}

// --- parameters ---------------------------------------------------------------------------

// Every parameter block, as Read All reads them.
void ReadParameters(CommandContext &c, const QString &step, ParametersCore &core)
{
    if (core.ReadMessages() && core.ReadParameters())
        return;
    c.checkLink(step);
    throw Stop{ExitUnit, step + QStringLiteral(": no answer reading ") + core.UnansweredBlocks()};
}

ExitStatus ParametersGet(CommandContext &c)
{
    const CliRequest &r = c.request();
    CheckOutput(r);
    ParametersCore core(c.unit().link(), c.shell());
    ReadParameters(c, r.commandName(), core);
    if (r.toStandardOutput())
        PrintOutput(core.FileBytes());
    else
        core.SaveToFile(r.file);
    Done(c.shell(), QStringLiteral("parameters written to %1").arg(OutputName(r)));
    return ExitDone;
}

ExitStatus ParametersPut(CommandContext &c)
{
    const CliRequest &r = c.request();
    const QString step = r.commandName();
    // The file whole, and values the blocks can carry, before the unit is
    // touched: a setting that is no number would end Write All half way.
    {
        ParameterImage image;
        if (!LoadParameterFile(image, r.file))
            throw Stop{ExitFile, QStringLiteral("%1: Could not Load from file %2 (shorter than %3 bytes)")
                                     .arg(step, EscapedArgument(r.file))
                                     .arg(ParameterImage::Size)};
        try {
            ParameterFields fields;
            ControlsFromImage(image, fields);
            (void)EncodeSettings(fields);
        } catch (const ConversionError &e) {
            throw Stop{ExitFile, QStringLiteral("%1: %2: %3").arg(step, EscapedArgument(r.file), e.message())};
        }
    }
    // What the file does not hold (some settings, the diverts) is written as
    // the unit holds it: everything is read first, then the file goes on top.
    ParametersCore core(c.unit().link(), c.shell());
    ReadParameters(c, step, core);
    if (!core.LoadFromFile(r.file))
        throw Stop{ExitFile, QStringLiteral("%1: Could not Load from file %2").arg(step, EscapedArgument(r.file))};
    const ParametersWriteReport report = core.WriteAll();
    c.checkLink(step, QStringLiteral("some blocks may not have been written: put the file again"));
    if (!report.written)
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};
    if (!report.unconfirmed.isEmpty()) {
        QStringList blocks;
        for (const QByteArray &block : report.unconfirmed)
            blocks.append(QString::fromLatin1(block));
        throw Stop{ExitUnit, QStringLiteral("%1: the unit did not confirm block(s) %2").arg(step, blocks.join(QStringLiteral(", ")))};
    }
    Done(c.shell(), QStringLiteral("parameters written to the unit"));
    return ExitDone;
}

// --- events and clock ---------------------------------------------------------------------

ExitStatus EventsGet(CommandContext &c)
{
    const CliRequest &r = c.request();
    CheckOutput(r);
    MemTable table;
    const EventsRead log = ReadEvents(c, r.commandName(), table);
    if (r.toStandardOutput())
        PrintOutput(EventsFileBytes(table, log.clock));
    else
        SaveEventsFile(r.file, table, log.clock);
    Done(c.shell(), QStringLiteral("%1 events written to %2").arg(log.events).arg(OutputName(r)));
    return ExitDone;
}

ExitStatus ClockSet(CommandContext &c)
{
    UnitConnection &unit = c.unit();
    const QString step = c.request().commandName();
    // As Set_time: the PC's local time.
    const QDateTime now = QDateTime::currentDateTime();
    unit.link().SendCommand(SetClockCommand(now));
    c.checkLink(step);
    // The unit says nothing that shows the clock took: it is read back as
    // Down Load reads it, and must stand within a few seconds of the PC's.
    const UnitClockText read = ReadUnitClockWhole(unit.link()).value_or(UnitClockText{});
    c.checkLink(step);
    const QDateTime unitClock = UnitClockDateTime(read.time, read.date);
    const QString setTo = QStringLiteral("%1 %2").arg(now.toString(QStringLiteral("HH:mm:ss")),
                                                      now.toString(QStringLiteral("dd/MM/yy")));
    if (!unitClock.isValid())
        throw Stop{ExitUnit, QStringLiteral("%1: the unit's clock could not be read back (t) after setting it to %2")
                                 .arg(step, setTo)};
    const QDateTime pcNow = QDateTime::currentDateTime();
    const QDateTime pcWall(pcNow.date(), pcNow.time(), Qt::UTC);
    constexpr qint64 kClockSlack = 10; // seconds: the exchange's own time, and the second cut off
    if (std::abs(unitClock.secsTo(pcWall)) > kClockSlack)
        throw Stop{ExitUnit, QStringLiteral("%1: the unit's clock reads %2 %3 after setting it to %4: the unit did not "
                                            "take the setting")
                                 .arg(step, QString::fromLatin1(read.time), QString::fromLatin1(read.date), setTo)};
    Done(c.shell(), QStringLiteral("the unit's clock set to %1 %2").arg(RegionalTime(now), RegionalDate(now)));
    return ExitDone;
}

} // namespace

ExitStatus RunCommand(CommandContext &context)
{
    if (context.request().usesBackup())
        return RunBackupCommand(context);
    switch (context.request().command) {
    case Command::Info:
        return Info(context);
    case Command::DirectoryGet:
        return DirectoryGet(context);
    case Command::DirectoryPut:
        return DirectoryPut(context);
    case Command::ParametersGet:
        return ParametersGet(context);
    case Command::ParametersPut:
        return ParametersPut(context);
    case Command::EventsGet:
        return EventsGet(context);
    case Command::ClockSet:
        return ClockSet(context);
    case Command::Backup:
    case Command::Restore:
    case Command::Diff:
    case Command::None:
        break;
    }
    throw Stop{ExitUsage, QStringLiteral("no command given")};
}

} // namespace porv::cli
