#pragma once
// The command line of porv-cli: the options every command that works with a
// unit takes (the connection, the PIN, the answers), and one command with its
// own options and arguments, read by the declarations of the program's
// options and of the registered commands. Read from the raw arguments before
// any application object exists, so that the help and the version need
// nothing else.
#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

#include "clicommand.h"

class QCommandLineParser;

namespace porv::cli {

// Ends a command early: the status it ends with, and what standard error is
// told ("log-on: Failed to Connect: Check PIN").
struct Stop {
    ExitStatus status;
    QString message;
};

// --- the program's own options ---------------------------------------------------------

// Which commands take one of the program's options.
enum class TakenBy {
    UnitCommands,        // every command that works with a unit (Needs::Unit)
    AskingCommands,      // every command that may ask (CliCommand::asks)
    UnitWritingCommands, // every command that writes to the unit (CliCommand::writesUnit)
    BookCommands,        // every command that works with the site book, and with a unit (given --unit)
};

// Where the program's help lists one of its options.
enum class HelpGroup { Connection, Pin, Book, Options };

// A line of the help: what is written, and what it means.
struct HelpEntry {
    QString synopsis;
    QString description;
};

// One of the program's options: declared once here, taken by the commands
// `takenBy` names, and read by QCommandLineParser with each command's own.
struct ProgramOption {
    CommandOption option;
    TakenBy takenBy;
    HelpGroup group;
    // How the help lists it, where not as "SYNOPSIS  description" (one
    // option, several ways to give it: "--pin -", "--pin PIN").
    QList<HelpEntry> shown = {};
    bool listed = true; // false: the help shows it with another (--number with --modem)
};

const QList<ProgramOption> &ProgramOptions();
// --help, -h and --version.
const CommandOption &HelpOption();
const CommandOption &VersionOption();

// The command takes the option: its own, or one of the program's it is for.
bool TakesOption(const CliCommand &command, const CommandOption &option);

// --- what the line asks ---------------------------------------------------------------

enum class Connection { None, Network, Serial, Modem };

// What the line says about the unit, the PIN and the answers, whatever the
// command.
struct CliRequest {
    Connection connection = Connection::None;
    QString host;       // --udp: the unit's network address or host name
    QString device;     // --serial, --modem: the serial port's device
    QByteArray number;  // --modem: what the modem dials
    QString unitLabel;  // --unit: the unit of the site book, reached as the book says (connection None until then)
    QString book;       // --book: the site book's location; empty: PORV_BOOK, else the SQLite file
    QByteArray pin;     // --pin PIN; empty when not given
    bool pinGiven = false;
    bool pinFromInput = false; // --pin -: one line from standard input
    QString pinFile;    // --pin-file FILE: its first line (a file only its owner can read)

    bool yes = false;      // --yes: a question is answered Yes without asking
    bool noBackup = false; // --no-backup: write without an automatic backup first

    QString command;    // the command's name as messages give it ("directory get")
    QString commandName() const { return command; }
};

// The options and arguments given to one command, as its parser read them.
class GivenArguments {
public:
    GivenArguments() = default;
    // The parser that read the line; the first `commandWords` of its
    // positional arguments are the command's own words.
    GivenArguments(std::shared_ptr<const QCommandLineParser> parser, int commandWords)
        : m_parser(std::move(parser)), m_commandWords(commandWords)
    {
    }

    bool isSet(const CommandOption &option) const;
    // The option's value as it was given (the last one, were it given twice).
    QByteArray bytes(const CommandOption &option) const;
    // The value as text in the terminal's encoding, or as a file name.
    QString text(const CommandOption &option) const;
    QString path(const CommandOption &option) const;

    // The words after the command's own, as given, and one of them as a file name.
    QList<QByteArray> arguments() const;
    QString argumentPath(int index) const;

private:
    std::shared_ptr<const QCommandLineParser> m_parser;
    int m_commandWords = 0;
};

// Where a secret stands among the arguments: argument `argument` from byte
// `offset` on (main overwrites it, so that the process list no longer shows it).
struct SecretArgument {
    int argument;
    int offset;
};

struct ParsedCommandLine {
    enum class Asked { Command, Help, Version };
    Asked asked = Asked::Command;
    // The command the line names (also with an error, once its words were
    // read, and with Help: the command whose help is asked for; nothing for
    // the program's).
    const CliCommand *command = nullptr;
    QString helpGroup; // Help of a first word alone ("directory"): its commands
    CliRequest request;
    GivenArguments given;
    QString error; // empty when the line is good; it never holds the PIN
    QList<SecretArgument> secrets;
};

// The arguments after the program's name (see optionreader.h: a value may
// follow its option or be joined with "=", never be another option; options
// may stand anywhere). `porv-cli help [COMMAND]`, `--help` and `--version`
// are read whatever else the line holds, once its options are well formed.
// The PIN and the number are checked here: at most 16 and 20 characters, no
// control characters (they go to the unit inside a command line of their own).
ParsedCommandLine ParseCommandLine(const QList<QByteArray> &arguments, const CommandRegistry &commands);

// A PIN as the unit takes it: 1 to 16 characters, none of them a control
// character; otherwise what is wrong with it (never the PIN itself).
QString PinProblem(const QByteArray &pin);

} // namespace porv::cli
