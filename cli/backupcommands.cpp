// The commands on the unit backup library: backup -o FILE.qx4b, restore
// FILE.qx4b, diff FILE.qx4b|FILE.csv, and the work of directory put FILE.csv
// --changes-only. Each reads and checks its file before logging on (through
// context.unit(), as the other commands do); what differs goes to standard
// output, the steps to standard error when it is a terminal.
#include "commands.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QStringList>

#include <cstdio>
#include <memory>

#include "backupstore.h"
#include "clishell.h"
#include "directorychanges.h"
#include "directorytable.h"
#include "directorytransfer.h"
#include "restore.h"
#include "savefile.h"
#include "session.h"
#include "unitbackup.h"
#include "unitcompare.h"
#include "unitconnection.h"
#include "unitread.h"

namespace porv::cli {

namespace {

const CommandOption kBackupFile =
    OutputOption(QStringLiteral("FILE.qx4b"), QStringLiteral("the unit backup file to write"));

class BackupCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("backup")}; }
    QString summary() const override
    {
        return QStringLiteral("the phone list, parameters, PINs, tags and event log into one unit backup file");
    }
    QString description() const override
    {
        return QStringLiteral("Everything the unit holds is read: every parameter block, each record line and the tag "
                              "blocks as the unit gives them, beside what they mean. Only the file's owner may read "
                              "it, since it holds the PINs. Nothing is written to the unit.");
    }
    QList<CommandOption> options() const override { return {kBackupFile}; }
    ExitStatus run(CommandContext &c) const override { return BackUpUnit(c, c.given().path(kBackupFile)); }
};

class RestoreCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("restore")}; }
    QString summary() const override
    {
        return QStringLiteral("put a unit backup back on the unit: the changes are shown and asked for, then written "
                              "and verified block by block");
    }
    QString description() const override
    {
        return QStringLiteral(
            "The backup is read whole first: one cut short, of another format or of a newer version ends the "
            "command with status 4 before the unit is asked for anything, and so does one whose phone list does not "
            "fit the connected unit. Then the unit is read (all but its event log) and what differs goes to standard "
            "output. When nothing differs, nothing is written.\n\n"
            "Otherwise the question whether to write comes (--yes answers it), the read is kept as the automatic "
            "backup, and what differs is written and verified. Status 4 when only what the unit cannot hold was "
            "left out; 3 when the unit did not take the rest, naming what was written and what not.");
    }
    QList<CommandArgument> arguments() const override
    {
        return {{QStringLiteral("FILE"), QStringLiteral("FILE.qx4b"), QStringLiteral("the unit backup to put back")}};
    }
    bool writesUnit() const override { return true; }
    ExitStatus run(CommandContext &c) const override { return RestoreUnitFrom(c, c.given().argumentPath(0)); }
};

const CommandOption kDiffJson{{QStringLiteral("json")}, {},
                              QStringLiteral("the differences as one JSON document on standard output")};

class DiffCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("diff")}; }
    QString summary() const override
    {
        return QStringLiteral("what differs between the unit and a unit backup, or the unit's phone list and a phone "
                              "list file (the PINs only by which differ)");
    }
    QString description() const override
    {
        return QStringLiteral("Against a unit backup the unit is read whole but for its event log, which is never "
                              "compared; against a phone list file only the unit's phone list is read. The "
                              "differences go to standard output. Nothing is written to the unit. Status 0: nothing "
                              "differs; 1: something does.");
    }
    QList<CommandArgument> arguments() const override
    {
        return {{QStringLiteral("FILE"), QStringLiteral("FILE.qx4b|FILE.csv"),
                 QStringLiteral("a unit backup (.qx4b), or a phone list file (.csv)")}};
    }
    QList<CommandOption> options() const override { return {kDiffJson}; }
    ExitStatus run(CommandContext &c) const override
    {
        return DiffUnit(c, c.given().argumentPath(0), c.given().isSet(kDiffJson));
    }
};

const QString kWriteQuestion = QStringLiteral("Write these changes to the unit?");

// The steps of a whole-unit operation, and the count of the running one, as
// progress on standard error (only when it is a terminal).
ProgressCallback StepLines(CliShell &shell)
{
    if (!shell.ShowsProgress())
        return {};
    auto step = std::make_shared<QString>();
    return [&shell, step](const StepProgress &p) {
        if (p.step != *step) {
            *step = p.step;
            shell.Progress(p.step);
        }
        if (p.total > 0)
            shell.ShowTransferProgress(p.done, p.total);
    };
}

void PrintOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// The difference on standard output: as lines, or as one JSON document.
void PrintDiff(CliShell &shell, const UnitDiff &diff, bool json)
{
    shell.endCountLine();
    if (json)
        PrintOut(QJsonDocument(DiffToJson(diff)).toJson(QJsonDocument::Indented));
    else
        PrintOut((DiffLines(diff).join(QLatin1Char('\n')) + QLatin1Char('\n')).toLocal8Bit());
}

UnitIdentity Identity(UnitConnection &unit)
{
    return unit.Unit();
}

// A backup file, read whole: one cut short, of another format or of a newer
// version ends the command before the unit is asked for anything.
UnitBackup LoadBackup(const QString &step, const QString &path)
{
    BackupReadResult read = LoadBackupFile(path);
    if (!read.ok())
        throw Stop{ExitFile, step + QStringLiteral(": ") + read.error};
    return std::move(*read.backup);
}

// A phone list file, read whole as the directory page opens it. A file whose
// first line names none of the phone list's fields is no phone list, and one
// without records gives nothing to compare or write: both end the command.
void LoadList(StandaloneDirectory &directory, const QString &step, const QString &path)
{
    LoadPhoneList(directory.table, path);
    QByteArray header = ReadFileCapped(path);
    for (const char stop : {'\r', '\n', '\0'}) {
        const qsizetype at = header.indexOf(stop);
        if (at >= 0)
            header.truncate(at);
    }
    bool named = false;
    for (const QByteArray &column : header.split(','))
        named = named || directory.table.FieldIndex(column) >= 0;
    if (!named)
        throw Stop{ExitFile, QStringLiteral("%1: %2 is not a phone list: its first line names none of its fields")
                                 .arg(step, path)};
    if (directory.table.RecordCount() == 0)
        throw Stop{ExitFile, QStringLiteral("%1: %2 holds no records; nothing was compared or written").arg(step, path)};
}

// Everything the unit holds, read whole (the event log only when asked).
UnitBackup ReadUnit(CommandContext &c, const QString &step, const UnitReadOptions &options)
{
    UnitConnection &unit = c.unit();
    UnitReadResult read = ReadWholeUnit(unit.link(), c.shell(), Identity(unit), options, StepLines(c.shell()));
    c.checkLink(step);
    if (!read.ok())
        throw Stop{ExitUnit, step + QStringLiteral(": ") + read.message()};
    return std::move(*read.backup);
}

// The unit's phone list, a whole dump.
QList<BackupRecord> ReadDump(CommandContext &c, const QString &step)
{
    const UnitDirectoryRead read = ReadUnitDirectory(c.unit().link(), c.shell(), StepLines(c.shell()));
    c.checkLink(step);
    if (!read.complete)
        throw Stop{ExitUnit, QStringLiteral("%1: %2: %3").arg(step, QLatin1String(readstep::kDirectory), read.error)};
    return read.records;
}

void Tell(CliShell &shell, const QStringList &lines)
{
    for (const QString &line : lines)
        shell.ShowMessage(line);
}

} // namespace

AutomaticBackup TakeBackupBeforeWrite(CommandContext &c, const QString &step)
{
    if (c.request().noBackup) {
        c.shell().ShowMessage(QStringLiteral("no automatic backup of the unit is taken (--no-backup)"));
        return {};
    }
    // A store that cannot keep a backup: with --yes the command ends before
    // the unit is read.
    RefuseWriteWithoutBackup(c.request(), step, BackupStoreProblem(), true);
    UnitConnection &unit = c.unit();
    AutomaticBackup automatic = TakeAutomaticBackup(unit.link(), c.shell(), Identity(unit), StepLines(c.shell()));
    c.checkLink(step);
    if (automatic.taken()) {
        c.shell().ShowMessage(QStringLiteral("the unit as it was is saved in %1").arg(automatic.path));
    } else {
        c.shell().ShowMessage(QStringLiteral("no automatic backup of the unit could be taken: %1").arg(automatic.error));
        RefuseWriteWithoutBackup(c.request(), step, automatic.error, automatic.storeProblem);
    }
    return automatic;
}

namespace {

// A read of the unit taken already, saved as the automatic backup; as
// TakeBackupBeforeWrite, --no-backup saves none and, with --yes, a backup that
// cannot be saved ends the command.
bool StoreBackupBeforeWrite(CommandContext &c, const QString &step, const UnitBackup &now)
{
    if (c.request().noBackup) {
        c.shell().ShowMessage(QStringLiteral("no automatic backup of the unit is taken (--no-backup)"));
        return true;
    }
    const AutomaticBackup automatic = SaveAutomaticBackup(now, Identity(c.unit()));
    if (automatic.taken()) {
        c.shell().ShowMessage(QStringLiteral("the unit as it was is saved in %1").arg(automatic.path));
        return true;
    }
    c.shell().ShowMessage(QStringLiteral("no automatic backup of the unit could be taken: %1").arg(automatic.error));
    RefuseWriteWithoutBackup(c.request(), step, automatic.error, automatic.storeProblem);
    return false;
}

} // namespace

bool BackupBeforeWrite(CommandContext &c, const QString &step)
{
    return TakeBackupBeforeWrite(c, step).taken() || c.request().noBackup
        || c.shell().AskQuestion(QStringLiteral("There is no backup of the unit as it is now. Write to the unit all the same?"));
}

// --- backup -------------------------------------------------------------------------------

ExitStatus BackUpUnit(CommandContext &c, const QString &file)
{
    const QString step = c.request().commandName();
    CheckOutput(step, file);
    const UnitBackup backup = ReadUnit(c, step, {true});
    if (ToStandardOutput(file))
        PrintOutput(BackupToJson(backup));
    else
        SaveBackupFile(backup, file);
    c.shell().Progress(QStringLiteral("backup written to %1: %2 records, %3 tags, %4 events")
                           .arg(OutputName(file))
                           .arg(backup.directory->size())
                           .arg(backup.tags->size())
                           .arg(backup.events->size()));
    return ExitDone;
}

// --- diff ---------------------------------------------------------------------------------

ExitStatus DiffUnit(CommandContext &c, const QString &file, bool json)
{
    const QString step = c.request().commandName();
    const QString suffix = QFileInfo(file).suffix().toLower();
    UnitDiff diff;
    if (suffix == BackupFileExtension()) {
        const UnitBackup backup = LoadBackup(step, file);
        // The event log is never compared.
        diff = CompareUnit(ReadUnit(c, step, {false}), backup);
    } else if (suffix == QLatin1String("csv")) {
        StandaloneDirectory directory;
        LoadList(directory, step, file);
        UnitBackup unitNow;
        unitNow.directory = ReadDump(c, step);
        diff = ComparePhoneList(directory.table, unitNow, c.unit().session().MemoryLimit);
    } else {
        throw Stop{ExitUsage, QStringLiteral("%1: %2 is neither a unit backup (.qx4b) nor a phone list (.csv)").arg(step, file)};
    }
    PrintDiff(c.shell(), diff, json);
    return diff.Same() ? ExitDone : ExitDifferences;
}

// --- restore ------------------------------------------------------------------------------

namespace {

// What did not go as asked, one line each, with the records and blocks
// written and not written when the unit fell silent or the link closed.
ExitStatus RestoreProblems(CommandContext &c, const QString &step, const RestoreReport &report, const QString &partly)
{
    Tell(c.shell(), report.Problems());
    // Only what the unit cannot hold was left out: the file's contents.
    const bool onlyRefused = !report.refused.isEmpty() && report.parameterFailures.isEmpty()
        && (!report.accessWritten || *report.accessWritten) && (!report.directory || report.directory->failed.isEmpty())
        && (!report.tags || report.tags->outcome == WriteAllOutcome::Written) && !report.stopped && !report.silent;
    if (onlyRefused)
        throw Stop{ExitFile, QStringLiteral("%1: what the unit cannot hold was not written (named above); the rest was")
                                 .arg(step)};
    throw Stop{ExitUnit, QStringLiteral("%1: not everything was written and verified (named above); %2").arg(step, partly)};
}

} // namespace

ExitStatus RestoreUnitFrom(CommandContext &c, const QString &file)
{
    const CliRequest &r = c.request();
    const QString step = r.commandName();
    const UnitBackup backup = LoadBackup(step, file);
    UnitConnection &unit = c.unit();
    const UnitIdentity identity = Identity(unit);
    // What the unit cannot hold is refused before anything is read or written.
    const RestoreCheck check = CheckRestore(backup, identity);
    if (!check.allowed())
        throw Stop{ExitFile, QStringLiteral("%1: %2: %3").arg(step, file, check.refusal)};
    Tell(c.shell(), check.notes);

    // The unit as it is: what the changes are shown from, what the restore
    // compares block for block, and (once the answer is Yes) the automatic
    // backup.
    const ProgressCallback progress = StepLines(c.shell());
    // A store that cannot keep the backup: with --yes the command ends before
    // the unit is read.
    if (!r.noBackup)
        RefuseWriteWithoutBackup(r, step, BackupStoreProblem(), true);
    const UnitBackup now = ReadUnit(c, step, {false});
    const UnitDiff diff = CompareUnit(now, backup);
    PrintDiff(c.shell(), diff, false);
    if (PlanRestore(backup, now, identity).Empty()) {
        c.shell().Progress(QStringLiteral("nothing to write: the unit already holds what %1 puts there").arg(file));
        return ExitDone;
    }
    if (!c.shell().AskQuestion(kWriteQuestion))
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};
    if (!StoreBackupBeforeWrite(c, step, now)
        && !c.shell().AskQuestion(
            QStringLiteral("There is no backup of the unit as it is now. Write these changes to the unit all the same?")))
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};

    const RestoreReport report = RestoreUnit(unit.link(), c.shell(), backup, identity, now, progress);
    const QString partly = QStringLiteral("the unit holds part of the backup: restore it again");
    c.checkLink(step, partly);
    if (!report.parametersLeftOut.isEmpty())
        c.shell().ShowMessage(QStringLiteral("not in the backup, left as the unit holds them: ")
                              + report.parametersLeftOut.join(QStringLiteral(", ")));
    if (!report.ok())
        return RestoreProblems(c, step, report, partly);
    c.shell().Progress(QStringLiteral("the unit holds the backup %1").arg(file));
    return ExitDone;
}

// --- directory put --changes-only ---------------------------------------------------------

ExitStatus PutDirectoryChanges(CommandContext &c, const QString &file)
{
    const QString step = QStringLiteral("directory put --changes-only");
    StandaloneDirectory directory;
    LoadList(directory, step, file);
    UnitConnection &unit = c.unit();
    const QList<BackupRecord> dump = ReadDump(c, step);
    UnitBackup unitNow;
    unitNow.directory = dump;
    const UnitDiff diff = ComparePhoneList(directory.table, unitNow, unit.session().MemoryLimit);
    PrintDiff(c.shell(), diff, false);
    const DirectoryPlan plan = PlanDirectoryChanges(TargetRecordsOfTable(directory.table), dump, unit.session().MemoryLimit);
    if (plan.writes.isEmpty() && plan.erases.isEmpty() && plan.needAddress.isEmpty()) {
        Tell(c.shell(), plan.refused);
        if (!plan.refused.isEmpty())
            throw Stop{ExitFile, QStringLiteral("%1: %2 record(s) of %3 cannot be stored (named above); nothing else "
                                                "differs")
                                     .arg(step)
                                     .arg(plan.refused.size())
                                     .arg(file)};
        c.shell().Progress(QStringLiteral("nothing to change: the unit's phone list already holds %1").arg(file));
        return ExitDone;
    }
    if (!c.shell().AskQuestion(kWriteQuestion))
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};
    if (!c.shell().BeforeOverwrite(QStringLiteral("the phone list's changes")))
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};

    const DirectoryWriteReport report =
        WriteDirectoryChanges(unit.link(), c.shell(), directory, dump, true, StepLines(c.shell()));
    const QString partly = QStringLiteral("the unit holds part of the changes: put them again");
    c.checkLink(step, report.started ? partly : QString());
    if (!report.notWritten.isEmpty()) {
        // No room for them: the file's.
        Tell(c.shell(), report.refused);
        throw Stop{unit.link().LoggedOn() ? ExitFile : ExitUnit, QStringLiteral("%1: %2").arg(step, report.notWritten)};
    }
    for (const QString &placed : report.addressed)
        c.shell().ShowMessage(QStringLiteral("%1 (an address of the unit's; %2 was not changed)").arg(placed, file));
    if (report.silent || report.stopped) {
        c.shell().ShowMessage(report.silent ? QStringLiteral("the unit stopped answering: the rest was not sent")
                                            : QStringLiteral("the link closed before the end"));
        c.shell().ShowMessage(QStringLiteral("written: %1").arg(report.done.isEmpty() ? QStringLiteral("nothing")
                                                                                      : report.done.join(QStringLiteral(", "))));
        c.shell().ShowMessage(QStringLiteral("not written: %1").arg((report.failed + report.left).join(QStringLiteral(", "))));
        throw Stop{ExitUnit, QStringLiteral("%1: %2").arg(step, partly)};
    }
    if (!report.failed.isEmpty()) {
        Tell(c.shell(), report.failed);
        throw Stop{ExitUnit, QStringLiteral("%1: the unit did not acknowledge %2 write(s) (named above); %3")
                                 .arg(step)
                                 .arg(report.failed.size())
                                 .arg(partly)};
    }
    if (!report.refused.isEmpty()) {
        Tell(c.shell(), report.refused);
        throw Stop{ExitFile, QStringLiteral("%1: %2 record(s) of %3 cannot be stored (named above); the other "
                                            "changes were written")
                                 .arg(step)
                                 .arg(report.refused.size())
                                 .arg(file)};
    }
    c.shell().Progress(QStringLiteral("%1 records written to the unit, %2 erased").arg(report.written).arg(report.erased));
    return ExitDone;
}

void RegisterBackupCommands(CommandRegistry &commands)
{
    commands.add<BackupCommand>();
    commands.add<RestoreCommand>();
    commands.add<DiffCommand>();
}

} // namespace porv::cli
