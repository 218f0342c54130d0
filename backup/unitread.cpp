#include "unitread.h"

#include <QScopeGuard>

#include "backupparameters.h"
#include "blocks.h"
#include "bulktransfer.h"
#include "delay.h"
#include "directorychanges.h"
#include "directorytransfer.h"
#include "eventdownload.h"
#include "fields.h"
#include "link.h"
#include "memtable.h"
#include "session.h"
#include "stepshell.h"
#include "tagtransfer.h"

namespace porv {

QString ConnectionDescription(const Session &session)
{
    if (session.NetworkSelected)
        return QStringLiteral("udp ") + QString::fromLatin1(session.LogOnAddress);
    return QStringLiteral("serial ") + session.SerialPortName();
}

QString UnitReadResult::message() const
{
    return error.isEmpty() ? QString() : failedStep + QStringLiteral(": ") + error;
}

namespace {

const QString kNoAnswer = QStringLiteral("the unit did not answer");
const QString kLinkClosed = QStringLiteral("the link was closed");

// A step that did not go whole ends the read.
struct StepFailed {
    QString error;
};

// The records of a downloaded directory table, in its order.
QList<BackupRecord> recordsOf(const MemTable &table)
{
    QList<BackupRecord> out;
    for (const TargetRecord &t : TargetRecordsOfTable(table))
        out.append(t.record);
    return out;
}

UnitDirectoryRead readDirectory(Link &link, StepShell &shell)
{
    UnitDirectoryRead read;
    StandaloneDirectory directory;
    const DirectoryDownloadReport report = DownloadDirectory(link, shell, directory);
    shell.TakeMessages(); // the report says it all
    read.records = recordsOf(directory.table);
    read.complete = report.complete;
    if (!report.started)
        read.error = QStringLiteral("another transfer is running");
    else if (report.silent)
        read.error = kNoAnswer;
    else if (report.loggedOff || !link.LoggedOn())
        read.error = kLinkClosed;
    else if (!report.complete)
        read.error = QStringLiteral("the phone list did not arrive complete");
    return read;
}

// Sends a read and waits until its reply holds every needed line and its
// closing line, or `ticks` have passed.
bool readReply(Link &link, const QByteArray &command, int ticks, const QList<LineNeed> &needs)
{
    link.ClearReceiveView();
    link.SendCommand(command + '\r');
    constexpr int kPoll = 10;
    for (int waited = 0; waited < ticks; waited += kPoll) {
        Delay(kPoll);
        if (ReplyWhole(link.ReplyLines(), needs))
            return true;
        if (!link.LoggedOn())
            throw StepFailed{kLinkClosed};
    }
    return false;
}

// The reads of the parameter blocks, each block at its line of the reply.
struct BlockRead {
    const char *command;
    int ticks;
    QList<QPair<const char *, int>> blocks; // block, reply line
};

ParameterBlocks readParameterBlocks(Link &link, StepShell &shell)
{
    static const QList<BlockRead> reads = {
        {"r0000", 1000, {{"0000", 0}}},
        {"r0001", 500, {{"0001", 0}}},
        {"d00080010", 1000, {{"0008", 1}, {"0009", 2}}},
        {"d00050006", 1000, {{"0005", 1}}},
        {"r0002", 500, {{"0002", 0}}},
        {"d00120015", 1000, {{"0012", 1}, {"0013", 2}, {"0014", 3}, {"0015", 4}}},
    };
    constexpr int kPrefix = 5; // the unit's address text before a block's data
    ParameterBlocks blocks;
    for (const BlockRead &read : reads) {
        QList<LineNeed> needs;
        for (const auto &[block, line] : read.blocks)
            needs.append({line, kPrefix + FindParameterBlock(block)->length});
        if (!readReply(link, read.command, read.ticks, needs))
            throw StepFailed{kNoAnswer + QStringLiteral(" (%1)").arg(QLatin1String(read.command))};
        for (const auto &[block, line] : read.blocks) {
            const ParameterBlockLayout &layout = *FindParameterBlock(block);
            const QByteArray data = link.ReplyLine(line).mid(kPrefix, layout.length);
            if (!ParameterBlockDataValid(layout, data))
                throw StepFailed{QStringLiteral("block %1 came back in a form the tool does not read")
                                     .arg(QLatin1String(block))};
            blocks.insert(block, data);
        }
        shell.report(int(blocks.size()), int(BackedUpParameterBlocks().size()));
    }
    return blocks;
}

AccessCodes readAccessCodes(Link &link)
{
    if (!readReply(link, "r0003", 500, {{0, 5 + 64}}))
        throw StepFailed{kNoAnswer + QStringLiteral(" (r0003)")};
    ParameterFields fields;
    DecodePins(fields, link.ReplyLines());
    AccessCodes codes;
    for (int i = 0; i < PinFields().size(); ++i)
        (i < 4 ? codes.pins : codes.emergency).append(fields.text(PinFields().at(i)));
    return codes;
}

QList<BackupTag> readTags(Link &link, StepShell &shell)
{
    BulkTransfer transfer(link, shell);
    transfer.BeginReply();
    if (!FetchTagList(link, transfer))
        throw StepFailed{link.LoggedOn() ? kNoAnswer : kLinkClosed};
    QList<BackupTag> tags;
    for (const TagEntry &entry : TagEntriesOfDump(link.ReplyLines()))
        tags.append({entry.room, entry.code});
    return tags;
}

// "20yy-mm-dd hh:nn:ss" from the clock boxes' "hh:nn:ss" and "dd/mm/yy".
std::optional<QByteArray> clockText(const ClockReadings &r)
{
    if (r.Stime.size() != 8 || r.Sdate.size() != 8)
        return std::nullopt;
    return "20" + r.Sdate.mid(6, 2) + '-' + r.Sdate.mid(3, 2) + '-' + r.Sdate.left(2) + ' ' + r.Stime;
}

void readEvents(Link &link, StepShell &shell, UnitBackup &backup)
{
    MemTable table;
    EventLogDownload download(link, shell, table);
    const EventDownloadOutcome outcome = download.Run();
    shell.TakeMessages();
    if (!outcome.complete)
        throw StepFailed{link.LoggedOn() ? QStringLiteral("the unit did not send the whole event log") : kLinkClosed};
    if (!outcome.clockUnreadable)
        backup.clock = clockText(download.Readings());
    backup.events = download.EventLines();
}

// The File commands are held for the span of an operation, and the link must
// be logged on at each step.
void checkLoggedOn(const Link &link)
{
    if (!link.LoggedOn())
        throw StepFailed{QStringLiteral("not logged on to a unit")};
}

} // namespace

UnitReadResult ReadWholeUnit(Link &link, ShellServices &shell, const UnitIdentity &unit,
                             const UnitReadOptions &options, const ProgressCallback &progress)
{
    UnitReadResult result;
    StepShell steps(shell, progress);
    shell.HoldFileCommands(true);
    const auto release = qScopeGuard([&shell] { shell.HoldFileCommands(false); });
    UnitBackup backup;
    backup.modelLine = unit.modelLine;
    backup.memoryLimit = unit.memoryLimit;
    backup.connection = unit.connection;
    try {
        steps.BeginStep(QLatin1String(readstep::kDirectory));
        checkLoggedOn(link);
        const UnitDirectoryRead directory = readDirectory(link, steps);
        if (!directory.complete)
            throw StepFailed{directory.error};
        backup.directory = directory.records;

        steps.BeginStep(QLatin1String(readstep::kParameters));
        checkLoggedOn(link);
        backup.parameterBlocks = readParameterBlocks(link, steps);
        backup.parameters = ParameterImageOfBlocks(*backup.parameterBlocks);

        steps.BeginStep(QLatin1String(readstep::kAccess));
        checkLoggedOn(link);
        backup.access = readAccessCodes(link);

        steps.BeginStep(QLatin1String(readstep::kTags));
        checkLoggedOn(link);
        backup.tags = readTags(link, steps);

        if (options.events) {
            steps.BeginStep(QLatin1String(readstep::kEvents));
            checkLoggedOn(link);
            readEvents(link, steps, backup);
        }
    } catch (const StepFailed &failed) {
        result.failedStep = steps.Step();
        result.error = failed.error;
        return result;
    }
    backup.taken = QDateTime::currentDateTimeUtc();
    result.backup = std::move(backup);
    return result;
}

UnitDirectoryRead ReadUnitDirectory(Link &link, ShellServices &shell, const ProgressCallback &progress)
{
    StepShell steps(shell, progress);
    steps.BeginStep(QLatin1String(readstep::kDirectory));
    if (!link.LoggedOn()) {
        UnitDirectoryRead read;
        read.error = QStringLiteral("not logged on to a unit");
        return read;
    }
    return readDirectory(link, steps);
}

UnitParametersRead ReadUnitParameters(Link &link, ShellServices &shell, const ProgressCallback &progress)
{
    UnitParametersRead read;
    StepShell steps(shell, progress);
    steps.BeginStep(QLatin1String(readstep::kParameters));
    try {
        checkLoggedOn(link);
        read.blocks = readParameterBlocks(link, steps);
    } catch (const StepFailed &failed) {
        read.error = failed.error;
    }
    return read;
}

} // namespace porv
