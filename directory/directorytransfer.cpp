#include "directorytransfer.h"

#include <QScopeGuard>

#include <algorithm>

#include "bulktransfer.h"
#include "codecs.h"
#include "delay.h"
#include "link.h"
#include "request.h"
#include "shellservices.h"

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
DumpWaitEnd waitForDump(Link &link, ShellServices &shell, const PendingReply &dump)
{
    const int budget = link.RemoteMode() ? 1000 : 500;
    int idle = 0;
    for (int poll = 0; poll <= budget; ++poll) {
        if (dump.Whole())
            return DumpWaitEnd::Closed;
        Delay(100);
        // The records so far (the lines less the dump's first and an "OK"
        // line); how many the unit holds is known only at the end.
        shell.ShowTransferProgress(std::max(0, link.LineCount() - 1 - int(link.ReplyReceived())), 0);
        if (!link.LoggedOn())
            return DumpWaitEnd::LoggedOff;
        if (link.DataSeen()) {
            idle = 0;
        } else if (++idle > 40) {
            shell.ShowMessage(QStringLiteral("communication error"));
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
    BulkTransfer transfer(link, shell);
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
    if (!dump.complete && !report.silent && !report.loggedOff)
        shell.ShowMessage(QStringLiteral("The phone list did not arrive complete.\r\n"
                                         "Get the data again before writing changes."));
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

// How the closing message of an upload names a record: by its name, else by
// its room, else by its address.
QString recordLabel(const QByteArray &name, const QByteArray &room, const QByteArray &addr)
{
    if (!name.isEmpty())
        return QString::fromLatin1(UnitName(name));
    if (!room.isEmpty())
        return QStringLiteral("room %1").arg(QString::fromLatin1(room));
    return QStringLiteral("record at %1").arg(QString::fromLatin1(addr));
}

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
void rewriteRecords(Link &link, ShellServices &shell, MemTable &table, DirectoryUploadReport &report)
{
    table.First();
    int done = 0;
    do {
        shell.ShowTransferProgress(++done, table.RecordCount());
        QByteArray room = table.FieldText(QByteArrayLiteral("RoomNumber"));
        if (!room.isEmpty())
            room = NumericOrZero(room, shell);
        const QByteArray addr = table.FieldText(kAddr);
        const QByteArray name = table.FieldText(kName);
        const QByteArray phone = table.FieldText(QByteArrayLiteral("PHnumber"));
        const QByteArray code1 = table.FieldText(QByteArrayLiteral("Code1"));
        const QByteArray code2 = table.FieldText(QByteArrayLiteral("Code2"));
        RecordProblem problem = CheckRecord(room, phone, name);
        if (problem.kind == RecordProblem::None)
            problem = CheckRecordCodes(code1, code2);
        if (problem.kind != RecordProblem::None) {
            report.skipped.append(recordLabel(name, room, addr) + QStringLiteral(": ") + RecordProblemText(problem));
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

// One message for all that did not go as asked.
QString closingMessage(const DirectoryUploadReport &report)
{
    QStringList closing;
    if (report.errors > 0)
        closing.append(QStringLiteral("There was %1 error(s)").arg(report.errors));
    if (!report.skipped.isEmpty()) {
        constexpr int kNamed = 20;
        closing.append(QStringLiteral("These records were not written:"));
        closing.append(report.skipped.mid(0, kNamed));
        if (report.skipped.size() > kNamed)
            closing.append(QStringLiteral("and %1 more").arg(report.skipped.size() - kNamed));
    }
    if (report.namesChanged)
        closing.append(QStringLiteral("Commas and control characters in names were stored as spaces."));
    return closing.join(QStringLiteral("\r\n"));
}

} // namespace

DirectoryUploadReport UploadDirectory(Link &link, ShellServices &shell, DirectoryAccess &directory)
{
    DirectoryUploadReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();
    // A pending blank record is dropped before the count.
    table.Refresh();
    const int capacity = DirectoryCapacity(shell.MemoryLimit());
    if (table.RecordCount() > capacity) {
        shell.ShowMessage(QStringLiteral("There are to many records to store\r\n"
                                         "to this Portavel version.\r\n%1 is the limit.")
                              .arg(capacity));
        report.outcome = UploadOutcome::TooMany;
        return report;
    }
    if (!shell.AskQuestion(QStringLiteral("This will replace ALL numbers currently\r\n"
                                          "stored in the Portavel, Continue?"))
        || !shell.BeforeOverwrite(QStringLiteral("the phone list"))) {
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

    shell.ShowTransfer();
    // A failure that travels (a serial write) must not leave the transfer
    // window up over a transfer that has ended.
    auto hide = qScopeGuard([&shell] { shell.HideTransfer(); });
    shell.ShowStatus(0, QStringLiteral("Erasing Current phone List"));
    if (!EraseDirectory(link)) {
        hide.dismiss();
        shell.HideTransfer();
        shell.ShowMessage(QStringLiteral("Could not clear All,\r\nSave your files and\r\nRecheck connection"));
        report.outcome = UploadOutcome::NotErased;
        return report;
    }

    // The rewrite holds the grid and the boxes still; a failure that travels
    // still gives them back.
    shell.ShowStatus(0, QStringLiteral("Rewriting Phone List"));
    directory.HoldGrid(true);
    shell.SetBusyCursor(true);
    state.ShowRecordEnabled = false;
    TableDisplayPause paused(table);
    bool finished = false;
    const auto restore = qScopeGuard([&] {
        if (finished)
            return;
        paused.Resume();
        state.ShowRecordEnabled = true;
        shell.SetBusyCursor(false);
        directory.HoldGrid(false);
    });
    rewriteRecords(link, shell, table, report);
    hide.dismiss();
    shell.HideTransfer();
    const QString closing = closingMessage(report);
    if (!closing.isEmpty())
        shell.ShowMessage(closing);

    finished = true;
    paused.Resume();
    state.ShowRecordEnabled = true;
    shell.ShowStatus(0, QStringLiteral("Done"));
    shell.SetBusyCursor(false);
    directory.HoldGrid(false);
    // After a rewrite, whole or not, the table is what the unit was given.
    directory.SetDirectorySynced(true);
    Delay(10);
    return report;
}

} // namespace porv
