#pragma once
// The commands of porv-cli on the core operations the window's pages use:
// each reads and checks its file first, then logs on (through the context),
// then works with the unit and writes its file with the window's writer.
#include <QByteArray>
#include <QString>
#include <memory>

#include "commandline.h"

namespace porv {
struct AutomaticBackup;
}

namespace porv::cli {

class CliShell;
class Interruption;
class UnitConnection;

class CommandContext {
public:
    CommandContext(const CliRequest &request, CliShell &shell, Interruption *interruption);
    // Closes the link, if it was opened.
    ~CommandContext();

    const CliRequest &request() const { return m_request; }
    CliShell &shell() { return m_shell; }
    // The unit, logged on: the first call takes the PIN (--pin, PORV_PIN, or
    // asked on the terminal) and logs on. Throws Stop.
    UnitConnection &unit();
    // Throws Stop when the link ended under the step (an interruption, a unit
    // that stopped answering the keep-alive); `left` says what that left
    // behind on the unit, if anything.
    void checkLink(const QString &step, const QString &left = QString());

private:
    QByteArray pin() const;

    const CliRequest &m_request;
    CliShell &m_shell;
    Interruption *m_interruption;
    std::unique_ptr<UnitConnection> m_unit;
};

// A file the command will write: a folder must be there to hold it. Checked
// before the unit is asked for anything; the save itself still reports its own
// failure. Throws Stop.
void CheckOutput(const CliRequest &r);
// -o -: the file's bytes on standard output. Throws Stop when they cannot all
// be written (a closed pipe).
void PrintOutput(const QByteArray &bytes);
// The file as messages name it ("standard output" for -o -).
QString OutputName(const CliRequest &r);

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

// Carries out the request's command; returns how it ended, or throws Stop (the
// core's failures, such as FileError, travel through).
ExitStatus RunCommand(CommandContext &context);

// backup, restore, diff and directory put --changes-only: the commands that
// the unit backup library carries out, handed to it in this one place.
ExitStatus RunBackupCommand(CommandContext &context);

} // namespace porv::cli
