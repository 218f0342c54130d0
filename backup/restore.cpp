#include "restore.h"

#include <QScopeGuard>

#include "backupparameters.h"
#include "blocks.h"
#include "codecs.h"
#include "delay.h"
#include "directorytransfer.h"
#include "failures.h"
#include "fields.h"
#include "image.h"
#include "link.h"
#include "memtable.h"
#include "stepshell.h"
#include "tagcodes.h"

namespace porv {

namespace {

const QString kCRLF = QStringLiteral("\r\n");

// The blocks a parameters image alone gives, whole: the gate codes, the
// messages and the speed dials, with their data.
QList<QPair<QByteArray, QByteArray>> blocksOfImage(const QByteArray &imageBytes)
{
    ParameterImage image;
    image.setBytes(imageBytes);
    ParameterFields fields;
    ControlsFromImage(image, fields); // an empty relay-2 text throws ConversionError
    return {{"0001", GateCodesBlock(fields)},     {"0012", MessageBlock12(fields)}, {"0013", MessageBlock13(fields)},
            {"0014", MessageBlock14(fields)},     {"0015", MessageBlock15(fields)}, {"0008", SpeedDials1Block(fields)},
            {"0009", SpeedDials2Block(fields)}};
}

// The highest directory address of the backup's records.
int topAddress(const QList<BackupRecord> &records)
{
    int top = 0;
    for (const BackupRecord &r : records)
        top = std::max(top, r.addr.toInt(nullptr, 16));
    return top;
}

QString checkDirectory(const QList<BackupRecord> &records, int memoryLimit)
{
    for (const BackupRecord &r : records) {
        if (!UsableAddress(r.addr, memoryLimit))
            return QStringLiteral("The backup's phone list reaches address %1, beyond this unit's directory, "
                                  "which ends at %2 (%3 records).")
                .arg(QString::fromLatin1(DirectoryAddress(topAddress(records))), QString::fromLatin1(DirectoryAddress(memoryLimit)))
                .arg(DirectoryCapacity(memoryLimit));
    }
    QStringList refused;
    for (const TargetRecord &t : TargetRecordsOfBackup(records))
        if (t.problem.kind != RecordProblem::None)
            refused.append(t.label + QStringLiteral(": ") + RecordProblemText(t.problem));
    if (!refused.isEmpty())
        return QStringLiteral("The unit cannot store these records of the backup:") + kCRLF + refused.join(kCRLF);
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

// Writes one parameter block, verified; false when it was not confirmed.
bool writeParameterBlock(Link &link, const QByteArray &block, const QByteArray &data, RestoreReport &report)
{
    if (link.WriteBlockVerified(block, data))
        return true;
    report.parameterFailures.append(QStringLiteral("block %1").arg(QString::fromLatin1(block)));
    return false;
}

void restoreParameters(Link &link, StepShell &steps, const UnitBackup &backup, RestoreReport &report)
{
    QList<QPair<QByteArray, QByteArray>> blocks;
    if (backup.parameterBlocks) {
        for (const ParameterBlockLayout &layout : BackedUpParameterBlocks())
            blocks.append({layout.block, backup.parameterBlocks->value(layout.block)});
    } else {
        blocks = blocksOfImage(*backup.parameters);
        report.parametersLeftOut.append(
            QStringLiteral("The backup holds the parameters image only: the settings, options and diverts "
                           "were left as they are."));
    }
    int done = 0;
    for (const auto &[block, data] : blocks) {
        if (!link.LoggedOn()) {
            report.stopped = true;
            return;
        }
        // As the divert write does: a pause between the numbers and the times.
        if (block == "0002")
            Delay(300);
        writeParameterBlock(link, block, data, report);
        steps.report(++done, int(blocks.size()));
    }
    report.parametersWritten = true;
}

void restoreTags(Link &link, StepShell &steps, const QList<BackupTag> &tags, RestoreReport &report)
{
    // The tags in block order as the records of a table of their own, which
    // Write All then sends four to a block in that order.
    StandaloneDirectory list;
    for (const BackupTag &t : tags)
        list.table.AppendRecord({QByteArray(), t.room, QByteArray(), QByteArray(), QByteArray(), QByteArray(), t.code,
                                 QByteArray()});
    report.tags = ReplaceTagList(link, steps, list);
    steps.TakeMessages(); // the report says it all
}

} // namespace

bool RestoreReport::ok() const { return Problems().isEmpty(); }

QStringList RestoreReport::Problems() const
{
    QStringList problems;
    if (!refusal.isEmpty())
        return {refusal};
    for (const QString &block : parameterFailures)
        problems.append(QStringLiteral("The parameters' %1 was not confirmed.").arg(block));
    if (accessWritten && !*accessWritten)
        problems.append(QStringLiteral("The PINs and emergency codes were not confirmed."));
    if (directory) {
        for (const QString &failed : directory->failed)
            problems.append(QStringLiteral("The phone list's %1 was not acknowledged.").arg(failed));
    }
    if (tags) {
        switch (tags->outcome) {
        case WriteAllOutcome::Written:
            break;
        case WriteAllOutcome::NoReply:
            problems.append(QStringLiteral("The unit did not answer the erase of its tag list; no tag was written."));
            break;
        case WriteAllOutcome::Errors:
            problems.append(QStringLiteral("%1 tag block(s) were not confirmed.").arg(tags->errors));
            break;
        case WriteAllOutcome::LimitReached:
            problems.append(QStringLiteral("Only the first 512 tags were written."));
            break;
        default:
            problems.append(QStringLiteral("The tags were not written."));
            break;
        }
    }
    if (stopped)
        problems.append(QStringLiteral("The link closed before the restore ended."));
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
    if (backup.tags) {
        check.refusal = checkTags(*backup.tags);
        if (!check.allowed())
            return check;
    }
    if (backup.parameterBlocks) {
        for (const ParameterBlockLayout &layout : BackedUpParameterBlocks()) {
            const auto data = backup.parameterBlocks->constFind(layout.block);
            if (data == backup.parameterBlocks->cend() || !ParameterBlockDataValid(layout, *data)) {
                check.refusal = QStringLiteral("The backup's parameter block %1 is missing or damaged.")
                                    .arg(QLatin1String(layout.block));
                return check;
            }
        }
    }
    if (backup.parameters && !backup.parameterBlocks) {
        try {
            blocksOfImage(*backup.parameters);
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

RestoreReport RestoreUnit(Link &link, ShellServices &shell, const UnitBackup &backup, const UnitIdentity &connected,
                          const std::optional<QList<BackupRecord>> &unitDirectory, const ProgressCallback &progress)
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
    // What the unit's directory holds must be known before anything is
    // written: a restore never stops half way for want of it.
    std::optional<QList<BackupRecord>> now = unitDirectory;
    if (backup.directory && !now) {
        const UnitDirectoryRead read = ReadUnitDirectory(link, shell, progress);
        if (!read.complete) {
            report.refusal =
                QStringLiteral("The unit's phone list could not be read (%1): nothing was written.").arg(read.error);
            return report;
        }
        now = read.records;
    }
    StepShell steps(shell, progress);
    shell.HoldFileCommands(true);
    shell.SetBusyCursor(true);
    const auto release = qScopeGuard([&shell] {
        shell.SetBusyCursor(false);
        shell.HoldFileCommands(false);
    });

    if (backup.parameterBlocks || backup.parameters) {
        steps.BeginStep(QLatin1String(restorestep::kParameters));
        restoreParameters(link, steps, backup, report);
    }
    if (backup.access && link.LoggedOn()) {
        steps.BeginStep(QLatin1String(restorestep::kAccess));
        ParameterFields fields;
        ShowAccessCodes(*backup.access, fields);
        report.accessWritten = link.WriteBlockVerified("0003", PinBlock(fields));
    }
    if (backup.directory && link.LoggedOn()) {
        steps.BeginStep(QLatin1String(restorestep::kDirectory));
        const DirectoryPlan plan =
            PlanDirectoryChanges(TargetRecordsOfBackup(*backup.directory), *now, connected.memoryLimit);
        report.directory = WriteDirectoryPlan(link, steps, plan);
        report.stopped = report.stopped || report.directory->stopped;
    }
    if (backup.tags && link.LoggedOn()) {
        steps.BeginStep(QLatin1String(restorestep::kTags));
        restoreTags(link, steps, *backup.tags, report);
        report.stopped = report.stopped || report.tags->outcome == WriteAllOutcome::LoggedOff;
    }
    if (!link.LoggedOn())
        report.stopped = true;
    return report;
}

} // namespace porv
