// The commands on the whole-unit workflows: backup -o FILE.qx4b, restore
// FILE.qx4b, diff FILE.qx4b|FILE.csv|FILE.sys, and the work of directory put
// FILE.csv --changes-only, and the automatic backup before any other write.
// Each reads and checks its file before logging on (through context.unit(),
// as the other commands do); what differs goes to standard output, the steps
// to standard error when it is a terminal.
#include "commands.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QStringList>

#include <cstdio>
#include <optional>

#include "backupstore.h"
#include "clishell.h"
#include "directorytransfer.h"
#include "fields.h"
#include "optionreader.h"
#include "session.h"
#include "unitbackup.h"
#include "unitconnection.h"
#include "unitfiles.h"
#include "unitworkflows.h"

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
        return QStringLiteral("what differs between the unit and a unit backup, the unit's phone list and a phone "
                              "list file, or the unit's parameters and a parameters file (the PINs only by which "
                              "differ)");
    }
    QString description() const override
    {
        return QStringLiteral("Against a unit backup the unit is read whole but for its event log, which is never "
                              "compared; against a phone list file only the unit's phone list is read; against a "
                              "parameters file only its parameter blocks, with the file's values on top of them as "
                              "parameters put writes them. The differences go to standard output. Nothing is written "
                              "to the unit. Status 0: nothing differs; 1: something does.");
    }
    QList<CommandArgument> arguments() const override
    {
        return {{QStringLiteral("FILE"), QStringLiteral("FILE.qx4b|FILE.csv|FILE.sys"),
                 QStringLiteral("a unit backup (.qx4b), a phone list file (.csv) or a parameters file (.sys)")}};
    }
    QList<CommandOption> options() const override { return {kDiffJson}; }
    ExitStatus run(CommandContext &c) const override
    {
        return DiffUnit(c, c.given().argumentPath(0), c.given().isSet(kDiffJson));
    }
};

const QString kWriteQuestion = QStringLiteral("Write these changes to the unit?");

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

QString StepAndWhy(const QString &step, const QString &why)
{
    return step.isEmpty() ? why : step + QStringLiteral(": ") + why;
}

// porv-cli's side of a whole-unit workflow: the changes on standard output
// before the question, the question on the terminal (or --yes), the notices
// and the steps on standard error. With --yes (and without --no-backup) a
// write without an automatic backup is refused, not asked: Refusal() says why
// once the workflow has returned. Cancel is Ctrl+C, which closes the link.
// While the workflow runs the keep-alive rests, but for the questions.
class TerminalInteraction final : public UnitInteraction {
public:
    TerminalInteraction(CommandContext &c, const QString &step) : m_c(c), m_step(step) { rest(); }
    TerminalInteraction(const TerminalInteraction &) = delete;
    TerminalInteraction &operator=(const TerminalInteraction &) = delete;

    bool Ask(const UnitQuestion &q) override
    {
        CliShell &shell = m_c.shell();
        const CliRequest &r = m_c.request();
        if (q.kind == UnitQuestion::Kind::WithoutBackup && r.yes && !r.noBackup) {
            m_refusal = WithoutBackupRefusal(q);
            return false;
        }
        m_rest.reset();
        bool yes = false;
        if (q.kind == UnitQuestion::Kind::WithoutBackup) {
            yes = shell.AskQuestion(m_changesShown ? QStringLiteral("There is no backup of the unit as it is now. "
                                                                    "Write these changes to the unit all the same?")
                                                   : QStringLiteral("There is no backup of the unit as it is now. "
                                                                    "Write to the unit all the same?"));
        } else {
            ShowChanges(q.changes);
            for (const QString &note : q.notes)
                shell.ShowMessage(note);
            yes = shell.AskQuestion(kWriteQuestion);
        }
        rest();
        return yes;
    }
    void Tell(const UnitNotice &notice) override
    {
        CliShell &shell = m_c.shell();
        switch (notice.kind) {
        case UnitNotice::Kind::Note:
            shell.ShowMessage(notice.text);
            break;
        case UnitNotice::Kind::BackupSaved:
            shell.ShowMessage(QStringLiteral("the unit as it was is saved in %1").arg(notice.text));
            break;
        case UnitNotice::Kind::NotBackedUp:
            shell.ShowMessage(QStringLiteral("no automatic backup of the unit could be taken: %1").arg(notice.text));
            break;
        case UnitNotice::Kind::NoBackupWanted:
            shell.ShowMessage(QStringLiteral("no automatic backup of the unit is taken (--no-backup)"));
            break;
        }
    }
    // The steps of a whole-unit operation, and the count of the running one,
    // as progress on standard error (only when it is a terminal).
    void Progress(const StepProgress &p) override
    {
        CliShell &shell = m_c.shell();
        if (!shell.ShowsProgress())
            return;
        if (p.step != m_shown) {
            m_shown = p.step;
            shell.Progress(p.step);
        }
        if (p.total > 0)
            shell.ShowTransferProgress(p.done, p.total);
    }
    bool CancelRequested() override { return false; }

    // The changes on standard output, once.
    void ShowChanges(const UnitDiff &changes)
    {
        if (m_changesShown)
            return;
        m_changesShown = true;
        PrintDiff(m_c.shell(), changes, false);
    }
    // Throws the refusal of a write without a backup, if there was one.
    void ThrowRefusal() const
    {
        if (m_refusal)
            throw *m_refusal;
    }

private:
    // The workflow's span on the connection, which rests the keep-alive; lifted
    // while a question waits, so that the link stays up for the answer.
    void rest() { m_rest.emplace(m_c.unit(), QStringLiteral("whole unit"), HoldsKeepAlive); }

    Stop WithoutBackupRefusal(const UnitQuestion &q) const
    {
        const QString folder = BackupStoreFolder();
        const QString where = folder.isEmpty() ? QString() : QStringLiteral(" in %1").arg(folder);
        const QString advice = QStringLiteral("nothing was written (give --no-backup as well to write without one)");
        if (q.storeProblem)
            return Stop{ExitFile, QStringLiteral("%1: no automatic backup of the unit can be saved%2: %3; %4")
                                      .arg(m_step, where, q.reason, advice)};
        return Stop{ExitUnit,
                    QStringLiteral("%1: the unit could not be backed up%2 first: %3; %4").arg(m_step, where, q.reason, advice)};
    }

    std::optional<porv::UnitOperation> m_rest;
    CommandContext &m_c;
    QString m_step;
    QString m_shown;
    bool m_changesShown = false;
    std::optional<Stop> m_refusal;
};

// A backup file, read whole: one cut short, of another format or of a newer
// version ends the command before the unit is asked for anything.
UnitBackup LoadBackup(const QString &step, const QString &path)
{
    BackupReadResult read = LoadBackupFile(path);
    if (!read.ok())
        throw Stop{ExitFile, step + QStringLiteral(": ") + read.error};
    return std::move(*read.backup);
}

// A phone list file, read whole before the unit is asked for anything.
void LoadList(StandaloneDirectory &directory, const QString &step, const QString &path)
{
    const QString problem = LoadPhoneListFile(directory, path, path);
    if (!problem.isEmpty())
        throw Stop{ExitFile, QStringLiteral("%1: %2").arg(step, problem)};
}

void Tell(CliShell &shell, const QStringList &lines)
{
    for (const QString &line : lines)
        shell.ShowMessage(line);
}

// A workflow that ended before it wrote: the file's fault (4), the unit's (3).
[[noreturn]] void StopAt(CommandContext &c, const QString &step, WorkflowFailure failure, const QString &where,
                         const QString &problem)
{
    c.checkLink(step);
    throw Stop{failure == WorkflowFailure::File || failure == WorkflowFailure::Refused ? ExitFile : ExitUnit,
               QStringLiteral("%1: %2").arg(step, StepAndWhy(where, problem))};
}

} // namespace

bool BackupBeforeWrite(CommandContext &c, const QString &step)
{
    UnitConnection &unit = c.unit();
    TerminalInteraction ui(c, step);
    const bool goOn = BackUpBeforeWrite(unit.link(), Identity(unit), ui, QStringLiteral("the unit"),
                                        {!c.request().noBackup});
    ui.ThrowRefusal();
    c.checkLink(step);
    return goOn;
}

// --- backup -------------------------------------------------------------------------------

ExitStatus BackUpUnit(CommandContext &c, const QString &file)
{
    const QString step = c.request().commandName();
    CheckOutput(step, file);
    UnitConnection &unit = c.unit();
    BackupReport read;
    {
        TerminalInteraction ui(c, step);
        read = porv::BackUpUnit(unit.link(), Identity(unit), ui, {true});
    }
    if (!read.ok())
        StopAt(c, step, read.failure, read.step, read.problem);
    const UnitBackup &backup = *read.backup;
    if (ToStandardOutput(file))
        PrintOutput(BackupToJson(backup));
    else
        SaveBackupFile(backup, file);
    BackupTaken(backup);
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
    CompareReport report;
    if (suffix == BackupFileExtension()) {
        const UnitBackup backup = LoadBackup(step, file);
        UnitConnection &unit = c.unit();
        TerminalInteraction ui(c, step);
        report = CompareWithBackup(unit.link(), Identity(unit), ui, backup);
    } else if (suffix == QLatin1String("csv")) {
        StandaloneDirectory directory;
        LoadList(directory, step, file);
        UnitConnection &unit = c.unit();
        TerminalInteraction ui(c, step);
        report = CompareWithPhoneList(unit.link(), Identity(unit), ui, directory.table);
    } else if (suffix == QLatin1String("sys")) {
        // The file whole before the unit is asked for anything.
        ParameterFields scratch;
        const QString problem = LoadParametersFile(scratch, file, EscapedArgument(file));
        if (!problem.isEmpty())
            throw Stop{ExitFile, QStringLiteral("%1: %2").arg(step, problem)};
        UnitConnection &unit = c.unit();
        TerminalInteraction ui(c, step);
        report = CompareWithParametersFile(unit.link(), Identity(unit), ui, file);
    } else {
        throw Stop{ExitUsage, QStringLiteral("%1: %2 is neither a unit backup (.qx4b), a phone list (.csv) nor a "
                                             "parameters file (.sys)")
                                  .arg(step, file)};
    }
    if (!report.ok())
        StopAt(c, step, report.failure, report.step, report.problem);
    PrintDiff(c.shell(), report.diff, json);
    return report.diff.Same() ? ExitDone : ExitDifferences;
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
        && (!report.tags || report.tags->outcome == WriteAllOutcome::Written) && !report.stopped && !report.silent
        && !report.cancelled;
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
    UnitWriteReport report;
    {
        TerminalInteraction ui(c, step);
        report = RestoreBackup(unit.link(), Identity(unit), ui, backup, QFileInfo(file).fileName(), {!r.noBackup});
        if (report.outcome == UnitWriteReport::Outcome::NothingToWrite)
            ui.ShowChanges(report.changes);
        ui.ThrowRefusal();
    }
    const QString partly = QStringLiteral("the unit holds part of the backup: restore it again");
    using Outcome = UnitWriteReport::Outcome;
    switch (report.outcome) {
    case Outcome::Failed:
        if (report.failure == WorkflowFailure::Refused)
            throw Stop{ExitFile, QStringLiteral("%1: %2: %3").arg(step, file, report.problem)};
        StopAt(c, step, report.failure, report.step, report.problem);
    case Outcome::NothingToWrite:
        c.checkLink(step);
        c.shell().Progress(QStringLiteral("nothing to write: the unit already holds what %1 puts there").arg(file));
        return ExitDone;
    case Outcome::Declined:
        c.checkLink(step);
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};
    case Outcome::Ran:
        break;
    }
    c.checkLink(step, partly);
    if (!report.restore->parametersLeftOut.isEmpty())
        c.shell().ShowMessage(QStringLiteral("not in the backup, left as the unit holds them: ")
                              + report.restore->parametersLeftOut.join(QStringLiteral(", ")));
    if (!report.restore->ok())
        return RestoreProblems(c, step, *report.restore, partly);
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
    UnitWriteReport outcome;
    {
        TerminalInteraction ui(c, step);
        outcome = WritePhoneListChanges(unit.link(), Identity(unit), ui, directory, {!c.request().noBackup});
        if (outcome.outcome == UnitWriteReport::Outcome::NothingToWrite)
            ui.ShowChanges(outcome.changes);
        ui.ThrowRefusal();
    }
    using Outcome = UnitWriteReport::Outcome;
    switch (outcome.outcome) {
    case Outcome::Failed:
        StopAt(c, step, outcome.failure, outcome.step, outcome.problem);
    case Outcome::NothingToWrite:
        c.checkLink(step);
        Tell(c.shell(), outcome.refused);
        if (!outcome.refused.isEmpty())
            throw Stop{ExitFile, QStringLiteral("%1: %2 record(s) of %3 cannot be stored (named above); nothing else "
                                                "differs")
                                     .arg(step)
                                     .arg(outcome.refused.size())
                                     .arg(file)};
        c.shell().Progress(QStringLiteral("nothing to change: the unit's phone list already holds %1").arg(file));
        return ExitDone;
    case Outcome::Declined:
        c.checkLink(step);
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};
    case Outcome::Ran:
        break;
    }
    const DirectoryWriteReport &report = *outcome.directory;
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
