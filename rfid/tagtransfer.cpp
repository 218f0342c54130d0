#include "tagtransfer.h"

#include <QScopeGuard>
#include <QString>
#include <algorithm>

#include "bulktransfer.h"
#include "delay.h"
#include "directorytable.h"
#include "link.h"
#include "memtable.h"
#include "shellservices.h"
#include "unitwrites.h"
#include "unitconnection.h"

namespace porv {

namespace {

constexpr int kWriteAttempts = 3;
constexpr int kVerifyRounds = 2;

// The tag blocks a write sent, as its record keeps them.
QList<UnitFieldChange> tagBlockChanges(const QList<TagBlockWrite> &blocks, const QList<QByteArray> &sent)
{
    QList<UnitFieldChange> changes;
    for (const TagBlockWrite &b : blocks)
        if (sent.contains(b.number))
            changes.append({QStringLiteral("tag block ") + QString::fromLatin1(b.number), QStringLiteral("tags"), {}, b.data});
    return changes;
}

} // namespace

// --- download ------------------------------------------------------------------------

TagDownloadReport DownloadTags(Link &link, ShellServices &shell, DirectoryAccess &directory)
{
    TagDownloadReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();

    BulkTransfer transfer(link, QStringLiteral("tag download"));
    transfer.BeginReply();
    state.DirectoryBusy = true;
    const auto idle = qScopeGuard([&state] { state.DirectoryBusy = false; });
    link.ClearReceived();
    TableDisplayPause paused(table);
    const Reply tags = FetchTagList(link, transfer);
    report.replied = tags.Complete();
    // Unanswered, the table keeps its records and codes.
    if (report.replied) {
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
        report.outcome = WriteAllOutcome::Malformed;
        return report;
    }
    // A room the unit would list cut short at its erased byte: the records are
    // named and nothing is written (the list is erased first, so a write
    // without them would lose their tags).
    const QList<int> unstorable = UnstorableTagRows(table);
    if (!unstorable.isEmpty()) {
        for (int row : unstorable)
            report.unstorable.append({table.RowText(row, table.FieldIndex(QByteArrayLiteral("RoomNumber"))),
                                      table.RowText(row, table.FieldIndex(QByteArrayLiteral("Name")))});
        report.malformedRow = unstorable.first();
        table.SetPosition(report.malformedRow + 1);
        report.outcome = WriteAllOutcome::Unstorable;
        return report;
    }
    // The unit's list is erased first: with no tag to put back, nothing goes out.
    if (!TagBlockCollector(table).EntriesRemain()) {
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

WriteAllReport ReplaceTagBlocks(Link &link, ShellServices &, const QList<TagBlockWrite> &blocks, bool more,
                                const std::function<bool()> &goOn)
{
    WriteAllReport report;
    UnitWriteScope journal(link, UnitWriteKind::TagsWritten);
    if (!journal.Allowed()) {
        report.outcome = WriteAllOutcome::NotConfirmed;
        return report;
    }
    const auto record = qScopeGuard([&] { journal.Done(report.outcome == WriteAllOutcome::Written, tagBlockChanges(blocks, report.confirmed), QStringLiteral("the tag list: %1 blocks written").arg(report.confirmed.size())); });
    BulkTransfer transfer(link, QStringLiteral("tag write"));
    transfer.BeginReply();
    link.ClearReceiveView();
    link.ResetReply();
    transfer.Show();

    // The erase of the unit's list must be answered before any block goes.
    Delay(10);
    link.SendCommand(QByteArrayLiteral("c1418\r"));
    link.WaitReply(link.RemoteMode() ? 100 : 50);
    if (!link.ReplyReceived()) {
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
        UnitConnection::ReportProgress(link, report.blocks, int(blocks.size()));
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
        report.outcome = WriteAllOutcome::LimitReached;
        return report;
    }
    if (report.errors > 0)
        report.outcome = WriteAllOutcome::Errors;
    return report;
}

// --- erase and block checks ---------------------------------------------------------------

void EraseTagList(Link &link, ShellServices &shell)
{
    if (!shell.AskQuestion(QString::fromLatin1(tagtext::kEraseQuestion)))
        return;
    UnitWriteScope journal(link, UnitWriteKind::TagsErased);
    if (!journal.Allowed())
        return;
    link.SendCommand(QByteArrayLiteral("c1418\r"));
    journal.Done(false, {}, QStringLiteral("the tag list erased (the unit's answer is not waited for)"));
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
