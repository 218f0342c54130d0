#include "directorycommit.h"

#include <QScopeGuard>

#include "delay.h"
#include "directorytransfer.h"
#include "link.h"
#include "memtable.h"
#include "shellservices.h"
#include "unitconnection.h"

namespace porv {

namespace {

const QByteArray kAddr = QByteArrayLiteral("Addr");

// Shows why the unit could not list the record back.
void showProblem(ShellServices &shell, const RecordProblem &problem, const QByteArray &name)
{
    switch (problem.kind) {
    case RecordProblem::None:
        break;
    case RecordProblem::NoName:
        shell.ShowMessage(NameRuleMessage());
        break;
    case RecordProblem::NoRoom:
        shell.ShowMessage(QStringLiteral("Must enter a number"));
        break;
    case RecordProblem::PhoneCharacter:
        shell.ShowMessage(QStringLiteral("The unit cannot store %1 in the phone number of %2.")
                              .arg(CharacterName(problem.character), QString::fromLatin1(UnitName(name))));
        break;
    case RecordProblem::NameCharacter:
        // The unit's erased byte: it would list the name only up to it.
        shell.ShowMessage(QStringLiteral("The unit cannot store %1 in the name %2: it would end the name there.")
                              .arg(CharacterName(problem.character), QString::fromLatin1(UnitName(name))));
        break;
    case RecordProblem::CodeCharacter:
        shell.ShowMessage(QStringLiteral("The unit cannot store %1 in the relay codes of %2.")
                              .arg(CharacterName(problem.character), QString::fromLatin1(UnitName(name))));
        break;
    }
}

// The lowest free address, or none ("Could Not Assign a new addr" shown).
QByteArray freeAddress(const Link &link, ShellServices &shell, MemTable &table)
{
    const QByteArray address = FirstFreeAddress(table, UnitConnection::MemoryLimitOf(link));
    if (address != "0000")
        return address;
    shell.ShowMessage(QStringLiteral("Could Not Assign a new addr"));
    return QByteArray();
}

} // namespace

QString NameRuleMessage()
{
    return QStringLiteral("must enter a name or number\r\n"
                          "without a space as a first character\r\n"
                          "start characters may be:\r\n"
                          " A-Z or a-z or 0-9");
}

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
        showProblem(shell, report.problem, boxes.Name);
        report.outcome = CommitOutcome::NotStorable;
        return report;
    }
    // The moves below leave the boxes alone; a failure that ends the commit
    // does not leave them detached for good.
    state.ShowRecordEnabled = false;
    const auto reattach = qScopeGuard([&state] { state.ShowRecordEnabled = true; });
    int p = table.Position();
    const bool writeThrough = WritesThrough(link, state, writeEachChange);
    if (table.Locate(QByteArrayLiteral("Roomnumber"), boxes.RoomNumber) && table.Position() != p) {
        if (!shell.AskQuestion(QStringLiteral("RoomNumber exist, Continue?"))) {
            table.SetPosition(p);
            report.outcome = CommitOutcome::Declined;
            return report;
        }
    }
    if (p == -1 && table.RecordCount() >= kPhoneListLimit) {
        shell.ShowMessage(QStringLiteral("Phone list limit=1000 max."));
        report.outcome = CommitOutcome::LimitReached;
        return report;
    }
    QByteArray newAddress;
    if (p == -1) {
        newAddress = freeAddress(link, shell, table);
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
            newAddress = freeAddress(link, shell, table);
            if (newAddress.isEmpty()) {
                table.SetPosition(p);
                report.outcome = CommitOutcome::NoAddress;
                return report;
            }
        }
    }
    table.SetPosition(p);
    table.Edit();
    table.SetFieldText(QByteArrayLiteral("RoomNumber"), NumericOrZero(boxes.RoomNumber, shell));
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
        for (int attempt = 0; attempt < 2 && !report.written; ++attempt)
            report.written = link.WriteDirectoryBlock(address, data);
        const QByteArray unitName = UnitName(boxes.Name);
        if (!report.written)
            shell.ShowMessage(QStringLiteral("Failed to Write"));
        else if (unitName != boxes.Name)
            shell.ShowMessage(QStringLiteral("Name stored in the unit as \"%1\": commas and control "
                                             "characters become spaces.")
                                  .arg(QString::fromLatin1(unitName)));
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
    if (IsHexAddress(addr) && WritesThrough(link, state, writeEachChange))
        link.WriteDirectoryBlock(addr, RecordData({}, {}, {}, {}, {}, {}));
    return true;
}

} // namespace porv
