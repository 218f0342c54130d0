// The exchange against the simulated unit: log on, read and write blocks,
// directory writes with their check, over an in-process transport whose
// replies arrive in the unit's own chunks.
#include <gtest/gtest.h>

#include "codecs.h"
#include "delay.h"
#include "link.h"
#include "simulated_unit.h"
#include "unit_seed.h"
#include "unit_transport.h"

using namespace porv;

namespace {

struct UnitExchange : ::testing::Test {
    qx4::SimulatedUnit unit;
    Link link;
    std::unique_ptr<test::UnitTransport> transport;

    void SetUp() override
    {
        qx4::SeedOptions seed;
        seed.records = 3;
        qx4::seedUnit(unit, seed);
        unit.setTimeScale(0.02);
        transport = std::make_unique<test::UnitTransport>(unit);
        link.setSerialTransport(transport.get());
    }

    bool logOn(const QByteArray &pin)
    {
        link.ClearReceiveView();
        link.Transmit("a" + pin + "\r");
        return link.WaitReply(80);
    }
};

} // namespace

TEST_F(UnitExchange, PromptGivesTheModelAsFourthLine)
{
    link.ClearReceiveView();
    link.SendCommand("\r");
    Delay(500);
    EXPECT_EQ(link.ReplyLine(3).left(20), "Portavel_1000_Qx4");
}

TEST_F(UnitExchange, OnlyTheRightPinIsAcknowledged)
{
    EXPECT_FALSE(logOn("9999"));
    EXPECT_TRUE(logOn("1234"));
}

TEST_F(UnitExchange, VerifiedWriteThenReadReturnsTheData)
{
    ASSERT_TRUE(logOn("1234"));
    QByteArray data;
    for (int i = 0; i < 32; ++i)
        data += ByteToNibbles(QByteArray::number(i * 7 + 3));
    ASSERT_EQ(data.size(), 64);
    EXPECT_TRUE(link.WriteBlockVerified("0005", data));
    link.ReadBlock("0005");
    EXPECT_TRUE(link.ReplyReceived());
    EXPECT_EQ(link.ReplyLine(0).mid(5), data);
    EXPECT_EQ(unit.commandCount("p"), 1);
}

TEST_F(UnitExchange, UnitThatStoresWronglyFailsVerificationFourTimes)
{
    ASSERT_TRUE(logOn("1234"));
    unit.faults().wrongP.count = -1;
    EXPECT_FALSE(link.WriteBlockVerified("0006", QByteArray(64, '1')));
    EXPECT_EQ(unit.commandCount("p"), 4);
    EXPECT_EQ(unit.commandCount("r"), 4);
}

TEST_F(UnitExchange, DirectoryWriteIsStoredAndDumped)
{
    ASSERT_TRUE(logOn("1234"));
    EXPECT_TRUE(link.WriteDirectoryBlock("1060", "204,1234,,,0123<4,SMITH J"));
    bool found = false;
    for (const qx4::DirectoryRecord &r : unit.directoryRecords())
        if (r.address() == 0x1060) {
            found = true;
            EXPECT_EQ(r.name, "SMITH J");
            EXPECT_EQ(r.room, "204");
            EXPECT_EQ(r.code1, "1234");
            EXPECT_EQ(DecodeDigits(r.phone), "0123p4");
        }
    EXPECT_TRUE(found);
}

TEST_F(UnitExchange, DirectoryWriteWithWrongCheckIsRefused)
{
    ASSERT_TRUE(logOn("1234"));
    const int before = int(unit.directoryRecords().size());
    const QByteArray body = "b0140,5,,,,,WRONG";
    QByteArray check = Crc8(body);
    check[0] = check[0] == '0' ? '1' : '0';
    link.ClearReceiveView();
    link.SendCommand(body + check + "\r");
    EXPECT_FALSE(link.WaitReply(6));
    EXPECT_EQ(unit.directoryRecords().size(), before);
}

TEST_F(UnitExchange, ClosingSendsXAndEndsTheConnection)
{
    ASSERT_TRUE(logOn("1234"));
    link.MarkLoggedOn();
    link.CloseLink();
    Delay(50);
    EXPECT_EQ(unit.commandCount("x"), 1);
    EXPECT_FALSE(link.LoggedOn());
    EXPECT_FALSE(unit.loggedOn());
}
