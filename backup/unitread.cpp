#include "unitread.h"

#include <QScopeGuard>
#include <QSet>

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
#include "request.h"
#include "session.h"
#include "shellservices.h"
#include "tagcodes.h"
#include "tagtransfer.h"
#include "unitmemory.h"

namespace porv {

QString UnitReadResult::message() const
{
    return error.isEmpty() ? QString() : failedStep + QStringLiteral(": ") + error;
}

namespace {

const QString kNoAnswer = QStringLiteral("the unit did not answer");
const QString kLinkClosed = QStringLiteral("the link was closed");
// Longer than any record line a unit lists (a backup refuses longer ones).
constexpr int kMaxRecordLine = 128;

// A step that did not go whole ends the read.
struct StepFailed {
    QString error;
};

// The records of a whole dump, as the unit lists them: every record line,
// with its fields decoded (the name whole, commas included) and the line kept.
// A line that is no record line is passed over, as is the first of none.
QList<BackupRecord> recordsOfDump(const QByteArray &received)
{
    QList<BackupRecord> out;
    QSet<QByteArray> seen;
    for (const QByteArray &line : ReadDirectoryDump(received).recordLines) {
        if (!IsDirectoryRecordLine(line))
            continue;
        BackupRecord r = RecordOfLine(line);
        if (seen.contains(r.addr))
            throw StepFailed{QStringLiteral("the phone list lists the address %1 twice").arg(QString::fromLatin1(r.addr))};
        if (line.size() > kMaxRecordLine)
            throw StepFailed{QStringLiteral("the record at %1 is listed longer than a record line").arg(QString::fromLatin1(r.addr))};
        seen.insert(r.addr);
        out.append(r);
    }
    return out;
}

UnitDirectoryRead readDirectory(Link &link, ShellServices &shell)
{
    UnitDirectoryRead read;
    StandaloneDirectory directory;
    const DirectoryDownloadReport report = DownloadDirectory(link, shell, directory);
    read.complete = report.complete;
    if (!report.started)
        read.error = QStringLiteral("another transfer is running");
    else if (report.silent)
        read.error = kNoAnswer;
    else if (report.loggedOff || !link.LoggedOn())
        read.error = kLinkClosed;
    else if (!report.complete)
        read.error = QStringLiteral("the phone list did not arrive complete");
    try {
        read.records = recordsOfDump(report.dump);
    } catch (const StepFailed &failed) {
        read.complete = false;
        read.error = failed.error;
    }
    return read;
}

constexpr int kPrefix = 5; // the unit's address text before a block's data

// Message blocks read from the bytes received rather than from the reply's
// lines: a message may hold a CR or LF of its own. After the dump's first
// line, each block is the five characters, its 32 bytes and CR LF; then the
// closing line. Empty when the bytes are not (yet) in that form.
QList<QByteArray> messageBlocksOf(const QByteArray &rx, int count)
{
    const qsizetype first = rx.indexOf("\r\n");
    if (first < 0)
        return {};
    qsizetype pos = first + 2;
    QList<QByteArray> data;
    for (int i = 0; i < count; ++i) {
        if (rx.size() < pos + kPrefix + 32 + 2 || rx.mid(pos + kPrefix + 32, 2) != "\r\n")
            return {};
        data.append(rx.mid(pos + kPrefix, 32));
        pos += kPrefix + 32 + 2;
    }
    return rx.indexOf("OK", pos) >= 0 ? data : QList<QByteArray>();
}

// The reads of the parameter blocks, each block at its line of the reply
// ("r": line 0; "d": line 1 on). Block 0003 is read alone: its reply holds
// the PINs, which the link trace hides.
struct BlockRead {
    const char *command;
    int ticks;
    QList<const char *> blocks;
};

// The rule of a block read: its lines (BlockReplyRule), each awaited until
// whole, at most the group read's wait; message blocks also whole in the form
// of the bytes received (messageBlocksOf), whose CR or LF would cut the lines.
ReplyRule blockReadRule(const BlockRead &read, const QList<LineNeed> &needs, bool messages)
{
    ReplyRule rule = BlockReplyRule(needs, ReplyWait::UpTo(read.ticks));
    if (!messages)
        return rule;
    const int count = int(read.blocks.size());
    rule.judge = [lines = rule.judge, count](const QByteArray &received) {
        if (messageBlocksOf(received, count).size() == count)
            return ReplyJudgement{ReplyJudgement::Verdict::Complete, received.size()};
        const ReplyJudgement byLines = lines(received);
        return byLines.verdict == ReplyJudgement::Verdict::Complete ? byLines : ReplyJudgement{};
    };
    return rule;
}

void readBlocks(Link &link, const BlockRead &read, ParameterBlocks &blocks)
{
    const bool dump = read.command[0] == 'd';
    const bool messages = FindParameterBlock(read.blocks.first())->message;
    QList<LineNeed> needs;
    for (int i = 0; i < read.blocks.size(); ++i)
        needs.append({dump ? i + 1 : i, kPrefix + FindParameterBlock(read.blocks.at(i))->length});
    link.ClearReceiveView();
    link.ClearReceived();
    const Reply reply = Request(link, read.command, blockReadRule(read, needs, messages));
    if (reply.outcome == ReplyOutcome::LinkLost)
        throw StepFailed{kLinkClosed};
    if (!reply.Complete()) {
        // The closing line came, but not in a form the tool reads.
        if (reply.outcome == ReplyOutcome::NotOfForm || reply.bytes.contains("OK"))
            throw StepFailed{QStringLiteral("block %1 came back in a form the tool does not read")
                                 .arg(QLatin1String(read.blocks.first()))};
        throw StepFailed{kNoAnswer + QStringLiteral(" (%1)").arg(QLatin1String(read.command))};
    }
    const QList<QByteArray> raw = messages ? messageBlocksOf(reply.bytes, int(read.blocks.size())) : QList<QByteArray>();
    for (int i = 0; i < read.blocks.size(); ++i) {
        const ParameterBlockLayout &layout = *FindParameterBlock(read.blocks.at(i));
        const QByteArray data =
            raw.size() == read.blocks.size() ? raw.at(i) : reply.Line(needs.at(i).line).mid(kPrefix, layout.length);
        if (!ParameterBlockDataValid(layout, data))
            throw StepFailed{QStringLiteral("block %1 came back in a form the tool does not read")
                                 .arg(QLatin1String(layout.block))};
        blocks.insert(layout.block, data);
    }
}

ParameterBlocks readParameterBlocks(Link &link, const OperationSteps &steps)
{
    static const QList<BlockRead> reads = {
        {"r0000", 1000, {"0000"}},
        {"r0001", 500, {"0001"}},
        {"r0002", 500, {"0002"}},
        {"d00040011", 1000, {"0004", "0005", "0006", "0007", "0008", "0009", "0010", "0011"}},
        {"d00120015", 1000, {"0012", "0013", "0014", "0015"}},
    };
    ParameterBlocks blocks;
    for (const BlockRead &read : reads) {
        readBlocks(link, read, blocks);
        steps.Count(int(blocks.size()), int(ParameterBlockLayouts().size()) - 1);
    }
    return blocks;
}

// Block 0003 as read, and its codes.
void readAccessCodes(Link &link, UnitBackup &backup)
{
    ParameterBlocks block;
    readBlocks(link, {"r0003", 500, {"0003"}}, block);
    backup.parameterBlocks->insert("0003", block.value("0003"));
    backup.access = AccessCodesOfBlock(block.value("0003"));
}

void readTags(Link &link, ShellServices &, UnitBackup &backup)
{
    BulkTransfer transfer(link, QStringLiteral("tag download"));
    transfer.BeginReply();
    const Reply reply = FetchTagList(link, transfer);
    if (!reply.Complete())
        throw StepFailed{link.LoggedOn() && reply.outcome != ReplyOutcome::LinkLost ? kNoAnswer : kLinkClosed};
    const QList<QByteArray> lines = reply.Lines();
    QList<BackupTag> tags;
    for (const TagEntry &entry : TagEntriesOfDump(lines))
        tags.append({entry.room, entry.code});
    backup.tags = tags;
    // The blocks as listed, when the unit listed them as the tool reads them
    // (the 128 blocks, one a line, after two lines and before two more).
    ParameterBlocks blocks;
    for (qsizetype i = 2; i + 2 < lines.size(); ++i) {
        const QByteArray data = lines.at(i).mid(kTagLinePrefix);
        if (!TagBlockDataValid(data) || blocks.size() == kTagBlockCount)
            return;
        blocks.insert(TagBlockNumber(kTagFirstBlock + int(blocks.size())), data);
    }
    if (blocks.size() == kTagBlockCount && TagsOfBlocks(blocks) == tags)
        backup.tagBlocks = blocks;
}

// "20yy-mm-dd hh:nn:ss" from the clock boxes' "hh:nn:ss" and "dd/mm/yy".
std::optional<QByteArray> clockText(const ClockReadings &r)
{
    if (r.Stime.size() != 8 || r.Sdate.size() != 8)
        return std::nullopt;
    return "20" + r.Sdate.mid(6, 2) + '-' + r.Sdate.mid(3, 2) + '-' + r.Sdate.left(2) + ' ' + r.Stime;
}

void readEvents(Link &link, ShellServices &shell, UnitBackup &backup)
{
    MemTable table;
    EventLogDownload download(link, shell, table);
    const EventDownloadOutcome outcome = download.Run();
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
                             const UnitReadOptions &options, const OperationHooks &hooks)
{
    UnitReadResult result;
    OperationSteps steps(hooks);
    shell.HoldFileCommands(true);
    const auto release = qScopeGuard([&shell] { shell.HoldFileCommands(false); });
    UnitBackup backup;
    backup.modelLine = unit.modelLine;
    backup.memoryLimit = unit.memoryLimit;
    backup.connection = unit.connection;
    // Each step begins logged on and not cancelled.
    const auto begin = [&](const char *step) {
        if (steps.CancelRequested()) {
            result.cancelled = true;
            throw StepFailed{QStringLiteral("cancelled")};
        }
        steps.Begin(QLatin1String(step));
        checkLoggedOn(link);
    };
    try {
        begin(readstep::kDirectory);
        const UnitDirectoryRead directory = readDirectory(link, shell);
        if (!directory.complete)
            throw StepFailed{directory.error};
        backup.directory = directory.records;

        begin(readstep::kParameters);
        backup.parameterBlocks = readParameterBlocks(link, steps);
        backup.parameters = ParameterImageOfBlocks(*backup.parameterBlocks);

        begin(readstep::kAccess);
        readAccessCodes(link, backup);

        begin(readstep::kTags);
        readTags(link, shell, backup);

        if (options.events) {
            begin(readstep::kEvents);
            readEvents(link, shell, backup);
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

UnitDirectoryRead ReadUnitDirectory(Link &link, ShellServices &shell, const OperationHooks &hooks)
{
    OperationSteps steps(hooks);
    steps.Begin(QLatin1String(readstep::kDirectory));
    if (!link.LoggedOn()) {
        UnitDirectoryRead read;
        read.error = QStringLiteral("not logged on to a unit");
        return read;
    }
    return readDirectory(link, shell);
}

UnitParametersRead ReadUnitParameters(Link &link, ShellServices &shell, const OperationHooks &hooks)
{
    (void)shell;
    UnitParametersRead read;
    OperationSteps steps(hooks);
    steps.Begin(QLatin1String(readstep::kParameters));
    try {
        checkLoggedOn(link);
        read.blocks = readParameterBlocks(link, steps);
    } catch (const StepFailed &failed) {
        read.error = failed.error;
    }
    return read;
}

} // namespace porv
