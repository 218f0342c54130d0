#include "commandline.h"

#include <QCommandLineParser>
#include <QFile>

#include "optionreader.h"

namespace porv::cli {

namespace {

constexpr int kMaxPin = 16;    // as the log-on dialog takes it
constexpr int kMaxNumber = 20; // as the log-on dialog takes it

bool HasControlCharacter(const QByteArray &text)
{
    for (const char c : text)
        if (uchar(c) < 0x20 || uchar(c) == 0x7F)
            return true;
    return false;
}

QStringList Names(const char *name) { return {QString::fromLatin1(name)}; }

const CommandOption kHelp{{QStringLiteral("h"), QStringLiteral("help")}, {},
                          QStringLiteral("show this help (after a command: that command's) and exit")};
const CommandOption kVersion{Names("version"), {}, QStringLiteral("show the version and exit")};

const CommandOption kUdp{Names("udp"), QStringLiteral("HOST"), QStringLiteral("the unit's network address (UDP port 8000)")};
const CommandOption kSerial{Names("serial"), QStringLiteral("DEVICE"),
                            QStringLiteral("a serial cable on DEVICE (/dev/ttyUSB0, ...)")};
const CommandOption kModem{Names("modem"), QStringLiteral("DEVICE"), QStringLiteral("a modem on DEVICE that dials DIGITS")};
const CommandOption kNumber{Names("number"), QStringLiteral("DIGITS"), QStringLiteral("what the modem on --modem dials")};
const CommandOption kUnit{Names("unit"), QStringLiteral("LABEL"),
                          QStringLiteral("the unit of the site book labelled LABEL, reached as the book says; its PIN "
                                         "as below, else from the pins file or the keyring")};
const CommandOption kBook{Names("book"), QStringLiteral("URL"),
                          QStringLiteral("the site book on a PostgreSQL server (postgresql://user@host/dbname, the "
                                         "password from PGPASSWORD or ~/.pgpass, never in the URL) or in another "
                                         "SQLite file")};
const CommandOption kPinFile{Names("pin-file"), QStringLiteral("FILE"),
                             QStringLiteral("the first line of FILE, which only its owner may read (refused when others "
                                            "can)")};
const CommandOption kPin{Names("pin"), QStringLiteral("PIN"), QStringLiteral("the unit's programming PIN"), false, true};
const CommandOption kYes{Names("yes"), {},
                         QStringLiteral("answer Yes to the question asked before the unit is overwritten (or a phone "
                                        "list file replaced by an empty one); without a terminal to answer on, such a "
                                        "command is refused unless --yes. When no automatic backup can be taken, --yes "
                                        "refuses to write (status 4, naming the folder) unless --no-backup is given too")};
const CommandOption kNoBackup{Names("no-backup"), {}, QStringLiteral("write without taking an automatic backup first")};

// How a usage error names the commands an option of the program is for;
// empty: by their names.
QString TakersOf(TakenBy takenBy)
{
    switch (takenBy) {
    case TakenBy::UnitCommands:
        return QStringLiteral("the commands that work with a unit");
    case TakenBy::AskingCommands:
        return QStringLiteral("the commands that write to the unit or replace a file");
    case TakenBy::BookCommands:
        return QStringLiteral("--unit and the commands that work with the site book");
    case TakenBy::UnitWritingCommands:
        break;
    }
    return QString();
}

bool Taken(TakenBy takenBy, const CliCommand &command)
{
    switch (takenBy) {
    case TakenBy::UnitCommands:
        return command.needs() == Needs::Unit;
    case TakenBy::AskingCommands:
        return command.asks();
    case TakenBy::UnitWritingCommands:
        return command.writesUnit();
    case TakenBy::BookCommands:
        return command.usesBook() || command.needs() == Needs::Unit;
    }
    return false;
}

const ProgramOption *FindProgramOption(const CommandOption &option)
{
    for (const ProgramOption &p : ProgramOptions())
        if (p.option.names == option.names)
            return &p;
    return nullptr;
}

// "a", "a and b", "a, b and c".
QString JoinedList(const QStringList &items)
{
    if (items.size() < 2)
        return items.value(0);
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

// "-o is for the get commands, backup and book export".
QString NotForThisCommand(const QString &written, const CommandOption &option, const CommandRegistry &commands)
{
    QString takers = option.takers;
    if (const ProgramOption *program = FindProgramOption(option); program && takers.isEmpty())
        takers = TakersOf(program->takenBy);
    if (takers.isEmpty()) {
        QStringList names;
        for (const auto &command : commands.commands())
            if (TakesOption(*command, option))
                names.append(command->name());
        takers = JoinedList(names);
    }
    if (takers.isEmpty())
        return QStringLiteral("%1 is for none of the commands").arg(written);
    return QStringLiteral("%1 is for %2").arg(written, takers);
}

// Every option the line may hold, once each: the program's, --help and
// --version, and every command's.
QList<CommandOption> EveryOption(const CommandRegistry &commands)
{
    QList<CommandOption> options = {kHelp, kVersion};
    for (const ProgramOption &option : ProgramOptions())
        options.append(option.option);
    // A command may declare one of the program's options as its own (book
    // add-unit's --udp): the line reads it once.
    for (const CommandOption &option : commands.commandOptions())
        if (!FindProgramOption(option))
            options.append(option);
    return options;
}

QList<OptionEntry> ReaderTable(const QList<CommandOption> &options)
{
    QList<OptionEntry> table;
    for (const CommandOption &option : options) {
        OptionEntry entry;
        for (const QString &name : option.dashedNames())
            entry.names.append(name.toLatin1());
        entry.takesValue = option.takesValue();
        entry.secret = option.secret;
        table.append(entry);
    }
    return table;
}

// An argument as a message may show it: never the PIN.
QString Shown(const QByteArray &word, const QList<QByteArray> &secrets)
{
    if (secrets.contains(word))
        return QStringLiteral("(an argument)");
    return ShownArgument(word);
}

// The command the words name; an error when they name none.
QString FindCommand(const QList<QByteArray> &words, const CommandRegistry &commands, const QList<QByteArray> &secrets,
                    const CliCommand **found, int *used)
{
    if (words.isEmpty())
        return QStringLiteral("no command given");
    QStringList text;
    for (const QByteArray &word : words)
        text.append(QString::fromLatin1(word));
    *found = commands.find(text, used);
    if (*found)
        return QString();
    if (!commands.group(text.first()).isEmpty())
        return QStringLiteral("%1 needs one of its commands (see --help)").arg(text.first());
    return QStringLiteral("unknown command %1").arg(Shown(words.first(), secrets));
}

// The connection, the PIN and the answers, from the command's parser; the
// first problem, or nothing.
QString TakeRequest(const GivenArguments &given, const CliCommand &command, CliRequest &r)
{
    r.command = command.name();
    r.yes = given.isSet(kYes);
    r.noBackup = given.isSet(kNoBackup);
    r.book = given.path(kBook);
    if (command.needs() != Needs::Unit)
        return QString();
    int connections = 0;
    if (given.isSet(kUdp)) {
        r.connection = Connection::Network;
        r.host = given.text(kUdp);
        ++connections;
    }
    if (given.isSet(kSerial)) {
        r.connection = Connection::Serial;
        r.device = given.text(kSerial);
        ++connections;
    }
    if (given.isSet(kModem)) {
        r.connection = Connection::Modem;
        r.device = given.text(kModem);
        ++connections;
    }
    if (given.isSet(kUnit)) {
        r.unitLabel = given.text(kUnit);
        ++connections;
    }
    if (connections > 1)
        return QStringLiteral("give one connection only");
    if (given.isSet(kBook) && r.unitLabel.isEmpty())
        return QStringLiteral("--book is for --unit LABEL and the commands that work with the site book");
    r.number = given.bytes(kNumber);
    if (given.isSet(kPin)) {
        if (given.bytes(kPin) == "-") {
            r.pinFromInput = true;
        } else {
            r.pin = given.bytes(kPin);
            r.pinGiven = true;
        }
    }
    r.pinFile = given.path(kPinFile);
    if (given.isSet(kPin) && given.isSet(kPinFile))
        return QStringLiteral("give the PIN one way only: --pin or --pin-file");
    if (r.pinFile == QLatin1String("-"))
        return QStringLiteral("--pin-file takes a file; for standard input give --pin -");
    if (r.connection == Connection::None && r.unitLabel.isEmpty())
        return QStringLiteral("no connection given: --udp HOST, --serial DEVICE, --modem DEVICE --number DIGITS or "
                              "--unit LABEL");
    if (r.connection == Connection::Modem && r.number.isEmpty())
        return QStringLiteral("--modem needs --number DIGITS");
    if (r.connection != Connection::Modem && !r.number.isEmpty())
        return QStringLiteral("--number is for --modem");
    if (r.number.size() > kMaxNumber || HasControlCharacter(r.number))
        return QStringLiteral("--number takes at most %1 characters, none of them control characters").arg(kMaxNumber);
    if (r.pinGiven) {
        const QString problem = PinProblem(r.pin);
        if (!problem.isEmpty())
            return QStringLiteral("--pin: ") + problem;
    }
    return QString();
}

// The command's own parser: its options and the program's that it takes.
std::shared_ptr<QCommandLineParser> CommandParser(const CliCommand &command)
{
    auto parser = std::make_shared<QCommandLineParser>();
    parser->setApplicationDescription(command.summary());
    parser->setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser->setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    QList<QStringList> added;
    const auto add = [&](const CommandOption &option) {
        if (added.contains(option.names))
            return;
        added.append(option.names);
        parser->addOption(QCommandLineOption(option.names, option.description, option.valueName));
    };
    for (const ProgramOption &option : ProgramOptions())
        if (Taken(option.takenBy, command))
            add(option.option);
    for (const CommandOption &option : command.options())
        add(option);
    for (const QString &word : command.words())
        parser->addPositionalArgument(word, QString());
    for (const CommandArgument &argument : command.arguments())
        parser->addPositionalArgument(argument.name, argument.description, argument.shown());
    return parser;
}

} // namespace

const QList<ProgramOption> &ProgramOptions()
{
    // One line each. Their values are read in TakeRequest.
    static const QList<ProgramOption> options = {
        {kUdp, TakenBy::UnitCommands, HelpGroup::Connection},
        {kSerial, TakenBy::UnitCommands, HelpGroup::Connection},
        {kModem, TakenBy::UnitCommands, HelpGroup::Connection,
         {{QStringLiteral("--modem DEVICE --number DIGITS"), kModem.description}}},
        {kNumber, TakenBy::UnitCommands, HelpGroup::Connection, {}, false},
        {kUnit, TakenBy::UnitCommands, HelpGroup::Connection},
        {kPinFile, TakenBy::UnitCommands, HelpGroup::Pin},
        {kPin, TakenBy::UnitCommands, HelpGroup::Pin,
         {{QStringLiteral("--pin -"), QStringLiteral("one line from standard input")},
          {QStringLiteral("--pin PIN"), QStringLiteral("on the command line: every user of the machine sees it in the "
                                                       "process list until porv-cli has read it, so prefer the ways "
                                                       "above")}}},
        {kBook, TakenBy::BookCommands, HelpGroup::Book},
        {kYes, TakenBy::AskingCommands, HelpGroup::Options},
        {kNoBackup, TakenBy::UnitWritingCommands, HelpGroup::Options},
    };
    return options;
}

const CommandOption &HelpOption() { return kHelp; }
const CommandOption &VersionOption() { return kVersion; }

bool TakesOption(const CliCommand &command, const CommandOption &option)
{
    if (const ProgramOption *program = FindProgramOption(option); program && Taken(program->takenBy, command))
        return true;
    for (const CommandOption &own : command.options())
        if (own.names == option.names)
            return true;
    return false;
}

// --- the values a command's parser read ---------------------------------------------------

bool GivenArguments::isSet(const CommandOption &option) const
{
    if (!m_parser)
        return false;
    // A parser that does not know the option says so on standard error.
    for (const QString &name : m_parser->optionNames())
        if (option.names.contains(name))
            return true;
    return false;
}

QByteArray GivenArguments::bytes(const CommandOption &option) const
{
    // The parser was given each byte as one Latin-1 character.
    return isSet(option) ? m_parser->value(option.names.first()).toLatin1() : QByteArray();
}

QString GivenArguments::text(const CommandOption &option) const { return QString::fromLocal8Bit(bytes(option)); }

QString GivenArguments::path(const CommandOption &option) const { return QFile::decodeName(bytes(option)); }

QList<QByteArray> GivenArguments::arguments() const
{
    QList<QByteArray> words;
    if (!m_parser)
        return words;
    const QStringList positional = m_parser->positionalArguments();
    for (int i = m_commandWords; i < positional.size(); ++i)
        words.append(positional[i].toLatin1());
    return words;
}

QString GivenArguments::argumentPath(int index) const { return QFile::decodeName(arguments().value(index)); }

QString PinProblem(const QByteArray &pin)
{
    if (pin.isEmpty())
        return QStringLiteral("the PIN is empty");
    if (pin.size() > kMaxPin || HasControlCharacter(pin))
        return QStringLiteral("a PIN has at most %1 characters, none of them control characters").arg(kMaxPin);
    return QString();
}

ParsedCommandLine ParseCommandLine(const QList<QByteArray> &arguments, const CommandRegistry &commands)
{
    ParsedCommandLine parsed;
    const QList<CommandOption> every = EveryOption(commands);
    const ReadArguments read = ReadOptions(arguments, ReaderTable(every));
    QList<QByteArray> secretValues;
    for (const GivenOption &o : read.options)
        if (every.at(o.entry).secret && o.value != "-") {
            parsed.secrets.append({o.argument, o.valueOffset});
            secretValues.append(o.value);
        }
    const auto fail = [&](const QString &error) {
        parsed.error = error;
        return parsed;
    };
    if (!read.error.isEmpty())
        return fail(read.error);
    QList<int> seen;
    bool help = false, version = false;
    for (const GivenOption &o : read.options) {
        const CommandOption &option = every.at(o.entry);
        const bool isHelp = option.names == kHelp.names, isVersion = option.names == kVersion.names;
        help = help || isHelp;
        version = version || isVersion;
        if (seen.contains(o.entry) && !isHelp && !isVersion)
            return fail(QStringLiteral("give %1 once").arg(QString::fromLatin1(o.name)));
        seen.append(o.entry);
    }

    // porv-cli help [COMMAND], porv-cli [COMMAND] --help, --version.
    const bool helpWord = !read.words.isEmpty() && read.words.first() == "help";
    if (helpWord || help) {
        parsed.asked = ParsedCommandLine::Asked::Help;
        const QList<QByteArray> words = helpWord ? read.words.mid(1) : read.words;
        // "help help": the program's, which says how help is asked for.
        if (words.isEmpty() || (helpWord && words == QList<QByteArray>{"help"}))
            return parsed;
        int used = 0;
        const QString error = FindCommand(words, commands, secretValues, &parsed.command, &used);
        if (!parsed.command && !commands.group(QString::fromLatin1(words.first())).isEmpty() && words.size() == 1) {
            parsed.helpGroup = QString::fromLatin1(words.first());
            return parsed;
        }
        if (!error.isEmpty())
            return fail(error);
        // Help of a command takes its words alone; after them, only --help
        // leaves the rest of the line as it is.
        if (helpWord && words.size() > used)
            return fail(QStringLiteral("unexpected argument %1 after help %2")
                            .arg(Shown(words.at(used), secretValues), parsed.command->name()));
        return parsed;
    }
    if (version) {
        parsed.asked = ParsedCommandLine::Asked::Version;
        return parsed;
    }

    int used = 0;
    const QString unknown = FindCommand(read.words, commands, secretValues, &parsed.command, &used);
    if (!unknown.isEmpty())
        return fail(unknown);
    const CliCommand &command = *parsed.command;
    for (const GivenOption &o : read.options)
        if (!TakesOption(command, every.at(o.entry)))
            return fail(NotForThisCommand(QString::fromLatin1(o.name), every.at(o.entry), commands));

    // The line as the command's parser reads it: each byte one Latin-1
    // character, so that every value comes back as it was given. Its own
    // error texts repeat what was given; the line was checked above, so that
    // it has none to give.
    const std::shared_ptr<QCommandLineParser> parser = CommandParser(command);
    QStringList line = {QStringLiteral("porv-cli")};
    for (const QByteArray &argument : arguments)
        line.append(QString::fromLatin1(argument));
    if (!parser->parse(line))
        return fail(QStringLiteral("%1: the command line cannot be read").arg(command.name()));
    parsed.given = GivenArguments(parser, used);

    const QList<QByteArray> given = parsed.given.arguments();
    const QList<CommandArgument> declared = command.arguments();
    for (int i = 0; i < declared.size(); ++i)
        if (i >= given.size() || given.at(i).isEmpty())
            return fail(QStringLiteral("%1 needs a %2").arg(command.name(), declared.at(i).name));
    if (given.size() > declared.size())
        return fail(QStringLiteral("unexpected argument %1 after %2")
                        .arg(Shown(given.at(int(declared.size())), secretValues), command.name()));
    for (const CommandOption &option : command.options())
        if (option.required && !parsed.given.isSet(option))
            return fail(QStringLiteral("%1 needs %2").arg(command.name(), option.synopsis()));
    return fail(TakeRequest(parsed.given, command, parsed.request));
}

} // namespace porv::cli
