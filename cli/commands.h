#pragma once
// The commands of porv-cli on the core operations the window's pages use.
// Each command class (in the file of its area) declares itself and runs one
// work function here, which reads and checks its file first, then logs on
// (through the context), then works with the unit and writes its file with
// the window's writer.
#include <QByteArray>
#include <QString>
#include <memory>

#include "clicommand.h"
#include "commandline.h"

namespace porv {
struct AutomaticBackup;
class StandaloneDirectory;
class UnitConnection;
}

namespace porv::cli {

class CliShell;
class Interruption;

class CommandContext {
public:
    CommandContext(const CliRequest &request, const GivenArguments &given, CliShell &shell,
                   Interruption *interruption);
    // Closes the link, if it was opened.
    ~CommandContext();

    const CliRequest &request() const { return m_request; }
    // The command's own options and arguments.
    const GivenArguments &given() const { return m_given; }
    CliShell &shell() { return m_shell; }
    // The unit, logged on: the first call takes the PIN (--pin, PORV_PIN, or
    // asked on the terminal) and logs on. Throws Stop.
    UnitConnection &unit();
    // Throws Stop when the link ended under the step (an interruption, a unit
    // that stopped answering the keep-alive); `left` says what that left
    // behind on the unit, if anything.
    void checkLink(const QString &step, const QString &left = QString());
    // The port failed under the link: its failure, or empty.
    const QString &linkFailure() const { return m_linkFailure; }

private:
    QByteArray pin() const;

    const CliRequest &m_request;
    const GivenArguments &m_given;
    CliShell &m_shell;
    Interruption *m_interruption;
    std::unique_ptr<UnitConnection> m_unit;
    bool m_lost = false;
    QString m_linkFailure;
};

// The program's commands, in the order the help lists them. Each area adds
// its own, one line each.
const CommandRegistry &BuiltInCommands();
void RegisterBuiltInCommands(CommandRegistry &commands);
void RegisterUnitCommands(CommandRegistry &commands);       // unitcommands.cpp
void RegisterDirectoryCommands(CommandRegistry &commands);  // directorycommands.cpp
void RegisterParametersCommands(CommandRegistry &commands); // parametercommands.cpp
void RegisterBackupCommands(CommandRegistry &commands);     // backupcommands.cpp

// -o FILE of a command that writes a file of this kind ("FILE.csv"); `what`
// says what goes into it. -o - is standard output.
CommandOption OutputOption(const QString &file, const QString &what);

// --- what the work functions share ------------------------------------------------------

// -o -: the file goes to standard output.
inline bool ToStandardOutput(const QString &file) { return file == QLatin1String("-"); }
// A file the command will write: a folder must be there to hold it. Checked
// before the unit is asked for anything; the save itself still reports its own
// failure. Throws Stop.
void CheckOutput(const QString &step, const QString &file);
// -o -: the file's bytes on standard output. Throws Stop when they cannot all
// be written (a closed pipe).
void PrintOutput(const QByteArray &bytes);
// The file as messages name it ("standard output" for -o -).
QString OutputName(const QString &file);

// With --yes (and without --no-backup) nobody is asked whether to write
// without an automatic backup: when `why` says why none can be taken, throws
// Stop, naming the store's folder (4 for the folder or file, 3 for a unit that
// did not answer the read); nothing has been written then.
void RefuseWriteWithoutBackup(const CliRequest &r, const QString &step, const QString &why, bool storeProblem);

// The unit as it is, saved in the store of automatic backups before a command
// overwrites it (not with --no-backup); standard error says where it went, or
// why none was taken (with --yes, that ends the command).
AutomaticBackup TakeBackupBeforeWrite(CommandContext &c, const QString &step);
// The same before any other write (the shell's BeforeOverwrite): when no
// backup could be taken the user is asked whether to write all the same;
// false when not.
bool BackupBeforeWrite(CommandContext &c, const QString &step);

// The phone list, as the window's GetData takes it. Throws Stop when it did
// not arrive complete.
void ReadDirectory(CommandContext &c, const QString &step, StandaloneDirectory &directory);

// --- the work of each command -------------------------------------------------------------
// Each returns how the command ended, or throws Stop (the core's failures, such
// as FileError, travel through).

ExitStatus ShowInfo(CommandContext &c, bool json);
ExitStatus GetEvents(CommandContext &c, const QString &file);
ExitStatus SetClock(CommandContext &c);
ExitStatus GetDirectory(CommandContext &c, const QString &file);
ExitStatus PutDirectory(CommandContext &c, const QString &file);
ExitStatus GetParameters(CommandContext &c, const QString &file);
ExitStatus PutParameters(CommandContext &c, const QString &file);

// On the unit backup library, handed to it in backupcommands.cpp alone.
ExitStatus BackUpUnit(CommandContext &c, const QString &file);
ExitStatus RestoreUnitFrom(CommandContext &c, const QString &file);
ExitStatus DiffUnit(CommandContext &c, const QString &file, bool json);
ExitStatus PutDirectoryChanges(CommandContext &c, const QString &file);

} // namespace porv::cli
