// The network and serial transports, the port list and the remembered-details
// record, without the window.
#include <QFile>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "delay.h"
#include "failures.h"
#include "portlist.h"
#include "private_environment.h"
#include "remembered.h"
#include "serialtransport.h"
#include "simulated_unit.h"
#include "udptransport.h"
#include "unit_servers.h"
#include "waiting.h"

using porv::test::Pump;
using porv::test::WaitFor;

namespace {

std::unique_ptr<QUdpSocket> Sender(const char *address)
{
    auto s = std::make_unique<QUdpSocket>();
    EXPECT_TRUE(s->bind(QHostAddress(QLatin1String(address)), 8000,
                        QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    return s;
}

// Where the tool's network link listens in the tests.
QHostAddress ToolSide() { return QHostAddress(QLatin1String(porv::test::ToolAddress)); }

struct Received {
    QList<QByteArray> calls;
    void attach(porv::Transport &t)
    {
        QObject::connect(&t, &porv::Transport::received, &t, [this](const QByteArray &c) { calls << c; });
    }
};

} // namespace

TEST(ShellNetworkLink, DatagramsFromAnotherSenderAreDroppedInTheSamePoll)
{
    porv::UdpTransport link;
    ASSERT_TRUE(link.open(QLatin1String(porv::test::UnitAddress)));
    Received got;
    got.attach(link);
    auto unitSocket = Sender(porv::test::UnitAddress);
    auto stranger = Sender("127.0.0.3");
    unitSocket->writeDatagram("from unit\r\n", ToolSide(), 8000);
    stranger->writeDatagram("stranger\r\n", ToolSide(), 8000);
    unitSocket->writeDatagram("OK\r\n", ToolSide(), 8000);
    Pump(50);
    ASSERT_TRUE(link.Poll());
    ASSERT_EQ(got.calls.size(), 1);
    EXPECT_EQ(got.calls.at(0), QByteArray("from unit\r\nOK\r\n"));
    EXPECT_FALSE(link.Poll());
    EXPECT_EQ(got.calls.size(), 1);
}

TEST(ShellNetworkLink, ABurstOfDatagramsReachesOnePollWhole)
{
    porv::UdpTransport link;
    ASSERT_TRUE(link.open(QLatin1String(porv::test::UnitAddress)));
    Received got;
    got.attach(link);
    auto unitSocket = Sender(porv::test::UnitAddress);
    QByteArray expected;
    // Sent in bursts with the window's loop running between them, as a unit
    // sends a long dump while the tool waits.
    for (int i = 0; i < 1024; ++i) {
        const QByteArray line = QByteArray::number(4096 + i * 32, 16).toUpper() + ":record " + QByteArray::number(i) + "\r\n";
        expected += line;
        unitSocket->writeDatagram(line, ToolSide(), 8000);
        if (i % 128 == 127)
            Pump(5);
    }
    Pump(50);
    ASSERT_TRUE(link.Poll());
    ASSERT_EQ(got.calls.size(), 1);
    EXPECT_EQ(got.calls.at(0), expected);
}

TEST(ShellNetworkLink, AHostNameIsResolvedWhenTheLinkOpens)
{
    porv::UdpTransport link;
    ASSERT_TRUE(link.open(QStringLiteral("localhost")));
    EXPECT_EQ(link.remoteAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
    Received got;
    got.attach(link);
    // Replies from the resolved address are the unit's.
    QUdpSocket unitSocket;
    ASSERT_TRUE(unitSocket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    unitSocket.writeDatagram("OK\r\n", ToolSide(), 8000);
    Pump(30);
    EXPECT_TRUE(link.Poll());
    ASSERT_EQ(got.calls.size(), 1);
}

TEST(ShellNetworkLink, WritesGoToTheUnitAndCloseReleasesThePort)
{
    porv::UdpTransport link;
    ASSERT_TRUE(link.open(QLatin1String(porv::test::UnitAddress)));
    auto unitSocket = Sender(porv::test::UnitAddress);
    link.write("r0000\r");
    ASSERT_TRUE(WaitFor([&] { return unitSocket->hasPendingDatagrams(); }));
    const QNetworkDatagram d = unitSocket->receiveDatagram();
    EXPECT_EQ(d.data(), QByteArray("r0000\r"));
    EXPECT_EQ(d.senderPort(), 8000);
    // From the suite's own address, so that the unit's replies go to the test
    // and not to a copy of the tool in use, bound to all interfaces.
    EXPECT_EQ(d.senderAddress(), ToolSide());
    link.close();
    EXPECT_FALSE(link.isOpen());
    link.write("x\r"); // nothing goes out when closed
    Pump(20);
    EXPECT_FALSE(unitSocket->hasPendingDatagrams());
}

TEST(ShellSerialLink, MissingPortDoesNotOpen)
{
    porv::SerialTransport port;
    port.setPortName(QStringLiteral("/dev/no-such-port-here"));
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(port.isOpen());
}

TEST(ShellSerialLink, TalksToThePseudoTerminalAndClosesCleanlyWhenItGoesAway)
{
    qx4::SimulatedUnit unit;
    unit.setTimeScale(porv::TickScale());
    qx4::PtyUnitServer server(&unit);
    ASSERT_TRUE(server.open()) << server.errorString().toStdString();
    porv::SerialTransport port;
    port.setPortName(server.slavePath());
    ASSERT_TRUE(port.open()) << port.errorString().toStdString();
    Received got;
    got.attach(port);
    port.write("\r");
    ASSERT_TRUE(WaitFor([&] { return got.calls.join().contains(unit.modelLine()); }));
    EXPECT_EQ(unit.commandCount("prompt"), 1);
    port.close();
    EXPECT_FALSE(port.isOpen());
    port.write("x\r"); // nothing happens on a closed port
}

TEST(ShellPortList, NinePortsThenWiFi)
{
    QStringList names;
    for (int i = 0; i < 12; ++i)
        names << QStringLiteral("COM%1").arg(i + 1);
    const QStringList table = porv::PortTable(names);
    ASSERT_EQ(table.size(), 10);
    EXPECT_EQ(table.at(8), QStringLiteral("COM9"));
    EXPECT_EQ(table.last(), QStringLiteral("WiFi"));
    EXPECT_EQ(porv::PortTable({}), QStringList({QStringLiteral("WiFi")}));
}

TEST(ShellPortList, RememberedNameSelectsExactOrOnlyBeginning)
{
    const QStringList table = {QStringLiteral("COM1234"), QStringLiteral("COM123"), QStringLiteral("WiFi")};
    EXPECT_EQ(porv::FindRememberedEntry(table, QStringLiteral("COM123")), 1);
    const QStringList longOnly = {QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0"), QStringLiteral("WiFi")};
    EXPECT_EQ(porv::FindRememberedEntry(longOnly, QStringLiteral("ttyUSB")), 1);
    const QStringList twoBeginnings = {QStringLiteral("ttyUSB1"), QStringLiteral("ttyUSB10"), QStringLiteral("WiFi")};
    EXPECT_EQ(porv::FindRememberedEntry(twoBeginnings, QStringLiteral("ttyUSB")), -1);
    EXPECT_EQ(porv::FindRememberedEntry(longOnly, QStringLiteral("WiFi")), 2);
    EXPECT_EQ(porv::FindRememberedEntry(longOnly, QStringLiteral("COM1")), -1);
    EXPECT_EQ(porv::FindRememberedEntry(longOnly, QString()), -1);
}

TEST(ShellRemembered, HasThe77ByteLayout)
{
    porv::RememberedDetails r;
    r.setPin("1234");
    r.setNumber("01234567890123456789"); // cut to 16
    r.setRemember(true);
    r.setRemote(true);
    r.setNetwork(false);
    r.setPortName("ttyUSB0"); // cut to 6
    r.setAddress("192.168.1.40");
    const QByteArray b = r.bytes();
    ASSERT_EQ(b.size(), 77);
    EXPECT_EQ(b.at(0), 4);
    EXPECT_EQ(b.mid(1, 4), QByteArray("1234"));
    EXPECT_EQ(b.at(17), 16);
    EXPECT_EQ(b.mid(18, 16), QByteArray("0123456789012345"));
    EXPECT_EQ(b.at(34), 1);
    EXPECT_EQ(b.at(35), 1);
    EXPECT_EQ(b.at(36), 0);
    EXPECT_EQ(b.at(37), 6);
    EXPECT_EQ(b.mid(38, 6), QByteArray("ttyUSB"));
    EXPECT_EQ(b.at(44), 12);
    EXPECT_EQ(b.mid(45, 12), QByteArray("192.168.1.40"));
    EXPECT_EQ(r.number(), QByteArray("0123456789012345"));
}

TEST(ShellRemembered, ShortFileFillsTheStartAndOverlongLengthsAreBounded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Porvdata.ini"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x03" "987", 4));
    }
    porv::RememberedDetails r;
    r.setAddress("10.0.0.1");
    ASSERT_TRUE(r.load(path));
    EXPECT_EQ(r.pin(), QByteArray("987"));
    EXPECT_EQ(r.address(), QByteArray("10.0.0.1")); // kept from before
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray bad(77, 'A');
        bad[0] = char(200);
        bad[44] = char(255);
        f.write(bad);
    }
    porv::RememberedDetails damaged;
    ASSERT_TRUE(damaged.load(path));
    EXPECT_EQ(damaged.pin().size(), 16);
    EXPECT_EQ(damaged.address().size(), 32);
    EXPECT_FALSE(porv::RememberedDetails().load(dir.filePath(QStringLiteral("missing.ini"))));
}

TEST(ShellRemembered, IsWrittenForItsOwnerOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Porvdata.ini"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                         | QFileDevice::ReadOther);
    }
    porv::RememberedDetails r;
    r.setPin("4321");
    r.save(path);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), r.bytes());
}

TEST(ShellRemembered, AFileThatCannotBeCreatedThrowsFileError)
{
    QTemporaryDir dir;
    porv::RememberedDetails r;
    EXPECT_THROW(r.save(dir.filePath(QStringLiteral("no-such-folder/Porvdata.ini"))), porv::FileError);
}
