#include "directorychanges.h"

#include <QHash>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <optional>

#include "codecs.h"
#include "directorytransfer.h"
#include "link.h"
#include "memtable.h"
#include "shellservices.h"
#include "unitconnection.h"
#include "writewatch.h"
#include "unitwrites.h"

namespace porv {

namespace {

const QByteArray kAddr = QByteArrayLiteral("Addr");

// How a record is named in a report: its name, else its room, else its address.
QString labelOf(const BackupRecord &r)
{
    if (!r.name.isEmpty())
        return QString::fromLatin1(StorableName(r.name));
    if (!r.room.isEmpty())
        return QStringLiteral("room %1").arg(QString::fromLatin1(r.room));
    return QStringLiteral("record at %1").arg(QString::fromLatin1(r.addr));
}

// What keeps a record on the PC from being written so that the unit lists
// it back: no name, a room that would be stored empty, a character in the
// number (its layout aside) that the unit cannot store.
QString problemOfFields(const BackupRecord &r)
{
    if (r.name.isEmpty())
        return QStringLiteral("no name");
    if (DigitsOnly(r.room, 6).isEmpty())
        return QStringLiteral("no room number");
    for (char c : DialNumber(r.phone))
        if (!IsDialCharacter(c) && c != '=' && c != '>')
            return QStringLiteral("cannot store %1 in the phone number").arg(CharacterName(c));
    return QString();
}

TargetRecord targetOf(const BackupRecord &r, const QByteArray &tag)
{
    TargetRecord t;
    t.record = r;
    t.tag = tag.toUpper();
    t.problem = r.line.isEmpty() ? problemOfFields(r) : StoredRecordProblem(SendableForm(WriteFormOf(t, nullptr)));
    t.label = labelOf(r);
    return t;
}

// A single-record write as the commit sends it: at most twice, and not again
// once the unit has fallen silent.
bool writeBlock(Link &link, const QByteArray &addr, const QByteArray &data, WriteWatch &watch)
{
    for (int attempt = 0; attempt < 2 && !watch.Silent(); ++attempt) {
        watch.Before();
        const bool acknowledged = link.WriteDirectoryBlock(addr, data);
        watch.After();
        if (acknowledged)
            return true;
    }
    return false;
}

bool byAddress(const BackupRecord &a, const BackupRecord &b) { return a.addr < b.addr; }

// A record's block before and after, as a write records it: the release codes only as changed.
QList<UnitFieldChange> recordChanges(const QByteArray &addr, const StoredRecord &before, const StoredRecord &after)
{
    static const QList<QByteArray> fields = {"RoomNumber", "Name", "PHnumber", "Code1", "Code2", "spare"};
    auto values = [](const StoredRecord &r) { return QList<QByteArray>{r.room, r.name, r.phone, r.code1, r.code2, r.spare}; };
    return ChangedFields(QStringLiteral("record ") + QString::fromLatin1(addr.toUpper()), fields, values(before), values(after),
                         {"Code1", "Code2"});
}

QString at(const QString &label, const QByteArray &addr)
{
    return QStringLiteral("%1 at %2").arg(label, QString::fromLatin1(addr));
}

} // namespace

QList<TargetRecord> TargetRecordsOfTable(const MemTable &table)
{
    // Name, RoomNumber, PHnumber, Code1, Code2, spare, RFID, Addr.
    QList<TargetRecord> out;
    for (int row = 0; row < table.RecordCount(); ++row) {
        const BackupRecord r{table.RowText(row, 7), table.RowText(row, 0), table.RowText(row, 1),
                             table.RowText(row, 2), table.RowText(row, 3), table.RowText(row, 4),
                             table.RowText(row, 5), QByteArray()};
        out.append(targetOf(r, table.RowText(row, 6)));
    }
    return out;
}

QList<TargetRecord> TargetRecordsOfBackup(const QList<BackupRecord> &records)
{
    QList<TargetRecord> out;
    for (const BackupRecord &r : records)
        out.append(targetOf(r, QByteArray()));
    return out;
}

bool UsableAddress(const QByteArray &addr, int memoryLimit)
{
    if (addr.size() != 4)
        return false;
    bool ok = false;
    const int a = addr.toInt(&ok, 16);
    return ok && a >= kDirectoryBase && a <= memoryLimit && a % kDirectoryBlockSize == 0;
}

StoredRecord WriteFormOf(const TargetRecord &target, const BackupRecord *unitRecord)
{
    const BackupRecord &r = target.record;
    StoredRecord s;
    if (!r.line.isEmpty()) {
        s = StoredOf(r);
    } else {
        s = StoredFormOfFields(r);
        if (unitRecord) {
            // What the PC leaves as the unit holds it stays as the unit holds it.
            const StoredRecord held = StoredOf(*unitRecord);
            if (r.room == unitRecord->room)
                s.room = held.room;
            if (r.code1 == unitRecord->code1)
                s.code1 = held.code1;
            if (r.code2 == unitRecord->code2)
                s.code2 = held.code2;
            if (r.spare == unitRecord->spare)
                s.spare = held.spare;
            if (DialNumber(r.phone) == unitRecord->phone)
                s.phone = held.phone;
            if (r.name == unitRecord->name)
                s.name = held.name;
        }
    }
    return s;
}

StoredRecord SendableForm(StoredRecord stored)
{
    stored.name = StorableName(stored.name);
    return stored;
}

DirectoryPlan PlanDirectoryChanges(const QList<TargetRecord> &targets, const QList<BackupRecord> &unit,
                                   int memoryLimit, bool keepAddresses)
{
    DirectoryPlan plan;
    // Addresses kept, in the targets' order: the first record that names an
    // address keeps it. A record the unit cannot hold keeps its address too:
    // the unit's record there is neither written nor erased.
    QSet<QByteArray> taken;
    QSet<QByteArray> claimed;
    QMap<QByteArray, int> &targetAt = plan.placed;
    for (int i = 0; i < targets.size(); ++i) {
        const TargetRecord &t = targets.at(i);
        const QByteArray addr = t.record.addr.toUpper();
        const bool usable = UsableAddress(addr, memoryLimit) && !taken.contains(addr);
        if (!t.problem.isEmpty()) {
            plan.problems.insert(i, t.problem);
            if (usable) {
                taken.insert(addr);
                claimed.insert(addr);
            }
        } else if (usable) {
            taken.insert(addr);
            targetAt.insert(addr, i);
        } else if (keepAddresses) {
            plan.problems.insert(i, (taken.contains(addr) ? QStringLiteral("its address %1 is an earlier record's")
                                                              .arg(QString::fromLatin1(addr))
                                                        : QStringLiteral("its address %1 is outside this unit's "
                                                                         "directory (1000 to %2)")
                                                              .arg(QString::fromLatin1(addr),
                                                                   QString::fromLatin1(DirectoryAddress(memoryLimit)))));
        } else {
            plan.needAddress.append(i);
        }
    }
    // A phone list never holds the unit's records without a name or a room
    // (a download leaves them out): they are neither erased nor given away.
    if (!keepAddresses)
        for (const BackupRecord &r : unit) {
            const QByteArray addr = r.addr.toUpper();
            if ((r.name.isEmpty() || r.room.isEmpty()) && !targetAt.contains(addr)) {
                taken.insert(addr);
                claimed.insert(addr);
            }
        }
    for (int a = kDirectoryBase; a <= memoryLimit && plan.freeAddresses.size() < plan.needAddress.size();
         a += kDirectoryBlockSize) {
        const QByteArray addr = DirectoryAddress(a);
        if (!taken.contains(addr))
            plan.freeAddresses.append(addr);
    }
    for (int k = 0; k < plan.freeAddresses.size(); ++k)
        targetAt.insert(plan.freeAddresses.at(k), plan.needAddress.at(k));

    QHash<QByteArray, BackupRecord> held;
    for (const BackupRecord &r : unit)
        held.insert(r.addr.toUpper(), r);
    for (auto it = targetAt.cbegin(); it != targetAt.cend(); ++it) {
        const TargetRecord &t = targets.at(it.value());
        const auto now = held.constFind(it.key());
        const StoredRecord asked = WriteFormOf(t, now == held.cend() ? nullptr : &*now);
        // The unit holds it already: nothing to write, whatever it holds.
        if (now != held.cend() && StoredOf(*now) == asked)
            continue;
        const StoredRecord stored = SendableForm(asked);
        const QString problem = StoredRecordProblem(stored);
        if (!problem.isEmpty()) {
            plan.problems.insert(it.value(), problem);
            claimed.insert(it.key());
            continue;
        }
        DirectoryPlan::Write w{stored, it.key(), std::nullopt, t.label};
        if (now != held.cend())
            w.before = *now;
        plan.writes.append(w);
    }
    for (auto it = plan.problems.cbegin(); it != plan.problems.cend(); ++it)
        plan.refused.append(targets.at(it.key()).label + QStringLiteral(": ") + it.value());
    for (const BackupRecord &r : unit)
        if (!targetAt.contains(r.addr.toUpper()) && !claimed.contains(r.addr.toUpper()))
            plan.erases.append(r);
    std::sort(plan.writes.begin(), plan.writes.end(),
              [](const DirectoryPlan::Write &a, const DirectoryPlan::Write &b) { return a.addr < b.addr; });
    std::sort(plan.erases.begin(), plan.erases.end(), byAddress);
    return plan;
}

DirectoryWriteReport WriteDirectoryPlan(Link &link, const OperationSteps &progress, const DirectoryPlan &plan,
                                        WriteWatch &watch)
{
    DirectoryWriteReport report;
    report.refused = plan.refused;
    QList<QPair<QByteArray, QString>> steps; // address and what it is, writes then erases
    QList<QByteArray> data;
    QList<QList<UnitFieldChange>> changes; // of each step
    for (const DirectoryPlan::Write &w : plan.writes) {
        steps.append({w.addr, at(w.label, w.addr)});
        data.append(StoredRecordData(w.stored));
        changes.append(recordChanges(w.addr, w.before ? StoredOf(*w.before) : StoredRecord{}, w.stored));
    }
    const QByteArray empty = StoredRecordData({});
    for (const BackupRecord &r : plan.erases) {
        steps.append({r.addr.toUpper(), QStringLiteral("the erase of ") + at(labelOf(r), r.addr.toUpper())});
        data.append(empty);
        changes.append(recordChanges(r.addr, StoredOf(r), StoredRecord{}));
    }
    UnitWriteScope journal(link, UnitWriteKind::WriteChanges, !steps.isEmpty());
    if (!journal.Allowed()) {
        report.notWritten = QStringLiteral("Nothing was written.");
        return report;
    }
    QList<UnitFieldChange> confirmedChanges;
    const auto record = qScopeGuard([&] { journal.Done(report.ok(), confirmedChanges, QStringLiteral("the phone list: %1 records written, %2 erased").arg(report.written).arg(report.erased)); });
    const int writes = int(plan.writes.size());
    progress.Count(0, int(steps.size()));
    for (int i = 0; i < steps.size(); ++i) {
        if (!link.LoggedOn() || watch.Silent() || progress.CancelRequested()) {
            report.stopped = !link.LoggedOn();
            report.silent = !report.stopped && watch.Silent();
            report.cancelled = !report.stopped && !report.silent;
            for (int k = i; k < steps.size(); ++k)
                report.left.append(steps.at(k).second);
            return report;
        }
        report.started = true;
        if (writeBlock(link, steps.at(i).first, data.at(i), watch)) {
            confirmedChanges += changes.at(i);
            ++(i < writes ? report.written : report.erased);
            report.done.append(steps.at(i).second);
        } else {
            report.failed.append(steps.at(i).second);
        }
        progress.Count(i + 1, int(steps.size()));
    }
    report.silent = watch.Silent() && !report.failed.isEmpty();
    return report;
}

namespace {

// Gives each record without a usable address the lowest free one, one record
// at a time: a table sorted on Addr moves a record when its address changes.
QStringList assignAddresses(MemTable &table, int memoryLimit)
{
    QStringList given;
    for (;;) {
        const QList<TargetRecord> targets = TargetRecordsOfTable(table);
        const DirectoryPlan plan = PlanDirectoryChanges(targets, {}, memoryLimit);
        if (plan.needAddress.isEmpty() || plan.freeAddresses.isEmpty())
            return given;
        const int row = plan.needAddress.first();
        const QByteArray addr = plan.freeAddresses.first();
        table.SetPosition(row + 1);
        table.Edit();
        table.SetFieldText(kAddr, addr);
        table.Post();
        given.append(at(targets.at(row).label, addr));
    }
}

} // namespace

DirectoryWriteReport WriteDirectoryChanges(Link &link, ShellServices &shell, DirectoryAccess &directory,
                                           const QList<BackupRecord> &unitNow, bool unitNowComplete,
                                           const OperationHooks &hooks)
{
    DirectoryWriteReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();
    table.Refresh(); // a pending blank record is dropped
    const int limit = UnitConnection::MemoryLimitOf(link);
    if (!link.LoggedOn()) {
        report.notWritten = QStringLiteral("Not logged on to a unit: nothing was written.");
        return report;
    }
    if (!unitNowComplete) {
        report.notWritten = QStringLiteral("The unit's phone list did not arrive whole: nothing was written.");
        return report;
    }
    const DirectoryPlan first = PlanDirectoryChanges(TargetRecordsOfTable(table), unitNow, limit);
    if (!first.fits()) {
        report.refused = first.refused;
        report.notWritten = QStringLiteral("The unit has no free address for %1 record(s): nothing was written.")
                                .arg(first.needAddress.size() - first.freeAddresses.size());
        return report;
    }

    OperationSteps steps(hooks);
    steps.Begin(QStringLiteral("Writing the phone list changes"));
    shell.HoldFileCommands(true);
    directory.HoldTransfers(true);
    directory.HoldGrid(true);
    std::optional<UnitOperation> writes(std::in_place, link, QStringLiteral("Writing the phone list changes"), PersonWaits);
    state.ShowRecordEnabled = false;
    const int position = table.Position();
    const auto release = qScopeGuard([&] {
        table.SetPosition(position);
        state.ShowRecordEnabled = true;
        writes.reset();
        directory.HoldGrid(false);
        directory.HoldTransfers(false);
        shell.HoldFileCommands(false);
    });
    {
        const TableDisplayPause paused(table);
        report.addressed = assignAddresses(table, limit);
    }
    const DirectoryPlan plan = PlanDirectoryChanges(TargetRecordsOfTable(table), unitNow, limit);
    WriteWatch watch(link);
    const QStringList addressed = report.addressed;
    report = WriteDirectoryPlan(link, steps, plan, watch);
    report.addressed = addressed;
    // As after a full upload: the addresses are the unit's, whatever failed;
    // but a record left out is in the table and not in the unit.
    directory.SetDirectorySynced(plan.refused.isEmpty());
    return report;
}

} // namespace porv
