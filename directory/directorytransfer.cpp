#include "directorytransfer.h"

#include <QScopeGuard>

#include <algorithm>
#include <optional>

#include "bulktransfer.h"
#include "codecs.h"
#include "delay.h"
#include "link.h"
#include "request.h"
#include "shellservices.h"
#include "unitwrites.h"
#include "unitconnection.h"

namespace porv {

StandaloneDirectory::StandaloneDirectory()
{
    DefineDirectoryTable(table);
    table.Open();
}

namespace {

const QByteArray kName = QByteArrayLiteral("Name");
const QByteArray kAddr = QByteArrayLiteral("Addr");

// A download or full upload holds the File commands and the directory's own
// transfer commands until it ends, however it ends.
auto holdTransfers(ShellServices &shell, DirectoryAccess &directory)
{
    shell.HoldFileCommands(true);
    directory.HoldTransfers(true);
    return qScopeGuard([&shell, &directory] {
        shell.HoldFileCommands(false);
        directory.HoldTransfers(false);
    });
}

enum class DumpWaitEnd { Closed, Budget, Silent, LoggedOff };

// The dump's reply: a first line that is no record, the record lines, then
// the closing line (ReadDirectoryDump). Its waits are the download's own.
ReplyRule directoryDumpRule()
{
    ReplyRule rule;
    rule.judge = [](const QByteArray &received) {
        return DirectoryDumpComplete(received)
                 ? ReplyJudgement{ReplyJudgement::Verdict::Complete, received.size()}
                 : ReplyJudgement{};
    };
    return rule;
}

// Waits for the dump's closing line. A record whose name holds "OK" sets
// ReplyReceived too but does not end the wait, and text the unit sends after
// the closing line clears ReplyReceived without making the dump less whole:
// the dump itself is read each poll. The unit has fallen silent after 41 polls
// without text; a Log Off closes the link, so nothing more can come.
DumpWaitEnd waitForDump(Link &link, ShellServices &, const PendingReply &dump)
{
    const int budget = link.RemoteMode() ? 1000 : 500;
    int idle = 0;
    for (int poll = 0; poll <= budget; ++poll) {
        if (dump.Whole())
            return DumpWaitEnd::Closed;
        Delay(100);
        // The records so far (the lines less the dump's first and an "OK"
        // line); how many the unit holds is known only at the end.
        UnitConnection::ReportProgress(link, std::max(0, link.LineCount() - 1 - int(link.ReplyReceived())), 0);
        if (!link.LoggedOn())
            return DumpWaitEnd::LoggedOff;
        if (link.DataSeen()) {
            idle = 0;
        } else if (++idle > 40) {
            return DumpWaitEnd::Silent;
        }
        Delay(10);
        link.ClearDataSeen();
    }
    return DumpWaitEnd::Budget;
}

} // namespace

// --- download ----------------------------------------------------------------------

DirectoryDownloadReport DownloadDirectory(Link &link, ShellServices &shell, DirectoryAccess &directory)
{
    DirectoryDownloadReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();
    // The waits below process clicks: a second download inside a running one
    // (or inside a tag transfer, which also fills the table) would send a
    // second dump into the first and read its tail as the whole directory.
    if (state.DirectoryBusy)
        return report;
    report.started = true;
    const auto release = holdTransfers(shell, directory);
    BulkTransfer transfer(link, QStringLiteral("directory download"));
    transfer.BeginReply();
    state.DirectoryBusy = true;
    // Left set by a failure, the flag would block the commit and the RFID
    // page's record commands for good.
    const auto idle = qScopeGuard([&state] { state.DirectoryBusy = false; });

    // Blocks 0128 to 1152, addresses 0x1000 to 0x9000, whatever the model.
    link.ClearReceived();
    Delay(10);
    const bool owed = link.AnswerOwed();
    link.SendCommand(QByteArrayLiteral("d01281152\r"));
    const PendingReply pending(link, directoryDumpRule(), owed);
    link.ClearReceiveView();
    transfer.Show();
    link.ResetReply();
    link.ResetLineCount();
    const DumpWaitEnd end = waitForDump(link, shell, pending);
    report.silent = end == DumpWaitEnd::Silent;
    report.loggedOff = end == DumpWaitEnd::LoggedOff;

    // Text still on its way collects meanwhile; then the receive view shows
    // the whole dump.
    Delay(1000);
    link.SetReceiveView(link.RxBuffer());
    report.dump = pending.Result().bytes;
    // The table is rebuilt from what arrived, whole or not.
    DefineDirectoryTable(table);
    table.Open();
    table.EmptyTable();
    directory.LayoutDirectoryGrid();
    shell.AllowDirectorySave();
    const DirectoryDump dump = ReadDirectoryDump(report.dump);
    {
        const TableDisplayPause paused(table);
        for (const QByteArray &line : dump.recordLines) {
            if (line.isEmpty())
                continue;
            const DirectoryLine r = ParseDirectoryLine(line);
            // The unit's own list leaves such a line out too.
            if (r.Name.isEmpty() || r.RoomNumber.isEmpty())
                continue;
            table.AppendRecord({r.Name, r.RoomNumber, DecodeDigits(r.PHnumber), r.Code1, r.Code2, r.spare,
                                QByteArray(), r.Addr});
        }
    }
    state.DirectoryBusy = false;
    table.First();
    report.complete = dump.complete;
    report.records = table.RecordCount();
    // Only a dump that arrived whole mirrors the unit: after a broken one a
    // single write could reuse an address the unit still holds.
    directory.SetDirectorySynced(dump.complete);
    return report;
}

// --- erase -----------------------------------------------------------------------------

namespace {

// Lines of the received text that hold "OK", the last one counted before its
// line end has come.
int okLines(const QByteArray &received)
{
    int count = 0;
    for (const QByteArray &line : SplitReplyLines(received))
        count += line.contains("OK") ? 1 : 0;
    return count;
}

} // namespace

bool EraseDirectory(Link &link)
{
    bool acknowledged = false;
    for (int attempt = 0; attempt < 2 && !acknowledged; ++attempt) {
        link.ClearReceived();
        link.SendCommand(QByteArrayLiteral("\r"));
        Delay(100);
        link.SendCommand(QByteArrayLiteral("f5a\r"));
        // The erase's "OK" may come during the fixed wait below, before the
        // reply wait proper: what is owed to the prompt is counted first.
        const int owed = std::max(okLines(link.RxBuffer()), 1);
        link.SetReplyReceived(false);
        link.ClearDataSeen();
        Delay(100);
        for (int poll = 0; poll < 5 && okLines(link.RxBuffer()) <= owed; ++poll)
            Delay(100);
        acknowledged = okLines(link.RxBuffer()) > owed;
    }
    link.SetReplyReceived(acknowledged);
    return acknowledged;
}

// --- full upload ---------------------------------------------------------------------

namespace {

// Consecutive addresses from 1000 in the table's order.
void numberRecords(MemTable &table)
{
    int address = kDirectoryBase;
    table.First();
    while (!table.Eof()) {
        table.Edit();
        table.SetFieldText(kAddr, DirectoryAddress(address));
        table.Post();
        table.Next();
        address += kDirectoryBlockSize;
    }
}

// Every record the unit can list back goes to its block, once more after 40
// ticks when refused. Records it could not list back (no name, a room it
// would store empty, a number it cannot dial) are left out and named.
void rewriteRecords(Link &link, ShellServices &, MemTable &table, DirectoryUploadReport &report)
{
    table.First();
    int done = 0;
    do {
        UnitConnection::ReportProgress(link, ++done, table.RecordCount());
        QByteArray room = table.FieldText(QByteArrayLiteral("RoomNumber"));
        if (!room.isEmpty()) {
            bool zeroed = false;
            room = NumericOrZero(room, &zeroed);
            report.roomsZeroed += zeroed ? 1 : 0;
        }
        const QByteArray addr = table.FieldText(kAddr);
        const QByteArray name = table.FieldText(kName);
        const QByteArray phone = table.FieldText(QByteArrayLiteral("PHnumber"));
        const QByteArray code1 = table.FieldText(QByteArrayLiteral("Code1"));
        const QByteArray code2 = table.FieldText(QByteArrayLiteral("Code2"));
        RecordProblem problem = CheckRecord(room, phone, name);
        if (problem.kind == RecordProblem::None)
            problem = CheckRecordCodes(code1, code2);
        if (problem.kind != RecordProblem::None) {
            report.skipped.append({name, room, addr, problem});
        } else {
            report.namesChanged = report.namesChanged || UnitName(name) != name;
            const QByteArray data = RecordData(room, code1, code2, table.FieldText(QByteArrayLiteral("spare")), phone, name);
            ++report.sent;
            if (!link.WriteDirectoryBlock(addr, data)) {
                Delay(40);
                if (!link.WriteDirectoryBlock(addr, data))
                    ++report.errors;
            }
        }
        table.Next();
    } while (!table.Eof() && link.LoggedOn() && report.errors <= 5);
}

} // namespace

DirectoryUploadReport UploadDirectory(Link &link, ShellServices &shell, DirectoryAccess &directory)
{
    DirectoryUploadReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();
    // A pending blank record is dropped before the count.
    table.Refresh();
    report.capacity = DirectoryCapacity(UnitConnection::MemoryLimitOf(link));
    if (table.RecordCount() > report.capacity) {
        report.outcome = UploadOutcome::TooMany;
        return report;
    }
    if (!shell.AskQuestion(QStringLiteral("This will replace ALL numbers currently\r\n"
                                          "stored in the Portavel, Continue?"))
        || !shell.BeforeOverwrite(QStringLiteral("the phone list"))) {
        report.outcome = UploadOutcome::NotConfirmed;
        return report;
    }
    UnitWriteScope journal(link, UnitWriteKind::FullUpload);
    if (!journal.Allowed()) {
        report.outcome = UploadOutcome::NotConfirmed;
        return report;
    }
    const auto release = holdTransfers(shell, directory);

    // The pauses let the status bar show each stage.
    shell.ShowStatus(0, QStringLiteral("Sorting"));
    Delay(50);
    table.Sort(kName, MemTable::SortCase::Sensitive);
    table.First();
    {
        const TableDisplayPause paused(table);
        shell.ShowStatus(0, QStringLiteral("Sorting Addresses"));
        Delay(50);
        if (table.RecordCount() == 0) {
            report.outcome = UploadOutcome::Empty;
            return report;
        }
        numberRecords(table);
    }

    // The transfer ends with its scope, however it ends.
    std::optional<UnitOperation> transfer(std::in_place, link, QStringLiteral("directory upload"), TransferShown);
    shell.ShowStatus(0, QStringLiteral("Erasing Current phone List"));
    if (!EraseDirectory(link)) {
        journal.Done(false, {}, QStringLiteral("the phone list erased"));
        transfer.reset();
        report.outcome = UploadOutcome::NotErased;
        return report;
    }

    // The rewrite holds the grid and the boxes still; a failure that travels
    // still gives them back.
    shell.ShowStatus(0, QStringLiteral("Rewriting Phone List"));
    directory.HoldGrid(true);
    std::optional<UnitOperation> rewrite(std::in_place, link, QStringLiteral("directory rewrite"), PersonWaits);
    state.ShowRecordEnabled = false;
    TableDisplayPause paused(table);
    bool finished = false;
    const auto restore = qScopeGuard([&] {
        if (finished)
            return;
        paused.Resume();
        state.ShowRecordEnabled = true;
        rewrite.reset();
        directory.HoldGrid(false);
    });
    rewriteRecords(link, shell, table, report);
    journal.Done(report.errors == 0 && link.LoggedOn(), {}, QStringLiteral("the phone list: %1 records written").arg(report.sent - report.errors));
    transfer.reset();

    finished = true;
    paused.Resume();
    state.ShowRecordEnabled = true;
    shell.ShowStatus(0, QStringLiteral("Done"));
    rewrite.reset();
    directory.HoldGrid(false);
    // After a rewrite, whole or not, the table is what the unit was given.
    directory.SetDirectorySynced(true);
    Delay(10);
    return report;
}

} // namespace porv
