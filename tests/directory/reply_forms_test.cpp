// The directory download read the same way whatever form the unit's reply
// takes on the wire: the whole reply in few datagrams, one line per datagram,
// small chunks split anywhere, or a serial pseudo-terminal.
#include "directory_page_fixture.h"
#include "unit_servers.h"

using namespace dirtest;

namespace {

enum class Wire { UdpWhole, UdpPerLine, UdpSevenByteChunks, PseudoTerminal };

std::string WireName(const ::testing::TestParamInfo<Wire> &info)
{
    switch (info.param) {
    case Wire::UdpWhole: return "UdpWhole";
    case Wire::UdpPerLine: return "UdpPerLine";
    case Wire::UdpSevenByteChunks: return "UdpSevenByteChunks";
    case Wire::PseudoTerminal: return "PseudoTerminal";
    }
    return "unknown";
}

class ReplyFormsTest : public DirectoryPageTest, public ::testing::WithParamInterface<Wire> {
protected:
    // A unit of 1000 records, some of them named BROOKS or OKAFOR, that goes
    // on talking after the closing line, reached over the wire form of the
    // test, logged on.
    void logOnOverTheWire()
    {
        qx4::SeedOptions seed;
        seed.records = 1000;
        seed.okNames = true;
        seed.events = 0;
        seed.tags = 0;
        qx4::seedUnit(unit, seed);
        unit.faults().linesAfterDump = {"End of directory", "Ready", ">"};
        if (GetParam() == Wire::PseudoTerminal) {
            ASSERT_TRUE(startPtyUnit()) << pty->errorString().toStdString();
            makeWindow();
            menu("ports")->actions().at(0)->trigger();
        } else {
            ASSERT_TRUE(startUdpUnit()) << udp->errorString().toStdString();
            qx4::DatagramSplit split;
            if (GetParam() == Wire::UdpPerLine)
                split.mode = qx4::DatagramSplit::Mode::PerLine;
            if (GetParam() == Wire::UdpSevenByteChunks) {
                split.mode = qx4::DatagramSplit::Mode::Chunks;
                split.chunkBytes = 7;
            }
            udp->setSplit(split);
            writeRecord(true, porv::test::UnitAddress, QByteArray());
            makeWindow();
        }
        clickLogOn({});
        ASSERT_TRUE(window->link().LoggedOn()) << lastMessage().toStdString();
    }
};

} // namespace

TEST_P(ReplyFormsTest, TheWholeDirectoryArrivesInTheUnitsOrder)
{
    logOnOverTheWire();
    const QList<qx4::DirectoryRecord> held = unit.directoryRecords();
    ASSERT_EQ(held.size(), 1000);
    bool okName = false;
    for (const qx4::DirectoryRecord &r : held)
        okName = okName || r.name.contains("OK");
    ASSERT_TRUE(okName) << "the seed holds no name with OK in it";

    clickGetData();

    ASSERT_EQ(table().RecordCount(), 1000) << window->seam().texts().join(QStringLiteral(" / ")).toStdString();
    const QList<QByteArray> names = column("Name");
    const QList<QByteArray> addresses = column("Addr");
    for (int i = 0; i < held.size(); ++i) {
        ASSERT_EQ(names.at(i), held.at(i).name) << i;
        ASSERT_EQ(addresses.at(i), QByteArray::number(held.at(i).address(), 16).toUpper()) << i;
    }
    EXPECT_TRUE(page().State().DirectorySynced);
    EXPECT_TRUE(window->seam().texts().isEmpty()) << window->seam().texts().join(QStringLiteral(" / ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Wires, ReplyFormsTest,
                         ::testing::Values(Wire::UdpWhole, Wire::UdpPerLine, Wire::UdpSevenByteChunks,
                                           Wire::PseudoTerminal),
                         WireName);
