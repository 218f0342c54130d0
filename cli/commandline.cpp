#include "commandline.h"

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

struct CommandWord {
    const char *first;
    const char *second; // nullptr: a command of one word
    Command command;
};

const CommandWord kCommands[] = {
    {"info", nullptr, Command::Info},
    {"backup", nullptr, Command::Backup},
    {"restore", nullptr, Command::Restore},
    {"diff", nullptr, Command::Diff},
    {"directory", "get", Command::DirectoryGet},
    {"directory", "put", Command::DirectoryPut},
    {"parameters", "get", Command::ParametersGet},
    {"parameters", "put", Command::ParametersPut},
    {"events", "get", Command::EventsGet},
    {"clock", "set", Command::ClockSet},
};

// An argument as a message may show it: never the PIN.
QString Shown(const QByteArray &word, const CliRequest &r)
{
    if (r.pinGiven && word == r.pin)
        return QStringLiteral("(an argument)");
    return ShownArgument(word);
}

// The command's words and its FILE argument, once the options are known.
QString ReadCommand(const QList<QByteArray> &words, CliRequest &r)
{
    if (words.isEmpty())
        return QStringLiteral("no command given");
    int used = 0;
    for (const CommandWord &c : kCommands) {
        if (words[0] != c.first)
            continue;
        if (!c.second) {
            r.command = c.command;
            used = 1;
            break;
        }
        if (words.size() > 1 && words[1] == c.second) {
            r.command = c.command;
            used = 2;
            break;
        }
    }
    if (r.command == Command::None) {
        for (const CommandWord &c : kCommands)
            if (c.second && words[0] == c.first)
                return QStringLiteral("%1 needs one of its commands (see --help)").arg(QLatin1String(c.first));
        return QStringLiteral("unknown command %1").arg(Shown(words[0], r));
    }
    const bool takesFile = r.command == Command::Restore || r.command == Command::Diff
                        || r.command == Command::DirectoryPut || r.command == Command::ParametersPut;
    const QList<QByteArray> rest = words.mid(used);
    if (takesFile) {
        if (rest.isEmpty())
            return QStringLiteral("%1 needs a FILE").arg(r.commandName());
        r.file = QFile::decodeName(rest[0]);
        if (r.file.isEmpty())
            return QStringLiteral("%1 needs a FILE").arg(r.commandName());
    }
    if (rest.size() > (takesFile ? 1 : 0))
        return QStringLiteral("unexpected argument %1 after %2").arg(Shown(rest[takesFile ? 1 : 0], r), r.commandName());
    return QString();
}

// Options that belong to some commands only.
QString CheckOptions(CliRequest &r, bool outputGiven)
{
    const Command c = r.command;
    if (r.writesFile() && !outputGiven)
        return QStringLiteral("%1 needs -o FILE").arg(r.commandName());
    if (!r.writesFile() && outputGiven)
        return QStringLiteral("-o is for the get commands and backup");
    if (r.json && c != Command::Info && c != Command::Diff)
        return QStringLiteral("--json is for info and diff");
    if (r.changesOnly && c != Command::DirectoryPut)
        return QStringLiteral("--changes-only is for directory put");
    if (r.yes && !r.overwritesUnit() && c != Command::DirectoryGet)
        return QStringLiteral("--yes is for the commands that write to the unit or replace a file");
    if (r.noBackup && !r.overwritesUnit())
        return QStringLiteral("--no-backup is for directory put, parameters put and restore");
    if (r.pinFile == QLatin1String("-"))
        return QStringLiteral("--pin-file takes a file; for standard input give --pin -");
    if (r.connection == Connection::None)
        return QStringLiteral("no connection given: --udp HOST, --serial DEVICE or --modem DEVICE --number DIGITS");
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

} // namespace

QString CliRequest::commandName() const
{
    for (const CommandWord &c : kCommands)
        if (c.command == command)
            return c.second ? QStringLiteral("%1 %2").arg(QLatin1String(c.first), QLatin1String(c.second))
                            : QLatin1String(c.first);
    return QString();
}

bool CliRequest::writesFile() const
{
    return command == Command::DirectoryGet || command == Command::ParametersGet || command == Command::EventsGet
        || command == Command::Backup;
}

bool CliRequest::overwritesUnit() const
{
    return command == Command::DirectoryPut || command == Command::ParametersPut || command == Command::Restore;
}

bool CliRequest::usesBackup() const
{
    return command == Command::Backup || command == Command::Restore || command == Command::Diff
        || (command == Command::DirectoryPut && changesOnly);
}

QString PinProblem(const QByteArray &pin)
{
    if (pin.isEmpty())
        return QStringLiteral("the PIN is empty");
    if (pin.size() > kMaxPin || HasControlCharacter(pin))
        return QStringLiteral("a PIN has at most %1 characters, none of them control characters").arg(kMaxPin);
    return QString();
}

namespace {

enum OptionId {
    OptHelp, OptVersion, OptUdp, OptSerial, OptModem, OptNumber, OptPin, OptPinFile,
    OptOutput, OptYes, OptJson, OptChangesOnly, OptNoBackup,
};

// In OptionId order.
const QList<OptionSpec> &Options()
{
    static const QList<OptionSpec> options = {
        {{"--help", "-h"}, false, false},
        {{"--version"}, false, false},
        {{"--udp"}, true, false},
        {{"--serial"}, true, false},
        {{"--modem"}, true, false},
        {{"--number"}, true, false},
        {{"--pin"}, true, true},
        {{"--pin-file"}, true, false},
        {{"-o", "--output"}, true, false},
        {{"--yes"}, false, false},
        {{"--json"}, false, false},
        {{"--changes-only"}, false, false},
        {{"--no-backup"}, false, false},
    };
    return options;
}

// The options into the request; the first problem, or nothing.
QString TakeOptions(const QList<GivenOption> &given, CliRequest &r, bool *outputGiven)
{
    QList<int> seen;
    for (const GivenOption &o : given) {
        const QString name = QString::fromLatin1(o.name);
        if (seen.contains(o.spec) && o.spec != OptHelp && o.spec != OptVersion)
            return QStringLiteral("give %1 once").arg(name);
        seen.append(o.spec);
        const auto connection = [&](Connection kind, QString *where) {
            if (r.connection != Connection::None)
                return QStringLiteral("give one connection only");
            r.connection = kind;
            *where = QString::fromLocal8Bit(o.value);
            return QString();
        };
        QString problem;
        switch (OptionId(o.spec)) {
        case OptHelp: r.help = true; break;
        case OptVersion: r.version = true; break;
        case OptUdp: problem = connection(Connection::Network, &r.host); break;
        case OptSerial: problem = connection(Connection::Serial, &r.device); break;
        case OptModem: problem = connection(Connection::Modem, &r.device); break;
        case OptNumber: r.number = o.value; break;
        case OptPin:
            if (o.value == "-") {
                r.pinFromInput = true;
            } else {
                r.pin = o.value;
                r.pinGiven = true;
            }
            break;
        case OptPinFile: r.pinFile = QFile::decodeName(o.value); break;
        case OptOutput:
            r.file = QFile::decodeName(o.value);
            *outputGiven = true;
            break;
        case OptYes: r.yes = true; break;
        case OptJson: r.json = true; break;
        case OptChangesOnly: r.changesOnly = true; break;
        case OptNoBackup: r.noBackup = true; break;
        }
        if (!problem.isEmpty())
            return problem;
    }
    if (seen.contains(OptPin) && seen.contains(OptPinFile))
        return QStringLiteral("give the PIN one way only: --pin or --pin-file");
    return QString();
}

} // namespace

ParsedCommandLine ParseCommandLine(const QList<QByteArray> &arguments)
{
    ParsedCommandLine parsed;
    CliRequest &r = parsed.request;
    const ReadArguments read = ReadOptions(arguments, Options());
    for (const GivenOption &o : read.options)
        if (Options().at(o.spec).secret && o.value != "-")
            parsed.secrets.append({o.argument, o.valueOffset});
    bool outputGiven = false;
    QString error = read.error;
    if (error.isEmpty())
        error = TakeOptions(read.options, r, &outputGiven);
    if (error.isEmpty() && (r.help || r.version))
        return parsed;
    if (error.isEmpty()) {
        const QString output = r.file;
        error = ReadCommand(read.words, r);
        if (error.isEmpty() && outputGiven)
            r.file = output;
    }
    if (error.isEmpty())
        error = CheckOptions(r, outputGiven);
    parsed.error = error;
    return parsed;
}

QByteArray UsageText()
{
    return QByteArrayLiteral("Usage: porv-cli CONNECTION [PIN] COMMAND [ARGUMENTS]   (porv-cli --help)\n");
}

QByteArray HelpText()
{
    return QByteArrayLiteral(
        "Usage: porv-cli CONNECTION [PIN] COMMAND [ARGUMENTS]\n"
        "\n"
        "The Portavel QX4 door-entry unit from a terminal or a script: log on to one\n"
        "unit, carry out one command, close the link.\n"
        "\n"
        "Connection (one of):\n"
        "  --udp HOST                    the unit's network address (UDP port 8000)\n"
        "  --serial DEVICE               a serial cable on DEVICE (/dev/ttyUSB0, ...)\n"
        "  --modem DEVICE --number DIGITS\n"
        "                                a modem on DEVICE that dials DIGITS\n"
        "\n"
        "PIN (the unit's programming PIN; without any of these it is asked for on the\n"
        "terminal and not shown as it is typed):\n"
        "  PORV_PIN=PIN                  in the environment\n"
        "  --pin-file FILE               the first line of FILE, which only its owner\n"
        "                                may read (refused when others can)\n"
        "  --pin -                       one line from standard input\n"
        "  --pin PIN                     on the command line: every user of the machine\n"
        "                                sees it in the process list until porv-cli\n"
        "                                has read it, so prefer the ways above\n"
        "\n"
        "Commands:\n"
        "  info [--json]                 model line, MemoryLimit, the unit's clock, and\n"
        "                                its record, tag and event counts\n"
        "  directory get -o FILE.csv     the phone list into a phone list file\n"
        "  directory put FILE.csv [--yes]\n"
        "                                replace the unit's whole phone list with the\n"
        "                                file's (sorted by name, numbered afresh)\n"
        "  directory put FILE.csv --changes-only [--yes]\n"
        "                                show the records that differ from the unit's,\n"
        "                                then write only those (each verified) and\n"
        "                                erase the records the file no longer holds\n"
        "  parameters get -o FILE.sys    read every parameter block, then write the\n"
        "                                parameters file\n"
        "  parameters put FILE.sys [--yes]\n"
        "                                Write All with the file's values; what the file\n"
        "                                does not hold is written as the unit holds it\n"
        "  events get -o FILE.Evt        the unit's clock and event log into an events file\n"
        "  clock set                     set the unit's clock to the PC's time, then read\n"
        "                                it back (a clock that did not take: status 3)\n"
        "  backup -o FILE.qx4b           the phone list, parameters, PINs, tags and event\n"
        "                                log into one unit backup file\n"
        "  restore FILE.qx4b [--yes]     put a backup back on the unit: first an\n"
        "                                automatic backup of the unit as it is (where\n"
        "                                it went is told), then the changes are shown\n"
        "                                and asked for, then written and verified\n"
        "  diff FILE.qx4b|FILE.csv [--json]\n"
        "                                what differs between the unit and a unit\n"
        "                                backup, or the unit's phone list and a phone\n"
        "                                list file (the PINs only by which differ)\n"
        "\n"
        "Before directory put, parameters put and restore write, the unit as it is\n"
        "goes into the store of automatic backups ($XDG_DATA_HOME/porv-pro/backups,\n"
        "the newest 30 of each unit kept).\n"
        "\n"
        "Options:\n"
        "  --yes        answer Yes to the question asked before the unit is overwritten\n"
        "               (or a phone list file replaced by an empty one); without a\n"
        "               terminal to answer on, such a command is refused unless --yes.\n"
        "               When no automatic backup can be taken, --yes refuses to write\n"
        "               (status 4, naming the folder) unless --no-backup is given too\n"
        "  --no-backup  write without taking an automatic backup first\n"
        "  --json       info and diff as JSON on standard output (times in ISO 8601,\n"
        "               the unit's own text beside them)\n"
        "  -o FILE      the file a get command or backup writes; -o - writes it to\n"
        "               standard output\n"
        "  --help       show this help and exit\n"
        "  --version    show the version and exit\n"
        "\n"
        "Progress goes to standard error when it is a terminal; messages always go\n"
        "there. Ctrl+C closes the link to the unit and ends the program.\n"
        "\n"
        "Exit status:\n"
        "  0    done\n"
        "  1    differences found (diff only)\n"
        "  2    usage error, or a question not answered Yes (nothing was written)\n"
        "  3    the unit did not answer or refused, or its address does not resolve;\n"
        "       the message names the step\n"
        "  4    a file could not be read or written (a backup cut short, of another\n"
        "       format or of a newer version, no folder for the automatic backup), or\n"
        "       what it holds does not fit the unit (a bigger model's backup); nothing\n"
        "       was written\n"
        "  130  interrupted; the link was closed\n"
        "\n"
        "Environment:\n"
        "  PORV_PIN       the unit's programming PIN, where --pin is not given\n"
        "  XDG_DATA_HOME  the data folder (default ~/.local/share): the automatic\n"
        "                 backups go to its porv-pro/backups, shared with porv-pro\n"
        "  TMPDIR         the folder of the lock that keeps two programs off one\n"
        "                 UDP port (default /tmp)\n"
        "\n"
        "Example, against the simulated unit (build/unit/qx4-unit --udp 127.0.0.2):\n"
        "  export PORV_PIN=1234\n"
        "  porv-cli --udp 127.0.0.2 info\n"
        "  porv-cli --udp 127.0.0.2 backup -o site.qx4b\n"
        "  porv-cli --udp 127.0.0.2 diff site.qx4b\n");
}

} // namespace porv::cli
