// The simulated unit over real transports (UDP on loopback, a pseudo-terminal,
// the qx4-unit executable) and its state file.
#include "codecs.h"
#include "private_environment.h"
#include "probe.h"
#include "simulated_unit.h"
#include "unit_seed.h"
#include "unit_servers.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace qx4;
using unittest::linesOf;
using unittest::waitFor;

namespace {

const QHostAddress kUnitAddress(QLatin1String(porv::test::UnitAddress));

// A plain UDP client, as the tool's network link is.
class UdpClient {
public:
    explicit UdpClient(const QHostAddress &local = QHostAddress(QStringLiteral("127.0.0.1")), quint16 port = 0,
                       bool share = false)
    {
        bound = share ? socket.bind(local, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
                      : socket.bind(local, port);
    }

    void send(const QByteArray &line, const QHostAddress &to, quint16 port)
    {
        socket.writeDatagram(line + '\r', to, port);
    }

    // Collects datagrams until `end` has arrived or the time is up.
    QByteArray collect(const QByteArray &end, int timeoutMs = 3000)
    {
        waitFor(
            [&] {
                pump();
                return received.contains(end);
            },
            timeoutMs);
        return received;
    }

    QByteArray command(const QByteArray &line, const QHostAddress &to, quint16 port,
                       const QByteArray &end = QByteArrayLiteral("OK\r\n"))
    {
        received.clear();
        datagrams.clear();
        send(line, to, port);
        return collect(end);
    }

    void pump()
    {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram();
            datagrams.append(d.data());
            senders.append(d.senderAddress());
            received += d.data();
        }
    }

    QUdpSocket socket;
    bool bound = false;
    QByteArray received;
    QList<QByteArray> datagrams;
    QList<QHostAddress> senders;
};

class UnitOverUdp : public ::testing::Test {
protected:
    void SetUp() override
    {
        SeedOptions seed;
        seed.records = 30;
        seedUnit(unit, seed);
        unit.setTimeScale(0.02);
        ASSERT_TRUE(server.listen(kUnitAddress, 0)) << server.errorString().toStdString();
        ASSERT_TRUE(client.bound);
    }

    SimulatedUnit unit;
    UdpUnitServer server{&unit};
    UdpClient client;
};

TEST_F(UnitOverUdp, LogOnWriteAndReadABlock)
{
    const QByteArray prompt = client.command("", kUnitAddress, server.port(), "Enter PIN\r\n");
    EXPECT_EQ(linesOf(prompt).value(3), QByteArray("Portavel_1000_Qx4"));
    EXPECT_FALSE(client.command("a0000", kUnitAddress, server.port(), "\r\n").contains("OK"));
    EXPECT_EQ(client.command("a1234", kUnitAddress, server.port()), QByteArray("OK\r\n"));
    const QByteArray data = QByteArray("0:9;<1") + QByteArray(58, '?');
    EXPECT_EQ(client.command("p0008" + data, kUnitAddress, server.port()), QByteArray("OK\r\n"));
    const QList<QByteArray> lines = linesOf(client.command("r0008", kUnitAddress, server.port()));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0).mid(5), data);
    // Replies come from the unit's own address, to the sender of the last datagram.
    ASSERT_FALSE(client.senders.isEmpty());
    EXPECT_EQ(client.senders.first().toIPv4Address(), kUnitAddress.toIPv4Address());
    EXPECT_EQ(server.peerPort(), client.socket.localPort());
}

TEST_F(UnitOverUdp, DirectoryWriteAndDumpOverUdp)
{
    ASSERT_EQ(client.command("a1234", kUnitAddress, server.port()), QByteArray("OK\r\n"));
    const QByteArray good = porv::AppendCheck("b0200,777,1111,2222,,0123<4,OKAFOR C");
    EXPECT_EQ(client.command(good, kUnitAddress, server.port()), QByteArray("OK\r\n"));
    QByteArray bad = good;
    bad[bad.size() - 2] = bad.at(bad.size() - 2) == '0' ? '1' : '0';
    EXPECT_FALSE(client.command(bad, kUnitAddress, server.port(), "\r\n").contains("OK"));
    const QList<QByteArray> lines = linesOf(client.command("d01281152", kUnitAddress, server.port(), "\r\nOK\r\n"));
    ASSERT_EQ(lines.size(), 31 + 2);
    EXPECT_EQ(lines.at(31), QByteArray("1900,777,1111,2222,,0123<4??????????,OKAFOR C"));
}

TEST_F(UnitOverUdp, WholeReplyIsOneDatagram)
{
    ASSERT_EQ(client.command("a1234", kUnitAddress, server.port()), QByteArray("OK\r\n"));
    server.setSplit({DatagramSplit::Mode::Whole, 0});
    const QByteArray reply = client.command("d00120015", kUnitAddress, server.port(), "\r\nOK\r\n");
    EXPECT_EQ(linesOf(reply).size(), 6);
    EXPECT_EQ(client.datagrams.size(), 1);
}

TEST_F(UnitOverUdp, OneLinePerDatagram)
{
    ASSERT_EQ(client.command("a1234", kUnitAddress, server.port()), QByteArray("OK\r\n"));
    server.setSplit({DatagramSplit::Mode::PerLine, 0});
    const QByteArray reply = client.command("d00120015", kUnitAddress, server.port(), "\r\nOK\r\n");
    ASSERT_EQ(client.datagrams.size(), 6);
    for (const QByteArray &d : client.datagrams) {
        EXPECT_TRUE(d.endsWith("\r\n"));
        EXPECT_EQ(d.count("\r\n"), 1);
    }
    EXPECT_EQ(client.datagrams.join(), reply);
}

TEST_F(UnitOverUdp, ChunksOfNBytes)
{
    ASSERT_EQ(client.command("a1234", kUnitAddress, server.port()), QByteArray("OK\r\n"));
    server.setSplit({DatagramSplit::Mode::Chunks, 7});
    const QByteArray reply = client.command("r0001", kUnitAddress, server.port(), "OK\r\n");
    ASSERT_EQ(reply.size(), 5 + 64 + 2 + 4);
    EXPECT_EQ(client.datagrams.size(), (reply.size() + 6) / 7);
    for (int i = 0; i + 1 < client.datagrams.size(); ++i)
        EXPECT_EQ(client.datagrams.at(i).size(), 7);
}

TEST(DatagramSplit, CutsRepliesAsConfigured)
{
    const QByteArray reply = "d00120015\r\nAB\r\nOK\r\n";
    EXPECT_EQ(splitForDatagrams(reply, {DatagramSplit::Mode::Whole, 0}), QList<QByteArray>{reply});
    EXPECT_EQ(splitForDatagrams(reply, {DatagramSplit::Mode::PerLine, 0}),
              (QList<QByteArray>{"d00120015\r\n", "AB\r\n", "OK\r\n"}));
    EXPECT_EQ(splitForDatagrams("O", {DatagramSplit::Mode::PerLine, 0}), QList<QByteArray>{"O"});
    EXPECT_EQ(splitForDatagrams("ABCDE", {DatagramSplit::Mode::Chunks, 2}), (QList<QByteArray>{"AB", "CD", "E"}));
    const QByteArray big(DatagramSplit::kMaxDatagram + 10, 'x');
    EXPECT_EQ(splitForDatagrams(big, {DatagramSplit::Mode::Whole, 0}).size(), 2);
}

// The tool binds 0.0.0.0:8000 and the unit its own loopback address, port 8000, on
// the same machine.
TEST(UnitOnPort8000, SharesThePortWithTheTool)
{
    SimulatedUnit unit;
    seedUnit(unit, SeedOptions());
    unit.setTimeScale(0.02);
    UdpUnitServer server(&unit);
    ASSERT_TRUE(server.listen(kUnitAddress, 8000)) << server.errorString().toStdString();
    UdpClient tool(QHostAddress::AnyIPv4, 8000, true);
    ASSERT_TRUE(tool.bound) << tool.socket.errorString().toStdString();
    EXPECT_EQ(tool.command("a1234", kUnitAddress, 8000), QByteArray("OK\r\n"));
    ASSERT_FALSE(tool.senders.isEmpty());
    EXPECT_EQ(tool.senders.first().toString(), QLatin1String(porv::test::UnitAddress));
    EXPECT_EQ(server.peerPort(), 8000);
    EXPECT_TRUE(unit.loggedOn());
}

// --- pseudo-terminal -------------------------------------------------------------------

class UnitOverPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        SeedOptions seed;
        seed.records = 3;
        seedUnit(unit, seed);
        unit.setTimeScale(0.02);
        ASSERT_TRUE(pty.open()) << pty.errorString().toStdString();
        port.setPortName(pty.slavePath());
        ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
        port.setBaudRate(57600);
    }

    QByteArray command(const QByteArray &line, const QByteArray &end = QByteArrayLiteral("OK\r\n"))
    {
        received.clear();
        port.write(line + '\r');
        waitFor(
            [&] {
                received += port.readAll();
                return received.contains(end);
            },
            3000);
        return received;
    }

    SimulatedUnit unit;
    PtyUnitServer pty{&unit};
    QSerialPort port;
    QByteArray received;
};

TEST_F(UnitOverPty, SerialPortReachesTheUnit)
{
    EXPECT_TRUE(pty.slavePath().startsWith(QStringLiteral("/dev/")));
    EXPECT_EQ(linesOf(command("", "Enter PIN\r\n")).value(3), QByteArray("Portavel_1000_Qx4"));
    EXPECT_EQ(command("a1234"), QByteArray("OK\r\n"));
    const QByteArray data = "NIGHT" + QByteArray(27, char(0xFF));
    EXPECT_EQ(command("p0013" + data), QByteArray("OK\r\n"));
    EXPECT_EQ(linesOf(command("r0013")).value(0).mid(5), data);
}

TEST_F(UnitOverPty, ModemDialsBeforeTheUnitAnswers)
{
    unit.setModemEnabled(true);
    EXPECT_TRUE(command("atz").contains("OK\r\n"));
    EXPECT_TRUE(command("ate0").contains("OK\r\n"));
    EXPECT_TRUE(command("atd123", "CONNECT").contains("CONNECT"));
    EXPECT_EQ(linesOf(command("", "Enter PIN\r\n")).value(3), QByteArray("Portavel_1000_Qx4"));
    EXPECT_EQ(command("a1234"), QByteArray("OK\r\n"));
}

// --- state file --------------------------------------------------------------------------

TEST(UnitState, SaveAndLoadKeepEverything)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimulatedUnit a;
    SeedOptions seed;
    seed.model = Model::Qx4_500;
    seed.pin = "98765";
    seed.records = 40;
    seed.events = 25;
    seed.tags = 9;
    seedUnit(a, seed);
    const QDateTime seededAt = a.clock();
    a.setClock(QDateTime(QDate(2020, 2, 29), QTime(23, 59, 0)));
    const QString path = dir.filePath(QStringLiteral("unit.json"));
    QString error;
    ASSERT_TRUE(saveState(a, path, &error)) << error.toStdString();

    SimulatedUnit b;
    ASSERT_TRUE(loadState(b, path, &error)) << error.toStdString();
    EXPECT_EQ(b.model(), Model::Qx4_500);
    EXPECT_EQ(b.pin(), QByteArray("98765"));
    EXPECT_EQ(b.clockOffsetSeconds(), a.clockOffsetSeconds());
    for (int i = 0; i < kBlockCount; ++i)
        ASSERT_EQ(b.block(i), a.block(i)) << i;
    EXPECT_EQ(b.events(), a.events());
    EXPECT_EQ(b.directoryRecords().size(), 40);
    EXPECT_EQ(b.tagEntries().size(), 9);
    ASSERT_EQ(b.events().size(), 25);
    for (int i = 1; i < 25; ++i)
        EXPECT_LE(b.events().at(i - 1).when, b.events().at(i).when) << "earliest first";
    EXPECT_LT(b.events().last().when, seededAt) << "the log ends before the unit was seeded";
}

TEST(UnitState, BadFilesAreRefusedAndChangeNothing)
{
    QTemporaryDir dir;
    SimulatedUnit unit;
    seedUnit(unit, SeedOptions());
    const QByteArray before = unit.block(128);
    const QString path = dir.filePath(QStringLiteral("bad.json"));
    const QList<QByteArray> contents = {
        "not json",
        "{\"format\":\"something else\"}",
        "{\"format\":\"qx4-unit-state 1\",\"model\":3,\"blocks\":{\"128\":\"00\"}}",
        "{\"format\":\"qx4-unit-state 1\",\"model\":9}",
        "{\"format\":\"qx4-unit-state 1\",\"model\":3,\"blocks\":{\"99999\":\"" + QByteArray(64, 'A') + "\"}}",
    };
    for (const QByteArray &content : contents) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();
        QString error;
        EXPECT_FALSE(loadState(unit, path, &error)) << content.constData();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(unit.block(128), before);
    }
    EXPECT_FALSE(loadState(unit, dir.filePath(QStringLiteral("missing.json"))));
}

// --- the executable ---------------------------------------------------------------------------

class UnitExecutable : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }

    // Starts qx4-unit and returns the UDP port it reports.
    quint16 start(const QStringList &args)
    {
        process.start(QStringLiteral(QX4_UNIT_EXECUTABLE), args);
        if (!process.waitForStarted(5000))
            return 0;
        QByteArray out;
        waitFor(
            [&] {
                out += process.readAllStandardOutput();
                const int at = out.indexOf(" port ");
                return at >= 0 && out.indexOf('\n', at) >= 0;
            },
            5000);
        const int at = out.indexOf("udp: listening on ");
        if (at < 0)
            return 0;
        const int p = out.indexOf(" port ", at) + 6;
        return quint16(out.mid(p, out.indexOf(' ', p) - p).toUInt());
    }

    QProcess process;
};

TEST_F(UnitExecutable, HelpNamesTheOptions)
{
    process.start(QStringLiteral(QX4_UNIT_EXECUTABLE), {QStringLiteral("--help")});
    ASSERT_TRUE(process.waitForFinished(5000));
    const QByteArray out = process.readAllStandardOutput();
    EXPECT_EQ(process.exitCode(), 0);
    for (const char *option : {"--udp", "--pty", "--model", "--pin", "--records", "--events", "--tags", "--state",
                               "--save-state", "--silent", "--g-error", "--refuse-b", "--wrong-p"})
        EXPECT_TRUE(out.contains(option)) << option;
}

TEST_F(UnitExecutable, PlainUdpClientLogsOnReadsAndWrites)
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("state.json"));
    const quint16 port = start({QStringLiteral("--udp"), QStringLiteral("127.0.0.3"), QStringLiteral("--port"),
                                QStringLiteral("0"), QStringLiteral("--model"), QStringLiteral("200"),
                                QStringLiteral("--pin"), QStringLiteral("4321"), QStringLiteral("--records"),
                                QStringLiteral("12"), QStringLiteral("--state"), state,
                                QStringLiteral("--save-state")});
    ASSERT_NE(port, 0);
    const QHostAddress unit(QStringLiteral("127.0.0.3"));
    UdpClient client;
    EXPECT_EQ(linesOf(client.command("", unit, port, "Enter PIN\r\n")).value(3), QByteArray("Portavel_200_Qx4"));
    EXPECT_FALSE(client.command("a1234", unit, port, "\r\n").contains("OK"));
    EXPECT_EQ(client.command("a4321", unit, port), QByteArray("OK\r\n"));
    const QByteArray data = QByteArray("4444????") + QByteArray(56, '?');
    EXPECT_EQ(client.command("p0001" + data, unit, port), QByteArray("OK\r\n"));
    EXPECT_EQ(linesOf(client.command("r0001", unit, port)).value(0).mid(5), data);
    EXPECT_EQ(linesOf(client.command("d01281152", unit, port, "\r\nOK\r\n")).size(), 12 + 2);

    process.write("quit\n");
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitCode(), 0);
    SimulatedUnit reloaded;
    ASSERT_TRUE(loadState(reloaded, state));
    EXPECT_EQ(reloaded.block(1).left(4), QByteArray::fromHex("4444FFFF"));
    EXPECT_EQ(reloaded.model(), Model::Qx4_200);
}

TEST_F(UnitExecutable, TagCommandOnStandardInputSendsATagMessage)
{
    const quint16 port = start({QStringLiteral("--udp"), QStringLiteral("127.0.0.3"), QStringLiteral("--port"),
                                QStringLiteral("0"), QStringLiteral("--time-scale"), QStringLiteral("0.01")});
    ASSERT_NE(port, 0);
    const QHostAddress unit(QStringLiteral("127.0.0.3"));
    UdpClient client;
    EXPECT_EQ(client.command("a1234", unit, port), QByteArray("OK\r\n"));
    client.received.clear();
    process.write("tag 0012AB34CD\n");
    const QByteArray line = client.collect("\r\n");
    EXPECT_EQ(line, QByteArray("0012AB34CD") + SimulatedUnit::tagMessage("0012AB34CD", false).mid(10) + "\r\n");
}

TEST_F(UnitExecutable, EventCommandOnStandardInputAddsToTheLog)
{
    const quint16 port = start({QStringLiteral("--udp"), QStringLiteral("127.0.0.3"), QStringLiteral("--port"),
                                QStringLiteral("0"), QStringLiteral("--events"), QStringLiteral("4"),
                                QStringLiteral("--records"), QStringLiteral("3")});
    ASSERT_NE(port, 0);
    const QHostAddress unit(QStringLiteral("127.0.0.3"));
    UdpClient client;
    EXPECT_EQ(client.command("a1234", unit, port), QByteArray("OK\r\n"));
    EXPECT_EQ(linesOf(client.command("e", unit, port, "\r\nOK\r\n")).size(), 4 + 2);
    process.write("event 102\n");
    QByteArray out;
    ASSERT_TRUE(waitFor([&] {
        out += process.readAllStandardOutput();
        return out.contains("event logged");
    }));
    const QList<QByteArray> lines = linesOf(client.command("e", unit, port, "\r\nOK\r\n"));
    ASSERT_EQ(lines.size(), 5 + 2);
    EXPECT_EQ(lines.at(5).mid(5, 12), QByteArray("010002FFFFFF"));
    EXPECT_FALSE(lines.at(5).mid(37).trimmed().isEmpty()) << "the client name of room 102";
}

} // namespace
