// porv-cli's command line read in this process: the option reader's rules,
// what the parsed request holds, and the usage errors and help that the
// commands' declarations give, where the program's runs would only show a
// status and a message.
#include <gtest/gtest.h>

#include "commandline.h"
#include "commands.h"
#include "helptext.h"
#include "optionreader.h"

using namespace porv::cli;

namespace {

QList<QByteArray> Arguments(std::initializer_list<const char *> words)
{
    QList<QByteArray> arguments;
    for (const char *w : words)
        arguments.append(QByteArray(w));
    return arguments;
}

ParsedCommandLine Parse(std::initializer_list<const char *> words)
{
    return ParseCommandLine(Arguments(words), BuiltInCommands());
}

const CommandOption kOutput{{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("FILE")};

} // namespace

TEST(CommandLine, ValuesStandJoinedOrNextButNeverAsAnotherOption)
{
    const ParsedCommandLine joined = Parse({"--udp=10.0.0.7", "--pin=12", "-o", "-", "backup", "--", "--json"});
    EXPECT_EQ(joined.error, QStringLiteral("unexpected argument '--json' after backup"));
    const ParsedCommandLine out = Parse({"--udp=10.0.0.7", "--pin=12", "-o", "-", "backup"});
    ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
    EXPECT_EQ(out.request.host, QStringLiteral("10.0.0.7"));
    EXPECT_EQ(out.command->name(), QStringLiteral("backup"));
    EXPECT_EQ(out.given.bytes(kOutput), "-");
    // Where the PIN stands, for main to overwrite: argument 1 from byte 6.
    ASSERT_EQ(out.secrets.size(), 1);
    EXPECT_EQ(out.secrets[0].argument, 1);
    EXPECT_EQ(out.secrets[0].offset, 6);
    const ParsedCommandLine next = Parse({"--serial", "/dev/ttyS0", "--pin", "4711", "clock", "set"});
    ASSERT_EQ(next.secrets.size(), 1);
    EXPECT_EQ(next.secrets[0].argument, 3);
    EXPECT_EQ(next.secrets[0].offset, 0);

    const ParsedCommandLine input = Parse({"--serial", "/dev/ttyS0", "--pin", "-", "info"});
    EXPECT_TRUE(input.error.isEmpty());
    EXPECT_TRUE(input.request.pinFromInput);
    EXPECT_TRUE(input.secrets.isEmpty());
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "--pin", "1", "--pin-file", "f", "info"}).error,
              QStringLiteral("give the PIN one way only: --pin or --pin-file"));
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "--pin", "1", "--pin", "2", "info"}).error, QStringLiteral("give --pin once"));
    EXPECT_EQ(Parse({"--serial", "-x", "info"}).error, QStringLiteral("--serial needs a value"));
    EXPECT_EQ(Parse({"--serial=", "info"}).error, QStringLiteral("--serial needs a value"));
    EXPECT_EQ(Parse({"--yes=1", "info"}).error, QStringLiteral("--yes takes no value"));
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "--no-backup", "info"}).error,
              QStringLiteral("--no-backup is for directory put, parameters put and restore"));
    EXPECT_TRUE(Parse({"--serial", "/dev/ttyS0", "restore", "a.qx4b", "--yes", "--no-backup"}).request.noBackup);
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "info", "-o", "-"}).error, QStringLiteral("-o is for the get commands, backup and book export"));
}

// --unit is a connection of its own; --book goes with it and with the
// book's commands; book add-unit takes the connection options as its own.
TEST(CommandLine, TheSiteBookOnTheLine)
{
    const ParsedCommandLine unit = Parse({"--unit", "Gate A", "--book", "postgresql://anna@db/book", "info"});
    ASSERT_TRUE(unit.error.isEmpty()) << unit.error.toStdString();
    EXPECT_EQ(unit.request.unitLabel, QStringLiteral("Gate A"));
    EXPECT_EQ(unit.request.book, QStringLiteral("postgresql://anna@db/book"));
    EXPECT_EQ(unit.request.connection, Connection::None);
    EXPECT_EQ(Parse({"--unit", "Gate A", "--udp", "h", "info"}).error, QStringLiteral("give one connection only"));
    EXPECT_EQ(Parse({"--udp", "h", "--book", "b.sqlite", "info"}).error,
              QStringLiteral("--book is for --unit LABEL and the commands that work with the site book"));
    const ParsedCommandLine add = Parse({"book", "add-unit", "Back", "--site", "Harbour", "--modem", "/dev/ttyS0",
                                         "--number", "0123", "--book", "b.sqlite"});
    ASSERT_TRUE(add.error.isEmpty()) << add.error.toStdString();
    EXPECT_EQ(add.request.connection, Connection::None);
    EXPECT_EQ(add.request.book, QStringLiteral("b.sqlite"));
    EXPECT_EQ(Parse({"book", "add-unit", "Back", "--udp", "h"}).error, QStringLiteral("book add-unit needs --site NAME"));
    EXPECT_EQ(Parse({"book", "sites", "--pin", "1"}).error, QStringLiteral("--pin is for the commands that work with a unit"));
    EXPECT_EQ(Parse({"fleet", "backup", "--yes"}).error,
              QStringLiteral("--yes is for the commands that write to the unit or replace a file"));
    EXPECT_EQ(CommandSynopsis(*add.command),
              QStringLiteral("book add-unit LABEL --site NAME (--udp HOST | --serial DEVICE | --modem DEVICE --number "
                             "DIGITS)"));
}

TEST(CommandLine, ShownArgumentsEscapeWhatWouldReachTheTerminal)
{
    EXPECT_EQ(ShownArgument("a\x1b[2J\r\n\t\\b"), QStringLiteral("'a\\x1b[2J\\r\\n\\t\\\\b'"));
    EXPECT_EQ(ShownArgument("caf\xc3\xa9\xc2\x9b"), QStringLiteral("'caf\u00e9\\x9b'"));
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "--pin4711", "info"}).error, QStringLiteral("unknown option beginning with --pin"));
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "--pim=4711", "info"}).error, QStringLiteral("unknown option '--pim'"));
}

namespace {

// A command of the kind the site book will add: no unit, an argument and an
// option of its own.
const CommandOption kDepth{{QStringLiteral("depth")}, QStringLiteral("LEVELS"), QStringLiteral("how deep to look")};

class SiteCheckCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("site"), QStringLiteral("check")}; }
    QString summary() const override { return QStringLiteral("check one site of the book"); }
    QList<CommandArgument> arguments() const override
    {
        return {{QStringLiteral("NAME"), {}, QStringLiteral("the site's name")}};
    }
    QList<CommandOption> options() const override { return {kDepth}; }
    Needs needs() const override { return Needs::Nothing; }
    ExitStatus run(CommandContext &) const override { return ExitDone; }
};

} // namespace

// A command joins with one line; its usage, its usage errors and its place in
// the help all come from what it declares.
TEST(CommandLine, ACommandIsReadAndShownByItsDeclarations)
{
    CommandRegistry commands;
    RegisterBuiltInCommands(commands);
    commands.add<SiteCheckCommand>();
    const auto parse = [&](std::initializer_list<const char *> words) { return ParseCommandLine(Arguments(words), commands); };

    const ParsedCommandLine check = parse({"site", "--depth=2", "check", "north"});
    ASSERT_TRUE(check.error.isEmpty()) << check.error.toStdString();
    EXPECT_EQ(check.command->name(), QStringLiteral("site check"));
    EXPECT_EQ(check.given.text(kDepth), QStringLiteral("2"));
    EXPECT_EQ(check.given.argumentPath(0), QStringLiteral("north"));
    EXPECT_EQ(parse({"site", "check"}).error, QStringLiteral("site check needs a NAME"));
    EXPECT_EQ(parse({"--udp", "h", "site", "check", "n"}).error, QStringLiteral("--udp is for the commands that work with a unit"));
    EXPECT_EQ(parse({"--serial", "/dev/ttyS0", "info", "--depth", "2"}).error, QStringLiteral("--depth is for site check"));
    EXPECT_EQ(parse({"site"}).error, QStringLiteral("site needs one of its commands (see --help)"));
    // The built-in commands' own declarations word their errors the same way.
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "clock", "set", "--changes-only"}).error,
              QStringLiteral("--changes-only is for directory put"));
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "restore"}).error, QStringLiteral("restore needs a FILE"));
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "parameters", "get"}).error, QStringLiteral("parameters get needs -o FILE.sys"));
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "info", "--json", "--yes"}).error,
              QStringLiteral("--yes is for the commands that write to the unit or replace a file"));

    // The help lists every command with its summary; the command's own help
    // is asked for either way.
    const QString help = QString::fromLocal8Bit(HelpText(commands));
    for (const auto &command : commands.commands())
        EXPECT_TRUE(help.contains(QStringLiteral("\n  ") + CommandSynopsis(*command))) << command->name().toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("\n  site check NAME [--depth LEVELS]\n") + QString(32, QLatin1Char(' '))
                              + QStringLiteral("check one site of the book\n")))
        << help.toStdString();
    for (const auto &asked : {parse({"help", "site", "check"}), parse({"site", "check", "--help"})}) {
        EXPECT_EQ(asked.asked, ParsedCommandLine::Asked::Help);
        ASSERT_TRUE(asked.command && asked.error.isEmpty()) << asked.error.toStdString();
        EXPECT_EQ(asked.command->name(), QStringLiteral("site check"));
    }
    const QString own = QString::fromLocal8Bit(CommandHelpText(*parse({"help", "site", "check"}).command));
    EXPECT_TRUE(own.startsWith(QStringLiteral("Usage: porv-cli site check NAME [--depth LEVELS]\n\nCheck one site of the book.\n")))
        << own.toStdString();
    EXPECT_TRUE(own.contains(QStringLiteral("\n  --depth LEVELS                how deep to look\n"))) << own.toStdString();
    EXPECT_FALSE(own.contains(QStringLiteral("CONNECTION")));
    EXPECT_EQ(parse({"help", "bogus"}).error, QStringLiteral("unknown command 'bogus'"));
    for (const auto &program : {parse({"help"}), parse({"help", "help"}), parse({"--help"})}) {
        EXPECT_EQ(program.asked, ParsedCommandLine::Asked::Help);
        EXPECT_TRUE(!program.command && program.error.isEmpty()) << program.error.toStdString();
    }
}
