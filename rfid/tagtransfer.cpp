#include "tagtransfer.h"

#include <QScopeGuard>
#include <QString>
#include <QStringList>
#include <algorithm>

#include "bulktransfer.h"
#include "delay.h"
#include "directorytable.h"
#include "link.h"
#include "memtable.h"
#include "shellservices.h"

namespace porv {

namespace {

constexpr int kWriteAttempts = 3;
constexpr int kVerifyRounds = 2;

void showText(ShellServices &shell, const char *text) { shell.ShowMessage(QString::fromLatin1(text)); }

} // namespace

// --- download ------------------------------------------------------------------------

TagDownloadReport DownloadTags(Link &link, ShellServices &shell, DirectoryAccess &directory)
{
    TagDownloadReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();

    BulkTransfer transfer(link, shell);
    transfer.BeginReply();
    state.DirectoryBusy = true;
    const auto idle = qScopeGuard([&state] { state.DirectoryBusy = false; });
    link.ClearReceived();
    TableDisplayPause paused(table);
    const Reply tags = FetchTagList(link, transfer);
    report.replied = tags.Complete();
    if (!report.replied) {
        // The table keeps its records and codes.
        showText(shell, tagtext::kCommunicationError);
    } else {
        report.tagged.Reset();
        // The codes go; the records stay. An empty table is made afresh.
        bool redefined = false;
        if (table.IsOpen() && table.RecordCount() > 0) {
            ClearTagCodes(table);
        } else {
            DefineDirectoryTable(table);
            table.Open();
            table.EmptyTable();
            redefined = true;
        }
        shell.AllowDirectorySave();
        const QList<TagEntry> entries = TagEntriesOfDump(tags.Lines());
        report.entries = int(entries.size());
        report.binding = BindTags(table, entries, report.tagged);
        // The grids see the new table once display updates resume.
        paused.Resume();
        if (redefined)
            directory.LayoutDirectoryGrid();
    }
    // The first record becomes current, with the grids and boxes following
    // it again.
    paused.Resume();
    state.DirectoryBusy = false;
    table.First();
    return report;
}

Reply FetchTagList(Link &link, BulkTransfer &transfer)
{
    Delay(10);
    const bool owed = link.AnswerOwed();
    link.SendCommand(QByteArrayLiteral("s14081535\r"));
    PendingReply pending(link, TagListRule(ReplyWait::Polls(link.RemoteMode() ? 300 : 100)), owed);
    link.ClearReceiveView();
    transfer.Show();
    link.ResetLineCount();
    link.ClearReceived();
    link.ResetReply();
    const Reply reply = pending.Wait();
    link.SetReplyReceived(reply.Complete());
    if (!reply.Complete())
        return reply;
    // Text still on its way collects meanwhile; then the receive view shows
    // the whole dump.
    Delay(1000);
    link.SetReceiveView(link.RxBuffer());
    return reply;
}

// --- write all ---------------------------------------------------------------------------

WriteAllReport WriteAllTags(Link &link, ShellServices &shell, DirectoryAccess &directory)
{
    WriteAllReport report;
    MemTable &table = directory.Table();

    // A code that is not ten characters stops the write before the unit is
    // touched, with its record current.
    report.malformedRow = FirstMalformedTagRow(table);
    if (report.malformedRow >= 0) {
        table.SetPosition(report.malformedRow + 1);
        showText(shell, tagtext::kMalformedCode);
        report.outcome = WriteAllOutcome::Malformed;
        return report;
    }
    // A room the unit would list cut short at its erased byte: the records are
    // named and nothing is written (the list is erased first, so a write
    // without them would lose their tags).
    const QList<int> unstorable = UnstorableTagRows(table);
    if (!unstorable.isEmpty()) {
        QStringList named;
        for (int row : unstorable) {
            const QByteArray name = table.RowText(row, table.FieldIndex(QByteArrayLiteral("Name")));
            named.append(QStringLiteral("room %1%2").arg(QString::fromLatin1(table.RowText(row, table.FieldIndex("RoomNumber"))),
                                                          name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(QString::fromLatin1(name))));
        }
        report.malformedRow = unstorable.first();
        table.SetPosition(report.malformedRow + 1);
        shell.ShowMessage(QStringLiteral("The unit cannot store %1 in the room of these tagged records; no tag was "
                                         "written:\r\n")
                              .arg(CharacterName(kErasedByte))
                          + named.join(QStringLiteral("\r\n")));
        report.outcome = WriteAllOutcome::Unstorable;
        return report;
    }
    // The unit's list is erased first: with no tag to put back, nothing goes out.
    if (!TagBlockCollector(table).EntriesRemain()) {
        showText(shell, tagtext::kNothingToWrite);
        report.outcome = WriteAllOutcome::NothingToWrite;
        return report;
    }
    if (!shell.AskQuestion(QString::fromLatin1(tagtext::kReplaceQuestion))
        || !shell.BeforeOverwrite(QStringLiteral("the tags"))) {
        report.outcome = WriteAllOutcome::NotConfirmed;
        return report;
    }
    return ReplaceTagList(link, shell, directory);
}

WriteAllReport ReplaceTagList(Link &link, ShellServices &shell, DirectoryAccess &directory)
{
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();
    state.DirectoryBusy = true;
    const auto idle = qScopeGuard([&state] { state.DirectoryBusy = false; });
    // Four entries a block, from the records in table order.
    QList<TagBlockWrite> blocks;
    TagBlockCollector collector(table);
    for (int block = kTagFirstBlock; block <= kTagLastBlock; ++block) {
        const QByteArray data = collector.Next();
        if (data.isEmpty())
            break;
        blocks.append({TagBlockNumber(block), data});
    }
    return ReplaceTagBlocks(link, shell, blocks, collector.EntriesRemain());
}

WriteAllReport ReplaceTagBlocks(Link &link, ShellServices &shell, const QList<TagBlockWrite> &blocks, bool more,
                                const std::function<bool()> &goOn)
{
    WriteAllReport report;
    BulkTransfer transfer(link, shell);
    transfer.BeginReply();
    link.ClearReceiveView();
    link.ResetReply();
    transfer.Show();

    // The erase of the unit's list must be answered before any block goes.
    Delay(10);
    link.SendCommand(QByteArrayLiteral("c1418\r"));
    link.WaitReply(link.RemoteMode() ? 100 : 50);
    if (!link.ReplyReceived()) {
        showText(shell, tagtext::kCommunicationError);
        report.outcome = WriteAllOutcome::NoReply;
        return report;
    }

    // A pause after the erase, before the first block goes.
    Delay(500);
    for (const TagBlockWrite &block : blocks) {
        // A closed link would leave every block to run out its waits.
        if (!link.LoggedOn()) {
            report.outcome = WriteAllOutcome::LoggedOff;
            return report;
        }
        if (goOn && !goOn()) {
            report.outcome = WriteAllOutcome::Stopped;
            return report;
        }
        ++report.blocks;
        shell.ShowTransferProgress(report.blocks, int(blocks.size()));
        // Up to three attempts: a block the unit answered with "Error" is
        // sent again; one with no answer is read back to see whether it came.
        bool written = false;
        for (int attempt = 0; attempt < kWriteAttempts && !written; ++attempt) {
            link.ReadBlock(block.number);
            Delay(50);
            link.ClearReceiveView();
            link.SendCommand('g' + block.number + block.data + '\r');
            link.WaitReply(10);
            if (link.LastReply() == "Error")
                continue;
            if (link.ReplyReceived())
                written = true;
            else
                written = !BlockIsBlank(link, block.number);
        }
        // A block that was answered is read back. One that no attempt
        // placed and that could not be read back either (every "g" answered
        // "Error", or no answer at all) is not in the unit: it counts as an
        // error too.
        Delay(40);
        bool confirmed = written;
        if (link.ReplyReceived())
            confirmed = VerifyTagBlock(link, block.number, block.data);
        if (confirmed)
            report.confirmed.append(block.number);
        else
            ++report.errors;
    }
    // The unit's list ends at its last block.
    if (more) {
        showText(shell, tagtext::kLimitReached);
        report.outcome = WriteAllOutcome::LimitReached;
        return report;
    }
    if (report.errors > 0) {
        showText(shell, tagtext::kSaveErrors);
        report.outcome = WriteAllOutcome::Errors;
    }
    return report;
}

// --- erase and block checks ---------------------------------------------------------------

void EraseTagList(Link &link, ShellServices &shell)
{
    if (shell.AskQuestion(QString::fromLatin1(tagtext::kEraseQuestion)))
        link.SendCommand(QByteArrayLiteral("c1418\r"));
}

bool BlockIsBlank(Link &link, const QByteArray &block)
{
    link.ClearReceiveView();
    const bool owed = link.AnswerOwed();
    link.SendCommand('r' + block + '\r');
    PendingReply pending(link, BlockReplyRule({{0, kTagLinePrefix + kTagBlockDataLength}}, ReplyWait::Fixed(200)),
                         owed);
    link.ResetReply();
    const Reply reply = pending.Wait();
    // While the bulk reply's count is shown (Write All's erase and first
    // block), the check reads the receive view, which then holds the count
    // and no block data: the block counts as blank and is sent again.
    if (link.CountMode())
        return true;
    return TagLineIsBlank(reply.Line(0));
}

bool VerifyTagBlock(Link &link, const QByteArray &block, const QByteArray &data)
{
    link.EndBulkReply();
    link.ResetKeepAlive();
    for (int round = 0; round < kVerifyRounds; ++round) {
        Delay(200);
        if (link.VerifyBlock(block, data))
            return true;
        Delay(200);
        link.SendCommand('p' + block + data + '\r');
    }
    return false;
}

} // namespace porv
