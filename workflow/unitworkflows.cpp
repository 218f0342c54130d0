#include "unitworkflows.h"

#include <QFileInfo>

#include "backupparameters.h"
#include "coreservices.h"
#include "directorytransfer.h"
#include "fields.h"
#include "link.h"
#include "memtable.h"
#include "unitfiles.h"

namespace porv {

namespace {

const QString kNotLoggedOn = QStringLiteral("not logged on to a unit");

// One workflow's run: the unit, the person, and the services the cores see.
class Run {
public:
    Run(Link &link, const UnitIdentity &unit, UnitInteraction &interaction)
        : link(link), unit(unit), ui(interaction), services(interaction)
    {
    }

    OperationHooks hooks() { return services.Hooks(); }
    void tell(UnitNotice::Kind kind, const QString &text = QString()) { ui.Tell({kind, text}); }

    // Whether the write may go on without an automatic backup (`reason` says
    // why there is none).
    bool writeWithout(const QString &what, const QString &reason, bool storeProblem)
    {
        UnitQuestion q;
        q.kind = UnitQuestion::Kind::WithoutBackup;
        q.subject = what;
        q.reason = reason;
        q.storeProblem = storeProblem;
        return link.LoggedOn() && ui.Ask(q);
    }

    // Before the unit is read for a write: a store that cannot keep its
    // backup is asked about first, so that No costs no read. False on No;
    // `waived` when the write goes on without a backup.
    bool storeReady(const QString &what, const WriteOptions &options, bool &waived)
    {
        waived = !options.automaticBackup;
        if (waived)
            return true;
        const QString problem = BackupStoreProblem();
        if (problem.isEmpty())
            return true;
        tell(UnitNotice::Kind::NotBackedUp, problem);
        waived = true;
        return writeWithout(what, problem, true);
    }

    // The read the changes were shown from, saved as the automatic backup
    // (after the Yes), or the question whether to write without one.
    bool keepBackup(const UnitBackup &now, const QString &what, const WriteOptions &options, bool waived,
                    UnitWriteReport &report)
    {
        if (!options.automaticBackup) {
            tell(UnitNotice::Kind::NoBackupWanted);
            return true;
        }
        if (waived)
            return true;
        AutomaticBackup saved = SaveAutomaticBackup(now, unit);
        saved.backup.reset(); // the report keeps where it went, not a second copy of the read
        report.backup = saved;
        if (saved.taken()) {
            tell(UnitNotice::Kind::BackupSaved, saved.path);
            return true;
        }
        tell(UnitNotice::Kind::NotBackedUp, saved.error);
        return writeWithout(what, saved.error, saved.storeProblem);
    }

    Link &link;
    const UnitIdentity &unit;
    UnitInteraction &ui;
    CoreServices services;
};

// A write's or a comparison's report of a workflow that stopped before its end.
template <class Report>
Report stopped(WorkflowFailure failure, const QString &problem, const QString &step = QString())
{
    Report report;
    report.failure = failure;
    report.problem = problem;
    report.step = step;
    return report;
}

UnitWriteReport failed(WorkflowFailure failure, const QString &problem, const QString &step = QString())
{
    return stopped<UnitWriteReport>(failure, problem, step);
}

UnitWriteReport unread(const UnitReadResult &read)
{
    return failed(read.cancelled ? WorkflowFailure::Cancelled : WorkflowFailure::Unit, read.error, read.failedStep);
}

UnitWriteReport &declined(UnitWriteReport &report, bool withoutBackup = false)
{
    report.outcome = UnitWriteReport::Outcome::Declined;
    report.withoutBackup = withoutBackup;
    return report;
}

CompareReport compareFailed(WorkflowFailure failure, const QString &problem, const QString &step = QString())
{
    return stopped<CompareReport>(failure, problem, step);
}

// The unit read whole but for its event log, for a comparison or a write.
UnitReadResult readForWrite(Run &run)
{
    if (!run.link.LoggedOn()) {
        UnitReadResult read;
        read.failedStep = QLatin1String(readstep::kDirectory);
        read.error = kNotLoggedOn;
        return read;
    }
    return ReadWholeUnit(run.link, run.services, run.unit, {false}, run.hooks());
}

} // namespace

// --- the report ---------------------------------------------------------------------------

bool UnitWriteReport::ok() const
{
    if (outcome != Outcome::Ran)
        return false;
    if (restore)
        return restore->ok();
    return directory && directory->ok() && directory->refused.isEmpty();
}

bool UnitWriteReport::cancelled() const
{
    return failure == WorkflowFailure::Cancelled || (restore && restore->cancelled) || (directory && directory->cancelled);
}

QStringList UnitWriteReport::written() const
{
    if (restore)
        return restore->written;
    return directory ? directory->done : QStringList();
}

QStringList UnitWriteReport::notWritten() const
{
    if (restore) {
        QStringList out = restore->parameterFailures;
        if (restore->accessWritten && !*restore->accessWritten)
            out.append(QStringLiteral("the PINs and emergency codes (block 0003)"));
        if (restore->directory)
            out += restore->directory->failed;
        return out + restore->left;
    }
    return directory ? directory->failed + directory->left : QStringList();
}

// --- back up and compare ------------------------------------------------------------------

BackupReport BackUpUnit(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                        const UnitReadOptions &options)
{
    Run run(link, unit, interaction);
    UnitReadResult read = ReadWholeUnit(link, run.services, unit, options, run.hooks());
    BackupReport report;
    if (!read.ok()) {
        report.failure = read.cancelled ? WorkflowFailure::Cancelled : WorkflowFailure::Unit;
        report.step = read.failedStep;
        report.problem = read.error;
        return report;
    }
    report.backup = std::move(read.backup);
    return report;
}

CompareReport CompareWithBackupFile(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                    const QString &path)
{
    const BackupReadResult file = LoadBackupFile(path);
    if (!file.ok())
        return compareFailed(WorkflowFailure::File, file.error);
    return CompareWithBackup(link, unit, interaction, *file.backup);
}

CompareReport CompareWithBackup(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                const UnitBackup &backup)
{
    Run run(link, unit, interaction);
    const UnitReadResult read = readForWrite(run);
    if (!read.ok())
        return compareFailed(read.cancelled ? WorkflowFailure::Cancelled : WorkflowFailure::Unit, read.error,
                             read.failedStep);
    CompareReport report;
    report.diff = CompareUnit(*read.backup, backup);
    return report;
}

CompareReport CompareWithPhoneList(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                   const MemTable &table)
{
    Run run(link, unit, interaction);
    const UnitDirectoryRead read = ReadUnitDirectory(link, run.services, run.hooks());
    if (!read.complete)
        return compareFailed(WorkflowFailure::Unit, read.error, QLatin1String(readstep::kDirectory));
    UnitBackup listed;
    listed.directory = read.records;
    CompareReport report;
    report.diff = ComparePhoneList(table, listed, unit.memoryLimit);
    return report;
}

CompareReport CompareWithPhoneListFile(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                       const QString &path)
{
    StandaloneDirectory directory;
    const QString problem = LoadPhoneListFile(directory, path, path);
    if (!problem.isEmpty())
        return compareFailed(WorkflowFailure::File, problem);
    return CompareWithPhoneList(link, unit, interaction, directory.table);
}

CompareReport CompareWithParameterFields(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                         const ParameterFields &fields)
{
    Run run(link, unit, interaction);
    const UnitParametersRead read = ReadUnitParameters(link, run.services, run.hooks());
    if (!read.blocks)
        return compareFailed(WorkflowFailure::Unit, read.error, QLatin1String(readstep::kParameters));
    CompareReport report;
    report.diff = CompareParameterFields(*read.blocks, fields);
    return report;
}

CompareReport CompareWithParametersFile(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                        const QString &path)
{
    // The file whole, before the unit is asked for anything.
    {
        ParameterFields scratch;
        const QString problem = LoadParametersFile(scratch, path, path);
        if (!problem.isEmpty())
            return compareFailed(WorkflowFailure::File, problem);
    }
    Run run(link, unit, interaction);
    const UnitParametersRead read = ReadUnitParameters(link, run.services, run.hooks());
    if (!read.blocks)
        return compareFailed(WorkflowFailure::Unit, read.error, QLatin1String(readstep::kParameters));
    // What the file does not hold stays as the unit holds it.
    ParameterFields fields;
    ShowParameterBlocks(*read.blocks, fields);
    LoadParametersFile(fields, path, path);
    CompareReport report;
    report.diff = CompareParameterFields(*read.blocks, fields);
    report.diff.pcSide = QStringLiteral("file");
    return report;
}

// --- the writes ---------------------------------------------------------------------------

UnitWriteReport RestoreBackupFile(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                  const QString &path, const WriteOptions &options)
{
    const BackupReadResult file = LoadBackupFile(path);
    if (!file.ok())
        return failed(WorkflowFailure::File, file.error);
    return RestoreBackup(link, unit, interaction, *file.backup, QFileInfo(path).fileName(), options);
}

UnitWriteReport RestoreBackup(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                              const UnitBackup &backup, const QString &name, const WriteOptions &options)
{
    const RestoreCheck check = CheckRestore(backup, unit);
    if (!check.allowed())
        return failed(WorkflowFailure::Refused, check.refusal);
    Run run(link, unit, interaction);
    for (const QString &note : check.notes)
        run.tell(UnitNotice::Kind::Note, note);
    const QString what = QStringLiteral("the backup %1").arg(name);
    bool waived = false;
    if (!run.storeReady(what, options, waived)) {
        UnitWriteReport report;
        return declined(report, true);
    }
    const UnitReadResult read = readForWrite(run);
    if (!read.ok())
        return unread(read);
    const UnitBackup &now = *read.backup;

    UnitWriteReport report;
    report.changes = CompareUnit(now, backup);
    for (const QString &note : check.notes)
        if (!report.changes.notes.contains(note))
            report.notes.append(note);
    const RestorePlan plan = PlanRestore(backup, now, unit);
    report.refused = plan.refused;
    if (plan.Empty()) {
        report.outcome = UnitWriteReport::Outcome::NothingToWrite;
        return report;
    }
    UnitQuestion q;
    q.kind = UnitQuestion::Kind::Restore;
    q.subject = name;
    q.changes = report.changes;
    q.notes = report.notes;
    // The blocks differ where no field shows it: they are written all the same.
    if (report.changes.Same())
        q.notes.append(QStringLiteral("The unit's memory differs from the backup in bytes no comparison names; "
                                      "they are written as the backup holds them."));
    if (!interaction.Ask(q) || !link.LoggedOn())
        return declined(report);
    if (!run.keepBackup(now, what, options, waived, report))
        return declined(report, true);
    report.restore = RestoreUnit(link, run.services, backup, unit, now, run.hooks());
    report.outcome = UnitWriteReport::Outcome::Ran;
    return report;
}

UnitWriteReport WritePhoneListChanges(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                      DirectoryAccess &directory, const WriteOptions &options)
{
    const QString what = QStringLiteral("the phone list's changes");
    Run run(link, unit, interaction);
    if (!link.LoggedOn())
        return failed(WorkflowFailure::Unit, kNotLoggedOn, QLatin1String(readstep::kDirectory));
    bool waived = false;
    if (!run.storeReady(what, options, waived)) {
        UnitWriteReport report;
        return declined(report, true);
    }
    // One read: with a backup to keep, the unit whole (its directory is what
    // the list is compared with); without, its directory alone.
    std::optional<UnitBackup> now;
    QList<BackupRecord> records;
    if (!waived) {
        const UnitReadResult read = readForWrite(run);
        if (!read.ok())
            return unread(read);
        now = read.backup;
        records = *now->directory;
    } else {
        const UnitDirectoryRead dump = ReadUnitDirectory(link, run.services, run.hooks());
        if (!dump.complete)
            return failed(WorkflowFailure::Unit, dump.error, QLatin1String(readstep::kDirectory));
        records = dump.records;
    }
    directory.Table().Refresh(); // a pending blank record is dropped
    UnitWriteReport report;
    UnitBackup listed;
    listed.directory = records;
    report.changes = ComparePhoneList(directory.Table(), listed, unit.memoryLimit);
    const DirectoryPlan plan = PlanDirectoryChanges(TargetRecordsOfTable(directory.Table()), records, unit.memoryLimit);
    report.refused = plan.refused;
    if (plan.writes.isEmpty() && plan.erases.isEmpty() && plan.needAddress.isEmpty()) {
        report.outcome = UnitWriteReport::Outcome::NothingToWrite;
        return report;
    }
    UnitQuestion q;
    q.kind = UnitQuestion::Kind::WriteChanges;
    q.subject = what;
    q.changes = report.changes;
    q.toWrite = report.changes.RecordsAdded() + report.changes.RecordsChanged();
    q.toErase = report.changes.RecordsRemoved();
    if (!interaction.Ask(q) || !link.LoggedOn())
        return declined(report);
    if (now) {
        if (!run.keepBackup(*now, what, options, waived, report))
            return declined(report, true);
    } else if (!options.automaticBackup) {
        run.tell(UnitNotice::Kind::NoBackupWanted);
    }
    report.directory = WriteDirectoryChanges(link, run.services, directory, records, true, run.hooks());
    report.outcome = UnitWriteReport::Outcome::Ran;
    return report;
}

bool BackUpBeforeWrite(Link &link, const UnitIdentity &unit, UnitInteraction &interaction, const QString &what,
                       const WriteOptions &options)
{
    Run run(link, unit, interaction);
    bool waived = false;
    if (!run.storeReady(what, options, waived))
        return false;
    if (waived) {
        if (!options.automaticBackup)
            run.tell(UnitNotice::Kind::NoBackupWanted);
        return true;
    }
    const UnitReadResult read = readForWrite(run);
    if (!read.ok()) {
        const QString why = read.message();
        run.tell(UnitNotice::Kind::NotBackedUp, why);
        return run.writeWithout(what, why, false);
    }
    UnitWriteReport report;
    return run.keepBackup(*read.backup, what, options, false, report);
}

} // namespace porv
