#include "tagtransfer.h"

#include <QScopeGuard>
#include <QString>
#include <algorithm>

#include "delay.h"
#include "directorytable.h"
#include "link.h"
#include "memtable.h"
#include "shellservices.h"

namespace porv {

namespace {

constexpr int kLampOnLine = 21;
constexpr int kWriteAttempts = 3;
constexpr int kVerifyRounds = 2;

void showText(ShellServices &shell, const char *text) { shell.ShowMessage(QString::fromLatin1(text)); }

// The steps that end every bulk transfer of the page.
void finishTransfer(Link &link, ShellServices &shell, DirectoryState &state)
{
    state.DirectoryBusy = false;
    shell.HideTransfer();
    shell.SetBusyCursor(false);
    shell.StopLampBlink();
    shell.StartKeepAlive();
    shell.SetLedImage(kLampOnLine);
    link.EndBulkReply();
}

} // namespace

// --- download ------------------------------------------------------------------------

TagDownloadReport DownloadTags(Link &link, ShellServices &shell, TagDirectory &directory)
{
    TagDownloadReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();

    // 1.
    link.BeginBulkReply();
    state.DirectoryBusy = true;
    link.ClearReceived();
    table.SuspendDisplay();
    bool suspended = true;
    // 14. However the download ends.
    const auto finalSteps = qScopeGuard([&] {
        finishTransfer(link, shell, state);
        if (suspended)
            table.ResumeDisplay();
    });
    // 2.-3.
    Delay(10);
    link.SendCommand(QByteArrayLiteral("s14081535\r"));
    // 4.
    link.ClearReceiveView();
    shell.ShowTransfer();
    shell.SetBusyCursor(true);
    shell.StartLampBlink();
    shell.StopKeepAlive();
    // 5.-6.
    link.ResetLineCount();
    link.ClearReceived();
    link.WaitReply(link.RemoteMode() ? 300 : 100);
    report.replied = link.ReplyReceived();
    if (!report.replied) {
        // 7. The table keeps its records and codes.
        showText(shell, tagtext::kCommunicationError);
    } else {
        // 8.
        report.tagged.Reset();
        Delay(1000);
        link.SetReceiveView(link.RxBuffer());
        // 9.
        bool redefined = false;
        if (table.IsOpen() && table.RecordCount() > 0) {
            ClearTagCodes(table);
        } else {
            DefineDirectoryTable(table);
            table.Open();
            table.EmptyTable();
            redefined = true;
        }
        // 10.
        shell.AllowDirectorySave();
        // 11.-12.
        const QList<TagEntry> entries = TagEntriesOfDump(link.ReplyLines());
        report.entries = int(entries.size());
        report.binding = BindTags(table, entries, report.tagged);
        // The grids see the new table once display updates resume.
        suspended = false;
        table.ResumeDisplay();
        if (redefined)
            directory.LayoutDirectoryGrid();
    }
    // 13. The first record becomes current (with the grids and boxes
    // following it again).
    if (suspended) {
        suspended = false;
        table.ResumeDisplay();
    }
    state.DirectoryBusy = false;
    table.First();
    return report;
}

// --- write all ---------------------------------------------------------------------------

WriteAllReport WriteAllTags(Link &link, ShellServices &shell, TagDirectory &directory)
{
    WriteAllReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();

    // 1. A code that is not ten characters stops the write before the unit is
    // touched, with its record current.
    report.malformedRow = FirstMalformedTagRow(table);
    if (report.malformedRow >= 0) {
        table.SetPosition(report.malformedRow + 1);
        showText(shell, tagtext::kMalformedCode);
        report.outcome = WriteAllOutcome::Malformed;
        return report;
    }
    // The unit's list is erased first: with no tag to put back, nothing goes out.
    if (!TagBlockCollector(table).EntriesRemain()) {
        showText(shell, tagtext::kNothingToWrite);
        report.outcome = WriteAllOutcome::NothingToWrite;
        return report;
    }
    if (!shell.AskQuestion(QString::fromLatin1(tagtext::kReplaceQuestion))) {
        report.outcome = WriteAllOutcome::NotConfirmed;
        return report;
    }

    // 2.
    const auto finalSteps = qScopeGuard([&] { finishTransfer(link, shell, state); });
    link.BeginBulkReply();
    state.DirectoryBusy = true;
    link.ClearReceiveView();
    link.ResetReply();
    shell.ShowTransfer();
    shell.SetBusyCursor(true);
    shell.StartLampBlink();
    shell.StopKeepAlive();

    // 3.-4.
    Delay(10);
    link.SendCommand(QByteArrayLiteral("c1418\r"));
    link.WaitReply(link.RemoteMode() ? 100 : 50);
    if (!link.ReplyReceived()) {
        showText(shell, tagtext::kCommunicationError);
        report.outcome = WriteAllOutcome::NoReply;
        return report;
    }

    // 5.
    Delay(500);
    int blocksToWrite = 0;
    for (TagBlockCollector count(table); !count.Next().isEmpty();)
        ++blocksToWrite;
    blocksToWrite = std::min(blocksToWrite, kTagBlockCount);
    TagBlockCollector collector(table);
    for (int block = kTagFirstBlock;; ++block) {
        // A closed link would leave every block to run out its waits.
        if (!link.LoggedOn()) {
            report.outcome = WriteAllOutcome::LoggedOff;
            return report;
        }
        // 6.
        const QByteArray data = collector.Next();
        if (data.isEmpty())
            break;
        const QByteArray number = TagBlockNumber(block);
        ++report.blocks;
        shell.ShowTransferProgress(report.blocks, blocksToWrite);
        // 7. Up to three attempts.
        bool written = false;
        for (int attempt = 0; attempt < kWriteAttempts && !written; ++attempt) {
            link.ReadBlock(number);
            Delay(50);
            link.ClearReceiveView();
            link.SendCommand('g' + number + data + '\r');
            link.WaitReply(10);
            if (link.LastReply() == "Error")
                continue;
            if (link.ReplyReceived())
                written = true;
            else
                written = !BlockIsBlank(link, number);
        }
        // 8. A block that was answered is read back. One that no attempt
        // placed and that could not be read back either (every "g" answered
        // "Error", or no answer at all) is not in the unit: it counts as an
        // error too.
        Delay(40);
        if (link.ReplyReceived()) {
            if (!VerifyTagBlock(link, number, data))
                ++report.errors;
        } else if (!written) {
            ++report.errors;
        }
        // 9.
        if (block >= kTagLastBlock && collector.EntriesRemain()) {
            showText(shell, tagtext::kLimitReached);
            report.outcome = WriteAllOutcome::LimitReached;
            return report;
        }
        if (block >= kTagLastBlock)
            break;
    }
    // 10.
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
    link.SendCommand('r' + block + '\r');
    link.ResetReply();
    Delay(200);
    return TagLineIsBlank(link.ReplyLine(0));
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
