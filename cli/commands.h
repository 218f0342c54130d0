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

#include "bookerror.h"
#include "bookunittarget.h"

namespace porv {
struct AutomaticBackup;
class SiteBook;
class BookRecorder;
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

    // With --unit, the connection is the one the book gives the unit once
    // unit() or bookUnit() found it.
    const CliRequest &request() const { return m_request; }
    // The command's own options and arguments.
    const GivenArguments &given() const { return m_given; }
    CliShell &shell() { return m_shell; }
    Interruption *interruption() const { return m_interruption; }
    // The unit, logged on: the first call takes the PIN (--pin, PORV_PIN, or
    // asked on the terminal) and logs on. Throws Stop.
    UnitConnection &unit();
    // The site book (--book, PORV_BOOK, else the SQLite file), opened at the
    // first call. Throws Stop (ExitBook, naming the book).
    SiteBook &book();
    // A book opened by the caller, used instead (fleet backup's, for each unit).
    void shareBook(SiteBook &book) { m_sharedBook = &book; }
    // With --unit: the unit as the book holds it, found at the first call
    // (its PIN looked up only when no --pin form nor PORV_PIN gives one).
    // Throws Stop. Nothing without --unit.
    const BookUnitTarget *bookUnit();
    // Throws Stop when the link ended under the step (an interruption, a unit
    // that stopped answering the keep-alive); `left` says what that left
    // behind on the unit, if anything.
    void checkLink(const QString &step, const QString &left = QString());
    // The port failed under the link: its failure, or empty.
    const QString &linkFailure() const { return m_linkFailure; }

private:
    QByteArray pin() const;

    CliRequest m_request;
    const GivenArguments &m_given;
    CliShell &m_shell;
    Interruption *m_interruption;
    std::unique_ptr<UnitConnection> m_unit;
    std::unique_ptr<SiteBook> m_book;
    SiteBook *m_sharedBook = nullptr;
    std::unique_ptr<BookUnitTarget> m_bookUnit;
    std::shared_ptr<BookRecorder> m_recorder; // journals the writes to a unit of the site book
    bool m_lost = false;
    QString m_linkFailure;
};

// A refusal of the site book as the command ends with it: the book cannot be
// used (5), a .qx4b file (4), what was asked does not fit the book (a name
// taken, a label not in it: 2).
Stop BookStop(const QString &step, const BookError &error);
// The connection of the request made the one the book gives the unit.
void ReachAsBookSays(const BookUnit &unit, CliRequest &request);

// The program's commands, in the order the help lists them. Each area adds
// its own, one line each.
const CommandRegistry &BuiltInCommands();
void RegisterBuiltInCommands(CommandRegistry &commands);
void RegisterUnitCommands(CommandRegistry &commands);       // unitcommands.cpp
void RegisterDirectoryCommands(CommandRegistry &commands);  // directorycommands.cpp
void RegisterParametersCommands(CommandRegistry &commands); // parametercommands.cpp
void RegisterBackupCommands(CommandRegistry &commands);     // backupcommands.cpp
void RegisterBookCommands(CommandRegistry &commands);       // bookcommands.cpp
void RegisterFleetCommands(CommandRegistry &commands);      // fleetcommands.cpp

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

// The unit as it is, saved in the store of automatic backups before a write
// replaces it (the shell's BeforeOverwrite; not with --no-backup); standard
// error says where it went, or why none was taken: with --yes that ends the
// command, without it the user is asked whether to write all the same; false
// when not.
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
