#include "restore.h"

#include <QScopeGuard>

#include "codecs.h"
#include "delay.h"
#include "directorytable.h"
#include "failures.h"
#include "link.h"
#include "unitconnection.h"
#include "tagcodes.h"
#include "unitcompare.h"
#include "unitmemory.h"
#include "shellservices.h"
#include "writewatch.h"
#include "blocks.h"
#include "unitwrites.h"

namespace porv {

namespace {

const QString kBlock = QStringLiteral("block %1");
const QString kAccessItem = QStringLiteral("the PINs and emergency codes (block 0003)");
const QString kTagsItem = QStringLiteral("the tags");

QString checkDirectory(const QList<BackupRecord> &records, int memoryLimit)
{
    int top = 0;
    for (const BackupRecord &r : records)
        top = std::max(top, r.addr.toInt(nullptr, 16));
    if (top > memoryLimit)
        return QStringLiteral("The backup's phone list reaches address %1, beyond this unit's directory, "
                              "which ends at %2 (%3 records).")
            .arg(QString::fromLatin1(DirectoryAddress(top)), QString::fromLatin1(DirectoryAddress(memoryLimit)))
            .arg(DirectoryCapacity(memoryLimit));
    for (const BackupRecord &r : records)
        if (!UsableAddress(r.addr, memoryLimit))
            return QStringLiteral("The backup's phone list has a record at address %1, outside this unit's "
                                  "directory (1000 to %2).")
                .arg(QString::fromLatin1(r.addr), QString::fromLatin1(DirectoryAddress(memoryLimit)));
    return QString();
}

QString checkTags(const QList<BackupTag> &tags)
{
    for (const BackupTag &t : tags)
        if (t.room.isEmpty() || DigitsOnly(t.room, kTagRoomLength) != t.room || !IsTagCode(t.code))
            return QStringLiteral("The backup's tag for room \"%1\" is not a room number and a code of ten "
                                  "hexadecimal digits.")
                .arg(QString::fromLatin1(t.room));
    return QString();
}

// What the directory plan sends, named as a report names it.
QStringList itemsOf(const DirectoryPlan &plan)
{
    QStringList items;
    for (const DirectoryPlan::Write &w : plan.writes)
        items.append(QStringLiteral("%1 at %2").arg(w.label, QString::fromLatin1(w.addr)));
    for (const BackupRecord &r : plan.erases)
        items.append(QStringLiteral("the erase of the record at %1").arg(QString::fromLatin1(r.addr)));
    return items;
}

// The restore's writes, part by part, stopping for a closed link or a unit
// that has fallen silent; what was not sent then is named.
class Writer {
public:
    Writer(Link &link, ShellServices &shell, OperationSteps &steps, const RestorePlan &plan, RestoreReport &report)
        : m_link(link), m_shell(shell), m_steps(steps), m_plan(plan), m_report(report), m_watch(link)
    {
    }

    void Run()
    {
        parameters();
        access();
        directory();
        tags();
    }

private:
    // False once the restore has to stop; what remains from `part` on is left.
    bool goOn(int part, int from)
    {
        if (m_halted)
            return false;
        m_report.stopped = m_report.stopped || !m_link.LoggedOn();
        m_report.silent = m_report.silent || (!m_report.stopped && m_watch.Silent());
        m_report.cancelled = m_report.cancelled || (!m_report.stopped && !m_report.silent && m_steps.CancelRequested());
        if (!m_report.stopped && !m_report.silent && !m_report.cancelled)
            return true;
        m_halted = true;
        leaveFrom(part, from);
        return false;
    }

    void leaveFrom(int part, int from)
    {
        if (part == 0)
            for (int i = from; i < m_plan.parameterWrites.size(); ++i)
                m_report.left.append(kBlock.arg(QString::fromLatin1(m_plan.parameterWrites.at(i).first)));
        if (part <= 1 && m_plan.accessWrite)
            m_report.left.append(kAccessItem);
        if (part <= 2 && m_plan.directory)
            m_report.left.append(itemsOf(*m_plan.directory));
        if (part <= 3 && m_plan.tagWrites)
            m_report.left.append(kTagsItem);
    }

    // A verified block write: up to four "p" commands, unanswered ones counted.
    bool writeBlock(const QByteArray &block, const QByteArray &data)
    {
        m_watch.Before();
        const bool confirmed = m_link.WriteBlockVerified(block, data);
        m_watch.After(confirmed ? 1 : 4);
        return confirmed;
    }

    void parameters()
    {
        if (m_plan.parameterWrites.isEmpty())
            return;
        m_steps.Begin(QLatin1String(restorestep::kParameters));
        QByteArray previous;
        for (int i = 0; i < m_plan.parameterWrites.size(); ++i) {
            if (!goOn(0, i))
                return;
            const auto &[block, data] = m_plan.parameterWrites.at(i);
            // As the divert write does: a pause between the numbers and the times.
            if (block == "0002" && previous == "0005")
                Delay(300);
            const QString item = kBlock.arg(QString::fromLatin1(block));
            if (writeBlock(block, data))
                m_report.written.append(item);
            else
                m_report.parameterFailures.append(item);
            previous = block;
            m_steps.Count(i + 1, int(m_plan.parameterWrites.size()));
        }
        m_report.parametersWritten = true;
    }

    void access()
    {
        if (!m_plan.accessWrite || !goOn(1, 0))
            return;
        m_steps.Begin(QLatin1String(restorestep::kAccess));
        m_report.accessWritten = writeBlock("0003", *m_plan.accessWrite);
        if (*m_report.accessWritten)
            m_report.written.append(kAccessItem);
    }

    void directory()
    {
        if (!m_plan.directory || (m_plan.directory->writes.isEmpty() && m_plan.directory->erases.isEmpty())
            || !goOn(2, 0))
            return;
        m_steps.Begin(QLatin1String(restorestep::kDirectory));
        m_report.directory = WriteDirectoryPlan(m_link, m_steps, *m_plan.directory, m_watch);
        m_report.written.append(m_report.directory->done);
        m_report.left.append(m_report.directory->left);
        m_report.stopped = m_report.stopped || m_report.directory->stopped;
        m_report.silent = m_report.silent || m_report.directory->silent;
        m_report.cancelled = m_report.cancelled || m_report.directory->cancelled;
        if (m_report.stopped || m_report.silent || m_report.cancelled) {
            m_halted = true;
            leaveFrom(3, 0);
        }
    }

    void tags()
    {
        if (!m_plan.tagWrites || !goOn(3, 0))
            return;
        m_steps.Begin(QLatin1String(restorestep::kTags));
        bool first = true;
        bool cancelled = false;
        m_report.tags = ReplaceTagBlocks(m_link, m_shell, *m_plan.tagWrites, false, [this, &first, &cancelled] {
            // Three "g" commands a block: one without any answer at all is
            // enough to stop.
            if (!first)
                m_watch.After(3);
            // Between two blocks (once the list is erased, it is rewritten
            // at least with its first block).
            cancelled = !first && m_steps.CancelRequested();
            first = false;
            if (m_watch.Silent() || cancelled)
                return false;
            m_watch.Before();
            return true;
        });
        const WriteAllOutcome outcome = m_report.tags->outcome;
        m_report.stopped = m_report.stopped || outcome == WriteAllOutcome::LoggedOff;
        m_report.cancelled = m_report.cancelled || (outcome == WriteAllOutcome::Stopped && cancelled);
        m_report.silent = m_report.silent || (outcome == WriteAllOutcome::Stopped && !cancelled);
        if (outcome == WriteAllOutcome::Written)
            m_report.written.append(kTagsItem);
        else if (outcome == WriteAllOutcome::LoggedOff || outcome == WriteAllOutcome::Stopped)
            m_report.left.append(kTagsItem);
    }

    Link &m_link;
    ShellServices &m_shell;
    OperationSteps &m_steps;
    const RestorePlan &m_plan;
    RestoreReport &m_report;
    WriteWatch m_watch;
    bool m_halted = false;
};

// The parameter blocks and access codes a restore wrote, as its record keeps
// them: the gate codes (0001) and the PINs only as changed.
QList<UnitFieldChange> restoredBlocks(const RestorePlan &plan, const RestoreReport &report, const UnitBackup &now)
{
    QList<UnitFieldChange> changes;
    for (const auto &[block, data] : plan.parameterWrites) {
        const QString item = kBlock.arg(QString::fromLatin1(block));
        if (!report.written.contains(item))
            continue;
        changes.append(BlockChange(block, now.parameterBlocks.value_or(ParameterBlocks{}).value(block), data, block == "0001"));
    }
    if (report.accessWritten.value_or(false))
        changes += SecretChanges(QStringLiteral("access codes"), PinFields());
    return changes;
}

} // namespace

bool RestorePlan::Empty() const
{
    return parameterWrites.isEmpty() && !accessWrite && (!directory || (directory->writes.isEmpty() && directory->erases.isEmpty()))
        && !tagWrites;
}

QString NamedItems(const QStringList &items, int named)
{
    if (items.isEmpty())
        return QStringLiteral("nothing");
    if (named < 0 || items.size() <= named)
        return items.join(QStringLiteral(", "));
    return items.mid(0, named).join(QStringLiteral(", ")) + QStringLiteral(" and %1 more").arg(items.size() - named);
}

bool RestoreReport::ok() const { return Problems().isEmpty(); }

QStringList RestoreReport::Problems(int named) const
{
    QStringList problems;
    if (!refusal.isEmpty())
        return {refusal};
    for (const QString &item : refused)
        problems.append(QStringLiteral("Not written, since the unit cannot hold it: %1").arg(item));
    for (const QString &block : parameterFailures)
        problems.append(QStringLiteral("The parameters' %1 was not confirmed.").arg(block));
    if (accessWritten && !*accessWritten)
        problems.append(QStringLiteral("The PINs and emergency codes were not confirmed."));
    if (directory)
        for (const QString &failed : directory->failed)
            problems.append(QStringLiteral("The phone list's %1 was not acknowledged.").arg(failed));
    if (tags) {
        switch (tags->outcome) {
        case WriteAllOutcome::Written:
        case WriteAllOutcome::Stopped:
        case WriteAllOutcome::LoggedOff:
            break;
        case WriteAllOutcome::NoReply:
            problems.append(QStringLiteral("The unit did not answer the erase of its tag list; no tag was written."));
            break;
        case WriteAllOutcome::Errors:
            problems.append(QStringLiteral("%1 tag block(s) were not confirmed.").arg(tags->errors));
            break;
        default:
            problems.append(QStringLiteral("The tags were not written."));
            break;
        }
    }
    if (silent || stopped || cancelled) {
        problems.append(silent    ? QStringLiteral("The unit stopped answering: the rest was not sent.")
                        : stopped ? QStringLiteral("The link closed before the restore ended.")
                                  : QStringLiteral("Cancelled: the rest was not sent."));
        problems.append(QStringLiteral("Written: %1").arg(NamedItems(written, named)));
        QStringList notWritten = parameterFailures;
        if (directory)
            notWritten += directory->failed;
        problems.append(QStringLiteral("Not written: %1").arg(NamedItems(notWritten + left, named)));
    }
    return problems;
}

RestoreCheck CheckRestore(const UnitBackup &backup, const UnitIdentity &connected)
{
    RestoreCheck check;
    if (!backup.directory && !backup.parameters && !backup.parameterBlocks && !backup.access && !backup.tags) {
        check.refusal = QStringLiteral("The backup holds nothing to restore.");
        return check;
    }
    if (backup.directory) {
        if (connected.memoryLimit <= 0) {
            check.refusal = QStringLiteral("The connected unit's model is not known, so neither is the size of its "
                                           "directory: nothing was written.");
            return check;
        }
        check.refusal = checkDirectory(*backup.directory, connected.memoryLimit);
        if (!check.allowed())
            return check;
    }
    if (backup.tags && !backup.tagBlocks) {
        check.refusal = checkTags(*backup.tags);
        if (!check.allowed())
            return check;
    }
    if (backup.parameterBlocks) {
        for (auto it = backup.parameterBlocks->cbegin(); it != backup.parameterBlocks->cend(); ++it) {
            const ParameterBlockLayout *layout = FindParameterBlock(it.key());
            if (!layout || !ParameterBlockDataValid(*layout, it.value())) {
                check.refusal = QStringLiteral("The backup's parameter block %1 is damaged.").arg(QString::fromLatin1(it.key()));
                return check;
            }
        }
    } else if (backup.parameters) {
        try {
            ParameterBlocksOfBackup(backup);
        } catch (const ConversionError &) {
            check.refusal = QStringLiteral("The backup's parameters image is damaged (its relay-2 value is empty).");
            return check;
        }
    }
    if (!backup.modelLine.isEmpty() && backup.modelLine != connected.modelLine)
        check.notes.append(QStringLiteral("The backup was taken from a %1; the connected unit is a %2.")
                               .arg(QString::fromLatin1(backup.modelLine), QString::fromLatin1(connected.modelLine)));
    return check;
}

RestorePlan PlanRestore(const UnitBackup &backup, const UnitBackup &now, const UnitIdentity &connected)
{
    RestorePlan plan;
    const ParameterBlocks held = now.parameterBlocks.value_or(ParameterBlocks());
    if (backup.parameterBlocks || backup.parameters) {
        const ParameterBlocks blocks = ParameterBlocksOfBackup(backup);
        QStringList notHeld;
        for (const ParameterBlockLayout &layout : ParameterBlockLayouts()) {
            if (qstrcmp(layout.block, "0003") == 0)
                continue;
            const auto data = blocks.constFind(layout.block);
            if (data == blocks.cend()) {
                notHeld.append(QString::fromLatin1(layout.block));
                continue;
            }
            // The unit holds it already (a version 1 block 0002 over its 16 characters).
            if (held.value(layout.block).left(data->size()) == *data)
                continue;
            const QString problem = ParameterBlockProblem(layout, *data);
            if (!problem.isEmpty()) {
                plan.refused.append(problem);
                continue;
            }
            plan.parameterWrites.append({layout.block, layout.message ? WritableMessage(*data) : *data});
        }
        if (!backup.parameterBlocks)
            plan.leftOut.append(QStringLiteral("The backup holds the parameters image only: the settings, options "
                                               "and diverts were left as they are."));
        else if (!notHeld.isEmpty())
            plan.leftOut.append(QStringLiteral("The backup does not hold block(s) %1: left as the unit holds them.")
                                    .arg(notHeld.join(QStringLiteral(", "))));
    }
    if (const std::optional<QByteArray> access = AccessBlockOfBackup(backup)) {
        if (!held.contains("0003") || held.value("0003") != *access)
            plan.accessWrite = *access;
    }
    if (backup.directory) {
        plan.directory = PlanDirectoryChanges(TargetRecordsOfBackup(*backup.directory),
                                              now.directory.value_or(QList<BackupRecord>()), connected.memoryLimit, true);
        plan.refused.append(plan.directory->refused);
    }
    if (const std::optional<ParameterBlocks> tags = TagBlocksOf(backup)) {
        const std::optional<ParameterBlocks> unitTags = TagBlocksOf(now);
        if (!unitTags || *unitTags != *tags) {
            QList<TagBlockWrite> writes;
            for (auto it = tags->cbegin(); it != tags->cend(); ++it)
                if (!TagBlockBlank(it.value()))
                    writes.append({it.key(), it.value()});
            plan.tagWrites = writes;
        }
    }
    return plan;
}

RestoreReport RestoreUnit(Link &link, ShellServices &shell, const UnitBackup &backup, const UnitIdentity &connected,
                          const std::optional<UnitBackup> &unitNow, const OperationHooks &hooks)
{
    RestoreReport report;
    const RestoreCheck check = CheckRestore(backup, connected);
    if (!check.allowed()) {
        report.refusal = check.refusal;
        return report;
    }
    if (!link.LoggedOn()) {
        report.refusal = QStringLiteral("Not logged on to a unit: nothing was written.");
        return report;
    }
    // What the unit holds must be known before anything is written: a
    // restore writes only what differs, and never stops half way for want of it.
    std::optional<UnitBackup> now = unitNow;
    if (!now) {
        const UnitReadResult read = ReadWholeUnit(link, shell, connected, {false}, hooks);
        if (!read.ok()) {
            report.refusal =
                QStringLiteral("The unit could not be read (%1): nothing was written.").arg(read.message());
            return report;
        }
        now = read.backup;
    }
    const RestorePlan plan = PlanRestore(backup, *now, connected);
    report.refused = plan.refused;
    report.parametersLeftOut = plan.leftOut;

    UnitWriteScope journal(link, UnitWriteKind::Restore, !plan.Empty());
    if (!journal.Allowed()) {
        report.refusal = QStringLiteral("Nothing was written.");
        return report;
    }
    OperationSteps steps(hooks);
    shell.HoldFileCommands(true);
    const UnitOperation writes(link, QStringLiteral("Restoring the unit"), PersonWaits);
    const auto release = qScopeGuard([&shell] { shell.HoldFileCommands(false); });
    Writer(link, shell, steps, plan, report).Run();
    if (!link.LoggedOn())
        report.stopped = true;
    journal.Done(report.ok(), restoredBlocks(plan, report, *now), QStringLiteral("a backup of %1").arg(backup.taken.toString(Qt::ISODate)));
    return report;
}

} // namespace porv
