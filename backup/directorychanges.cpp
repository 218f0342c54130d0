#include "directorychanges.h"

#include <QHash>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>

#include "codecs.h"
#include "directorytransfer.h"
#include "link.h"
#include "memtable.h"
#include "stepshell.h"

namespace porv {

namespace {

const QByteArray kAddr = QByteArrayLiteral("Addr");

// How a record is named in a report: its name, else its room, else its address.
QString labelOf(const BackupRecord &r)
{
    if (!r.name.isEmpty())
        return QString::fromLatin1(UnitName(r.name));
    if (!r.room.isEmpty())
        return QStringLiteral("room %1").arg(QString::fromLatin1(r.room));
    return QStringLiteral("record at %1").arg(QString::fromLatin1(r.addr));
}

TargetRecord targetOf(const BackupRecord &r, const QByteArray &tag)
{
    TargetRecord t;
    t.record = r;
    t.tag = tag.toUpper();
    t.problem = CheckRecord(r.room, r.phone, r.name);
    t.label = labelOf(r);
    return t;
}

bool sameFields(const BackupRecord &a, const BackupRecord &b)
{
    return a.name == b.name && a.room == b.room && a.phone == b.phone && a.code1 == b.code1 && a.code2 == b.code2
        && a.spare == b.spare;
}

QByteArray recordData(const BackupRecord &r) { return RecordData(r.room, r.code1, r.code2, r.spare, r.phone, r.name); }

// A single-record write as the commit sends it: at most twice.
bool writeBlock(Link &link, const QByteArray &addr, const QByteArray &data)
{
    for (int attempt = 0; attempt < 2; ++attempt)
        if (link.WriteDirectoryBlock(addr, data))
            return true;
    return false;
}

bool byAddress(const BackupRecord &a, const BackupRecord &b) { return a.addr < b.addr; }

} // namespace

BackupRecord StoredForm(const BackupRecord &r)
{
    BackupRecord s;
    s.addr = r.addr.toUpper();
    s.room = DigitsOnly(r.room, 6);
    s.code1 = DigitsOnly(r.code1, 4);
    s.code2 = DigitsOnly(r.code2, 4);
    s.spare = DigitsOnly(r.spare, 2);
    s.phone = DecodeDigits(EncodeDigits(DialNumber(r.phone), 16));
    s.name = UnitName(r.name).left(16);
    return s;
}

QList<TargetRecord> TargetRecordsOfTable(const MemTable &table)
{
    // Name, RoomNumber, PHnumber, Code1, Code2, spare, RFID, Addr.
    QList<TargetRecord> out;
    for (int row = 0; row < table.RecordCount(); ++row) {
        const BackupRecord r{table.RowText(row, 7), table.RowText(row, 0), table.RowText(row, 1),
                             table.RowText(row, 2), table.RowText(row, 3), table.RowText(row, 4),
                             table.RowText(row, 5)};
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

DirectoryPlan PlanDirectoryChanges(const QList<TargetRecord> &targets, const QList<BackupRecord> &unit,
                                   int memoryLimit)
{
    DirectoryPlan plan;
    for (const TargetRecord &t : targets)
        if (t.problem.kind != RecordProblem::None)
            plan.refused.append(t.label + QStringLiteral(": ") + RecordProblemText(t.problem));

    // Addresses kept, in the targets' order: the first record that names an
    // address keeps it.
    QSet<QByteArray> taken;
    QMap<QByteArray, int> &targetAt = plan.placed;
    for (int i = 0; i < targets.size(); ++i) {
        const QByteArray addr = targets.at(i).record.addr.toUpper();
        if (UsableAddress(addr, memoryLimit) && !taken.contains(addr)) {
            taken.insert(addr);
            targetAt.insert(addr, i);
        } else {
            plan.needAddress.append(i);
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
        BackupRecord stored = StoredForm(t.record);
        stored.addr = it.key();
        const auto now = held.constFind(it.key());
        if (now != held.cend() && sameFields(StoredForm(*now), stored))
            continue;
        DirectoryPlan::Write w{stored, std::nullopt, t.label};
        if (now != held.cend())
            w.before = *now;
        plan.writes.append(w);
    }
    for (const BackupRecord &r : unit)
        if (!targetAt.contains(r.addr.toUpper()))
            plan.erases.append(r);
    std::sort(plan.writes.begin(), plan.writes.end(),
              [](const DirectoryPlan::Write &a, const DirectoryPlan::Write &b) { return byAddress(a.record, b.record); });
    std::sort(plan.erases.begin(), plan.erases.end(), byAddress);
    return plan;
}

DirectoryWriteReport WriteDirectoryPlan(Link &link, StepShell &shell, const DirectoryPlan &plan)
{
    DirectoryWriteReport report;
    const int total = int(plan.writes.size() + plan.erases.size());
    int done = 0;
    shell.report(done, total);
    for (const DirectoryPlan::Write &w : plan.writes) {
        if (!link.LoggedOn()) {
            report.stopped = true;
            return report;
        }
        report.started = true;
        if (writeBlock(link, w.record.addr, recordData(w.record)))
            ++report.written;
        else
            report.failed.append(QStringLiteral("%1 at %2").arg(w.label, QString::fromLatin1(w.record.addr)));
        shell.report(++done, total);
    }
    const QByteArray empty = RecordData({}, {}, {}, {}, {}, {});
    for (const BackupRecord &r : plan.erases) {
        if (!link.LoggedOn()) {
            report.stopped = true;
            return report;
        }
        report.started = true;
        if (writeBlock(link, r.addr, empty))
            ++report.erased;
        else
            report.failed.append(QStringLiteral("the erase of %1 at %2").arg(labelOf(r), QString::fromLatin1(r.addr)));
        shell.report(++done, total);
    }
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
        given.append(QStringLiteral("%1 at %2").arg(targets.at(row).label, QString::fromLatin1(addr)));
    }
}

} // namespace

DirectoryWriteReport WriteDirectoryChanges(Link &link, ShellServices &shell, DirectoryAccess &directory,
                                           const QList<BackupRecord> &unitNow, bool unitNowComplete,
                                           const ProgressCallback &progress)
{
    DirectoryWriteReport report;
    MemTable &table = directory.Table();
    DirectoryState &state = directory.State();
    table.Refresh(); // a pending blank record is dropped
    const int limit = shell.MemoryLimit();
    if (!link.LoggedOn()) {
        report.notWritten = QStringLiteral("Not logged on to a unit: nothing was written.");
        return report;
    }
    if (!unitNowComplete) {
        report.notWritten = QStringLiteral("The unit's phone list did not arrive whole: nothing was written.");
        return report;
    }
    const DirectoryPlan first = PlanDirectoryChanges(TargetRecordsOfTable(table), unitNow, limit);
    if (!first.refused.isEmpty()) {
        report.refused = first.refused;
        report.notWritten =
            QStringLiteral("The unit cannot store %1 record(s): nothing was written.").arg(first.refused.size());
        return report;
    }
    if (!first.fits()) {
        report.notWritten = QStringLiteral("The unit has no free address for %1 record(s): nothing was written.")
                                .arg(first.needAddress.size() - first.freeAddresses.size());
        return report;
    }

    StepShell steps(shell, progress);
    steps.BeginStep(QStringLiteral("Writing the phone list changes"));
    shell.HoldFileCommands(true);
    directory.HoldTransfers(true);
    directory.HoldGrid(true);
    shell.SetBusyCursor(true);
    state.ShowRecordEnabled = false;
    const int position = table.Position();
    const auto release = qScopeGuard([&] {
        table.SetPosition(position);
        state.ShowRecordEnabled = true;
        shell.SetBusyCursor(false);
        directory.HoldGrid(false);
        directory.HoldTransfers(false);
        shell.HoldFileCommands(false);
    });
    {
        const TableDisplayPause paused(table);
        report.addressed = assignAddresses(table, limit);
    }
    const DirectoryPlan plan = PlanDirectoryChanges(TargetRecordsOfTable(table), unitNow, limit);
    const DirectoryWriteReport written = WriteDirectoryPlan(link, steps, plan);
    report.started = written.started;
    report.written = written.written;
    report.erased = written.erased;
    report.failed = written.failed;
    report.stopped = written.stopped;
    // As after a full upload: the addresses are the unit's, whatever failed.
    directory.SetDirectorySynced(true);
    return report;
}

} // namespace porv
