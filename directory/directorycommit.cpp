#include "directorycommit.h"

#include <QScopeGuard>

#include "delay.h"
#include "directorytransfer.h"
#include "link.h"
#include "memtable.h"
#include "shellservices.h"
#include "unitwrites.h"
#include "unitconnection.h"

namespace porv {

namespace {

const QByteArray kAddr = QByteArrayLiteral("Addr");
// A record's fields as a write records them; the release codes only as changed.
const QList<QByteArray> kRecordFields = {"RoomNumber", "Name", "PHnumber", "Code1", "Code2", "spare"};
const QSet<QByteArray> kReleaseCodes = {"Code1", "Code2"};

QList<QByteArray> recordFields(const MemTable &table, bool isNew)
{
    QList<QByteArray> values;
    for (const QByteArray &f : kRecordFields)
        values.append(isNew ? QByteArray() : table.FieldText(f));
    return values;
}

QList<QByteArray> boxFields(const DirectoryRecordText &b)
{
    return {b.RoomNumber, b.Name, b.PHnumber, b.Code1, b.Code2, b.spare};
}

QString recordItem(const QByteArray &address) { return QStringLiteral("record ") + QString::fromLatin1(address); }

// The lowest free address, or none.
QByteArray freeAddress(const Link &link, MemTable &table)
{
    const QByteArray address = FirstFreeAddress(table, UnitConnection::MemoryLimitOf(link));
    return address != "0000" ? address : QByteArray();
}

} // namespace

bool IsHexAddress(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

bool WritesThrough(const Link &link, const DirectoryState &state, bool writeEachChange)
{
    return link.LoggedOn() && writeEachChange && state.DirectorySynced;
}

CommitReport CommitDirectoryRecord(Link &link, ShellServices &shell, DirectoryAccess &directory,
                                   const DirectoryRecordText &boxes, bool writeEachChange)
{
    CommitReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();
    // A record the unit would store without a name or room (and its own
    // download then drop), or with a number it cannot dial, is not committed.
    report.problem = CheckRecord(boxes.RoomNumber, boxes.PHnumber, boxes.Name);
    if (report.problem.kind == RecordProblem::None)
        report.problem = CheckRecordCodes(boxes.Code1, boxes.Code2);
    if (report.problem.kind != RecordProblem::None) {
        report.outcome = CommitOutcome::NotStorable;
        return report;
    }
    // The moves below leave the boxes alone; a failure that ends the commit
    // does not leave them detached for good.
    state.ShowRecordEnabled = false;
    const auto reattach = qScopeGuard([&state] { state.ShowRecordEnabled = true; });
    int p = table.Position();
    const bool writeThrough = WritesThrough(link, state, writeEachChange);
    UnitWriteScope journal(link, p == -1 ? UnitWriteKind::RecordInserted : UnitWriteKind::RecordCommitted, writeThrough);
    if (!journal.Allowed()) {
        CommitReport declined;
        declined.outcome = CommitOutcome::Declined;
        return declined;
    }
    if (table.Locate(QByteArrayLiteral("Roomnumber"), boxes.RoomNumber) && table.Position() != p) {
        if (!shell.AskQuestion(QStringLiteral("RoomNumber exist, Continue?"))) {
            table.SetPosition(p);
            report.outcome = CommitOutcome::Declined;
            return report;
        }
    }
    if (p == -1 && table.RecordCount() >= kPhoneListLimit) {
        report.outcome = CommitOutcome::LimitReached;
        return report;
    }
    QByteArray newAddress;
    if (p == -1) {
        newAddress = freeAddress(link, table);
        if (newAddress.isEmpty()) {
            report.outcome = CommitOutcome::NoAddress;
            return report;
        }
        table.Append();
    } else if (writeThrough) {
        // A record without a block of its own (a placeholder from a tag
        // download) takes the lowest free address, like a new one. The sort
        // on Addr keeps it current, so its place is known after.
        table.SetPosition(p);
        if (!IsHexAddress(table.FieldText(kAddr))) {
            table.Sort(kAddr, MemTable::SortCase::Sensitive);
            p = table.Position();
            newAddress = freeAddress(link, table);
            if (newAddress.isEmpty()) {
                table.SetPosition(p);
                report.outcome = CommitOutcome::NoAddress;
                return report;
            }
        }
    }
    table.SetPosition(p);
    const QList<QByteArray> before = recordFields(table, p == -1 || !newAddress.isEmpty());
    table.Edit();
    table.SetFieldText(QByteArrayLiteral("RoomNumber"), NumericOrZero(boxes.RoomNumber, &report.roomZeroed));
    table.SetFieldText(QByteArrayLiteral("Name"), boxes.Name);
    table.SetFieldText(QByteArrayLiteral("PHnumber"), boxes.PHnumber);
    table.SetFieldText(QByteArrayLiteral("Code1"), boxes.Code1);
    table.SetFieldText(QByteArrayLiteral("Code2"), boxes.Code2);
    table.SetFieldText(QByteArrayLiteral("spare"), boxes.spare);
    if (!newAddress.isEmpty())
        table.SetFieldText(kAddr, newAddress);
    // The block the record is written to: the one it has, or the one it was
    // given just now.
    const QByteArray stored = table.FieldText(kAddr);
    const QByteArray address = stored.isEmpty() ? newAddress : stored;
    Delay(10);
    table.Post();
    // An old record that took an address has moved to its place by Addr.
    if (p != -1 && !newAddress.isEmpty())
        p = table.Position();
    Delay(10);
    if (WritesThrough(link, state, writeEachChange)) {
        table.SetPosition(p);
        // The boxes as typed, not the stored record: the unit takes the room
        // box's digits where the table keeps NumericOrZero of it.
        const QByteArray data =
            RecordData(boxes.RoomNumber, boxes.Code1, boxes.Code2, boxes.spare, boxes.PHnumber, boxes.Name);
        report.writtenThrough = true;
        for (int attempt = 0; attempt < 2 && !report.written; ++attempt)
            report.written = link.WriteDirectoryBlock(address, data);
        report.unitName = UnitName(boxes.Name);
        journal.Done(report.written, ChangedFields(recordItem(address), kRecordFields, before, boxFields(boxes), kReleaseCodes), recordItem(address));
    }
    return report;
}

bool ConfirmRecordDelete(Link &link, ShellServices &shell, DirectoryAccess &directory, bool writeEachChange)
{
    DirectoryState &state = directory.State();
    state.DeleteConfirmed = shell.AskQuestion(QStringLiteral("Erase Current record"));
    if (!state.DeleteConfirmed)
        return false;
    const QByteArray addr = directory.Table().FieldText(kAddr);
    // A placeholder address (a record a tag download created) names no block
    // of the unit: there is nothing there to erase. Unless the table mirrors
    // the unit, the address may hold another client there.
    UnitWriteScope journal(link, UnitWriteKind::RecordDeleted, IsHexAddress(addr) && WritesThrough(link, state, writeEachChange));
    if (!journal.Allowed())
        return state.DeleteConfirmed = false;
    if (IsHexAddress(addr) && WritesThrough(link, state, writeEachChange))
        journal.Done(link.WriteDirectoryBlock(addr, RecordData({}, {}, {}, {}, {}, {})), ChangedFields(recordItem(addr), kRecordFields, recordFields(directory.Table(), false), recordFields(directory.Table(), true), kReleaseCodes), recordItem(addr));
    return true;
}

} // namespace porv
