// The phone list's commands: directory get and directory put (the whole
// list, or with --changes-only only the records that differ).
#include "commands.h"

#include "clishell.h"
#include "directorytable.h"
#include "directorytransfer.h"
#include "optionreader.h"
#include "tablecsv.h"
#include "unitconnection.h"

namespace porv::cli {

namespace {

const CommandOption kListFile = OutputOption(QStringLiteral("FILE.csv"), QStringLiteral("the phone list file to write"));

class DirectoryGetCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("directory"), QStringLiteral("get")}; }
    QString summary() const override { return QStringLiteral("the phone list into a phone list file"); }
    QString description() const override
    {
        return QStringLiteral("The file is the one the window's phone list page saves. A unit without records "
                              "replaces a file that holds some only when the question is answered Yes (--yes); "
                              "otherwise the file stays as it is and the command ends with status 2.");
    }
    QList<CommandOption> options() const override { return {kListFile}; }
    bool asks() const override { return true; }
    ExitStatus run(CommandContext &c) const override { return GetDirectory(c, c.given().path(kListFile)); }
};

const CommandOption kChangesOnly{{QStringLiteral("changes-only")}, {},
                                 QStringLiteral("show the records that differ from the unit's, then write only those "
                                                "(each verified) and erase the records the file no longer holds")};

class DirectoryPutCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("directory"), QStringLiteral("put")}; }
    QString summary() const override
    {
        return QStringLiteral("replace the unit's whole phone list with the file's (sorted by name, numbered afresh), "
                              "or with --changes-only write only the records that differ");
    }
    QString description() const override
    {
        return QStringLiteral(
            "The file is read whole before the unit is asked for anything. Without --changes-only the unit's phone "
            "list is erased and the file's records are written in its place, sorted by name and numbered afresh. With "
            "--changes-only the records that differ from the unit's are shown first; then each of them is written "
            "and verified, and the records the file no longer holds are erased. When nothing differs, nothing is "
            "written.\n\n"
            "The question whether to write comes first (--yes answers it), then the automatic backup of the unit as "
            "it is. Records the unit cannot hold are named and left out (status 4); a unit that stops answering "
            "ends the command with status 3, naming what was written and what not.");
    }
    QList<CommandArgument> arguments() const override
    {
        return {{QStringLiteral("FILE"), QStringLiteral("FILE.csv"), QStringLiteral("the phone list file to write to the unit")}};
    }
    QList<CommandOption> options() const override { return {kChangesOnly}; }
    bool writesUnit() const override { return true; }
    ExitStatus run(CommandContext &c) const override
    {
        const QString file = c.given().argumentPath(0);
        return c.given().isSet(kChangesOnly) ? PutDirectoryChanges(c, file) : PutDirectory(c, file);
    }
};

} // namespace

void RegisterDirectoryCommands(CommandRegistry &commands)
{
    commands.add<DirectoryGetCommand>();
    commands.add<DirectoryPutCommand>();
}

namespace {

// A record the upload left out, as the terminal names it.
QString recordName(const SkippedRecord &record)
{
    if (!record.name.isEmpty())
        return QString::fromLatin1(UnitName(record.name));
    if (!record.room.isEmpty())
        return QStringLiteral("room %1").arg(QString::fromLatin1(record.room));
    return QStringLiteral("the record at %1").arg(QString::fromLatin1(record.addr));
}

QString problemWords(const RecordProblem &problem)
{
    switch (problem.kind) {
    case RecordProblem::None: break;
    case RecordProblem::NoName: return QStringLiteral("it has no name");
    case RecordProblem::NoRoom: return QStringLiteral("it has no room number");
    case RecordProblem::PhoneCharacter:
        return QStringLiteral("its phone number holds %1, which the unit cannot dial").arg(CharacterName(problem.character));
    case RecordProblem::NameCharacter:
        return QStringLiteral("its name holds %1, where the unit would end it").arg(CharacterName(problem.character));
    case RecordProblem::CodeCharacter:
        return QStringLiteral("its relay codes hold %1, which the unit cannot store").arg(CharacterName(problem.character));
    }
    return QString();
}

// What a full upload did otherwise than asked, a line each, before the
// command's end names the count.
void TellUpload(CommandContext &c, const QString &step, const DirectoryUploadReport &report)
{
    for (const SkippedRecord &record : report.skipped)
        c.shell().ShowMessage(QStringLiteral("%1: not written: %2 (%3)").arg(step, recordName(record), problemWords(record.problem)));
    if (report.roomsZeroed > 0)
        c.shell().ShowMessage(QStringLiteral("%1: %2 room number(s) that were no whole number were written as 0")
                                  .arg(step)
                                  .arg(report.roomsZeroed));
    if (report.namesChanged)
        c.shell().ShowMessage(step + QStringLiteral(": commas and control characters in names were written as spaces"));
}

} // namespace

// The phone list, as GetData takes it.
void ReadDirectory(CommandContext &c, const QString &step, StandaloneDirectory &directory)
{
    const DirectoryDownloadReport report = DownloadDirectory(c.unit().link(), c.shell(), directory);
    c.checkLink(step);
    if (report.silent)
        throw Stop{ExitUnit, step + QStringLiteral(": the unit stopped answering before the phone list (d01281152) was whole")};
    if (!report.complete)
        throw Stop{ExitUnit, step + QStringLiteral(": the phone list (d01281152) did not arrive complete")};
}

ExitStatus GetDirectory(CommandContext &c, const QString &file)
{
    const QString step = c.request().commandName();
    CheckOutput(step, file);
    StandaloneDirectory directory;
    ReadDirectory(c, step, directory);
    if (ToStandardOutput(file))
        PrintOutput(TableCsvBytes(directory.table));
    else if (!SavePhoneList(directory.table, file, c.shell()))
        throw Stop{ExitUsage, QStringLiteral("%1: the unit holds no records; %2 was not replaced").arg(step, EscapedArgument(file))};
    c.shell().Progress(QStringLiteral("%1 records written to %2").arg(directory.table.RecordCount()).arg(OutputName(file)));
    return ExitDone;
}

ExitStatus PutDirectory(CommandContext &c, const QString &file)
{
    const QString step = c.request().commandName();
    // The file whole, before the unit is touched.
    StandaloneDirectory directory;
    LoadPhoneList(directory.table, file);
    if (directory.table.RecordCount() == 0)
        throw Stop{ExitFile, QStringLiteral("%1: %2 holds no records; nothing was written").arg(step, EscapedArgument(file))};
    const DirectoryUploadReport report = UploadDirectory(c.unit().link(), c.shell(), directory);
    switch (report.outcome) {
    case UploadOutcome::TooMany:
        throw Stop{ExitFile, QStringLiteral("%1: %2 holds more records than this unit stores; nothing was written")
                                 .arg(step, EscapedArgument(file))};
    case UploadOutcome::NotConfirmed:
        throw Stop{ExitUsage, step + QStringLiteral(": not confirmed; nothing was written")};
    case UploadOutcome::Empty:
        throw Stop{ExitFile, QStringLiteral("%1: %2 holds no records; nothing was written").arg(step, EscapedArgument(file))};
    case UploadOutcome::NotErased:
        throw Stop{ExitUnit, step + QStringLiteral(": the unit did not acknowledge the erase (f5a); nothing was written")};
    case UploadOutcome::Written:
        break;
    }
    TellUpload(c, step, report);
    c.checkLink(step, QStringLiteral("the unit's phone list is incomplete: put it again"));
    if (report.errors > 0)
        throw Stop{ExitUnit, QStringLiteral("%1: the unit did not acknowledge %2 record(s)").arg(step).arg(report.errors)};
    if (!report.skipped.isEmpty())
        throw Stop{ExitFile, QStringLiteral("%1: %2 record(s) of %3 could not be stored (named above)")
                                 .arg(step)
                                 .arg(report.skipped.size())
                                 .arg(EscapedArgument(file))};
    c.shell().Progress(QStringLiteral("%1 records written to the unit").arg(report.sent));
    return ExitDone;
}

} // namespace porv::cli
