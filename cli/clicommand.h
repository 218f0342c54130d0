#pragma once
// A porv-cli command is one class: its words ("directory get"), a one-line
// summary and a description, its options and arguments, whether it works with
// a unit and whether it writes to it, and what it runs. The command line is
// read, and every help text and usage error worded, from these declarations
// alone. A command joins the program with one line in its area's
// registration (`commands.add<DiffCommand>();`); the registry keeps them in
// that order, which is the order the help lists them in.
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace porv::cli {

class CommandContext;

// What the program ends with.
enum ExitStatus : int {
    ExitDone = 0,
    ExitDifferences = 1, // diff only: the unit and the file differ
    ExitUsage = 2,       // the command line, or a question not answered Yes
    ExitUnit = 3,        // the unit did not answer or refused (the message names the step)
    ExitFile = 4,        // a file could not be read or written, or does not fit the unit
    ExitBook = 5,        // the site book cannot be used (the message names it); nothing was written to it
    ExitInterrupted = 130,
};

// Where an option stands among the ways a command gives one thing, of which
// the usage shows one is needed: "(--udp HOST | --serial DEVICE | --modem
// DEVICE --number DIGITS)".
enum class OptionChoice {
    None,
    Alternative, // one of the ways
    WithPrevious, // part of the way before it (--number after --modem)
};

// An option as the command line takes it and the help shows it.
struct CommandOption {
    QStringList names;      // without their dashes, as QCommandLineOption takes them: {"o", "output"}
    QString valueName = {}; // what the help calls its value ("FILE.csv"); empty for a flag
    QString description = {};
    bool required = false;  // the command cannot run without it
    bool secret = false;    // its value never shows: not in a message, not in the process list
    // How a usage error names the commands that take it ("-o is for ..."),
    // where a list of their names would read worse; empty: the list.
    QString takers = {};
    OptionChoice choice = OptionChoice::None;

    bool takesValue() const { return !valueName.isEmpty(); }
    // Each name with its dashes: "-o", "--output".
    QStringList dashedNames() const;
    // As the help and messages show it: "-o FILE.csv", "--json".
    QString synopsis() const;
};

// A word the command takes after its own words.
struct CommandArgument {
    QString name;        // what a usage error calls it ("FILE")
    QString syntax;      // how the usage shows it ("FILE.qx4b|FILE.csv"); empty: the name
    QString description = {};

    QString shown() const { return syntax.isEmpty() ? name : syntax; }
};

// What a command needs before it runs.
enum class Needs {
    Nothing, // it runs on what the command line and the files give it
    Unit,    // a connection and a PIN: it logs on to a unit
};

class CliCommand {
public:
    virtual ~CliCommand() = default;

    // Its words on the command line: {"diff"}, {"directory", "get"}.
    virtual QStringList words() const = 0;
    // One line for the list of commands, without a full stop.
    virtual QString summary() const = 0;
    // What its own help adds to the summary: paragraphs parted by "\n\n".
    virtual QString description() const { return QString(); }
    virtual QList<CommandOption> options() const { return {}; }
    virtual QList<CommandArgument> arguments() const { return {}; }
    virtual Needs needs() const { return Needs::Unit; }
    // It works with the site book (takes --book); so does every command that
    // works with a unit, given --unit.
    virtual bool usesBook() const { return false; }
    // It overwrites what the unit holds: it asks first (off a terminal only
    // --yes answers), and takes an automatic backup unless --no-backup.
    virtual bool writesUnit() const { return false; }
    // It may ask a question that --yes answers.
    virtual bool asks() const { return writesUnit(); }

    // Carries the command out once the line was read; returns how it ended,
    // or throws Stop.
    virtual ExitStatus run(CommandContext &context) const = 0;

    // Its words as messages give them: "directory get".
    QString name() const { return words().join(QLatin1Char(' ')); }
};

class CommandRegistry {
public:
    template <class Command>
    void add()
    {
        add(std::unique_ptr<CliCommand>(new Command));
    }
    // A command whose words another one has, or an option that another
    // command or the program declares otherwise (other names, a value where it
    // has none), is a mistake in the program: it stops there.
    void add(std::unique_ptr<CliCommand> command);

    const std::vector<std::unique_ptr<CliCommand>> &commands() const { return m_commands; }

    // The command whose words begin the list; `used` is how many words they
    // are. Nothing when no command begins it.
    const CliCommand *find(const QStringList &words, int *used = nullptr) const;
    // The commands whose first word is `first`, when they have more than one
    // word ("directory": directory get, directory put).
    QList<const CliCommand *> group(const QString &first) const;

    // Every option some command declares, once each, in the order first declared.
    QList<CommandOption> commandOptions() const;

private:
    std::vector<std::unique_ptr<CliCommand>> m_commands;
};

} // namespace porv::cli
