// porv-cli's command line read in this process: the option reader's rules
// and what the parsed request holds, where the program's runs would only show
// a status and a message.
#include <gtest/gtest.h>

#include "commandline.h"
#include "optionreader.h"

using namespace porv::cli;

namespace {

ParsedCommandLine Parse(std::initializer_list<const char *> words)
{
    QList<QByteArray> arguments;
    for (const char *w : words)
        arguments.append(QByteArray(w));
    return ParseCommandLine(arguments);
}

} // namespace

TEST(CommandLine, ValuesStandJoinedOrNextButNeverAsAnotherOption)
{
    const ParsedCommandLine joined = Parse({"--udp=10.0.0.7", "--pin=12", "-o", "-", "backup", "--", "--json"});
    EXPECT_EQ(joined.error, QStringLiteral("unexpected argument '--json' after backup"));
    const ParsedCommandLine out = Parse({"--udp=10.0.0.7", "--pin=12", "-o", "-", "backup"});
    ASSERT_TRUE(out.error.isEmpty()) << out.error.toStdString();
    EXPECT_EQ(out.request.host, QStringLiteral("10.0.0.7"));
    EXPECT_TRUE(out.request.toStandardOutput());
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
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "info", "-o", "-"}).error, QStringLiteral("-o is for the get commands and backup"));
}

TEST(CommandLine, ShownArgumentsEscapeWhatWouldReachTheTerminal)
{
    EXPECT_EQ(ShownArgument("a\x1b[2J\r\n\t\\b"), QStringLiteral("'a\\x1b[2J\\r\\n\\t\\\\b'"));
    EXPECT_EQ(ShownArgument("caf\xc3\xa9\xc2\x9b"), QStringLiteral("'caf\u00e9\\x9b'"));
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "--pin4711", "info"}).error, QStringLiteral("unknown option beginning with --pin"));
    EXPECT_EQ(Parse({"--serial", "/dev/ttyS0", "--pim=4711", "info"}).error, QStringLiteral("unknown option '--pim'"));
}
