#pragma once
// The command line of porv-cli: the connection, the PIN, one command with its
// file and flags. Read from the raw arguments before any application object
// exists, so that --help and --version need nothing else.
#include <QByteArray>
#include <QList>
#include <QString>

namespace porv::cli {

// What the program ends with.
enum ExitStatus : int {
    ExitDone = 0,
    ExitDifferences = 1, // diff only: the unit and the file differ
    ExitUsage = 2,       // the command line, or a question not answered Yes
    ExitUnit = 3,        // the unit did not answer or refused (the message names the step)
    ExitFile = 4,        // a file could not be read or written, or does not fit the unit
    ExitInterrupted = 130,
};

// Ends a command early: the status it ends with, and what standard error is
// told ("log-on: Failed to Connect: Check PIN").
struct Stop {
    ExitStatus status;
    QString message;
};

enum class Command {
    None,
    Info,
    Backup,
    Restore,
    Diff,
    DirectoryGet,
    DirectoryPut,
    ParametersGet,
    ParametersPut,
    EventsGet,
    ClockSet,
};

enum class Connection { None, Network, Serial, Modem };

struct CliRequest {
    bool help = false;
    bool version = false;

    Connection connection = Connection::None;
    QString host;       // --udp: the unit's network address or host name
    QString device;     // --serial, --modem: the serial port's device
    QByteArray number;  // --modem: what the modem dials
    QByteArray pin;     // --pin PIN; empty when not given
    bool pinGiven = false;
    bool pinFromInput = false; // --pin -: one line from standard input
    QString pinFile;    // --pin-file FILE: its first line (a file only its owner can read)

    Command command = Command::None;
    QString file;       // -o FILE, or the command's FILE
    bool yes = false;   // --yes: a question is answered Yes without asking
    bool json = false;  // --json
    bool changesOnly = false; // directory put --changes-only
    bool noBackup = false; // --no-backup: write without an automatic backup first

    // -o -: the file goes to standard output.
    bool toStandardOutput() const { return writesFile() && file == QLatin1String("-"); }

    // The command's name as messages give it ("directory get").
    QString commandName() const;
    // The command writes its file (-o) rather than reading it.
    bool writesFile() const;
    // The command overwrites what the unit holds, and asks first.
    bool overwritesUnit() const;
    // The command is carried out by the unit backup library.
    bool usesBackup() const;
};

// Where a secret stands among the arguments: argument `argument` from byte
// `offset` on (main overwrites it, so that the process list no longer shows it).
struct SecretArgument {
    int argument;
    int offset;
};

struct ParsedCommandLine {
    CliRequest request;
    QString error; // empty when the line is good; it never holds the PIN
    QList<SecretArgument> secrets;
};

// The arguments after the program's name (see optionreader.h: a value may
// follow its option or be joined with "=", never be another option; options
// may stand anywhere). The PIN and the number are checked here: at most 16 and
// 20 characters, no control characters (they go to the unit inside a command
// line of their own).
ParsedCommandLine ParseCommandLine(const QList<QByteArray> &arguments);

// The one-line usage and the full help text.
QByteArray UsageText();
QByteArray HelpText();

// A PIN as the unit takes it: 1 to 16 characters, none of them a control
// character; otherwise what is wrong with it (never the PIN itself).
QString PinProblem(const QByteArray &pin);

} // namespace porv::cli
