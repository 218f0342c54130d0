// The parameters page's reads and writes against the simulated unit, logged
// on through the link like the window does.
#include <gtest/gtest.h>

#include "delay.h"
#include "fake_unit.h"
#include "link.h"
#include "procedures.h"
#include "simulated_unit.h"
#include "unit_transport.h"

using porv::ParametersCore;
using porv::test::RecordingShell;
using porv::test::ShownBy;

namespace {

QByteArray bytesOf(const QByteArray &nibbles)
{
    QByteArray out;
    for (int i = 0; i + 1 < nibbles.size(); i += 2)
        out += char(16 * (nibbles[i] - '0') + (nibbles[i + 1] - '0'));
    return out;
}

class ParametersWithUnit : public ::testing::Test {
protected:
    void SetUp() override
    {
        unit.setTimeScale(porv::TickScale());
        link.setNetworkTransport(&transport);
        link.ClearReceiveView();
        link.SendCommand("a1234\r");
        ASSERT_TRUE(link.WaitReply(80));
        ASSERT_TRUE(unit.loggedOn());
    }

    qx4::SimulatedUnit unit;
    porv::test::UnitTransport transport{unit};
    porv::Link link;
    RecordingShell shell;
    ParametersCore core{link, shell};
};

TEST_F(ParametersWithUnit, WriteAllStoresEveryBlock)
{
    core.fields().setText("code_g1", "123");
    core.fields().setText("msg0", "HELLO");
    core.fields().setText("spd1", "0*9#p1");
    core.WriteAll();
    ASSERT_EQ(ShownBy(core), QStringList());

    const QByteArray settings = bytesOf("0103050302141403") + QByteArray("\x0F\x00\x05\x00\x00\x01\x20\x00\x14", 9)
        + QByteArray(13, '\0') + QByteArray("\x00\x84", 2);
    EXPECT_EQ(unit.block(0), settings);
    EXPECT_EQ(unit.block(1).left(4), QByteArray("\x12\x3F\xFF\xFF"));
    EXPECT_EQ(unit.block(1).mid(4), QByteArray(28, char(0xFF)));
    EXPECT_EQ(unit.block(12).left(16), "HELLO" + QByteArray(11, char(0xFF)));
    EXPECT_EQ(unit.block(8).left(8), QByteArray("\x0A\x9B\xC1\xFF\xFF\xFF\xFF\xFF"));
    EXPECT_EQ(unit.block(9).left(3), QByteArray("\x36\x00\x5F", 3));
    EXPECT_EQ(unit.block(2).left(8), QByteArray(8, '\0'));
    EXPECT_EQ(unit.commandCount("p"), 10);
}

TEST_F(ParametersWithUnit, ReadAllShowsWhatWriteAllStored)
{
    porv::ParameterFields &a = core.fields();
    a.setText("Phs_run", "12");
    a.setText("Phs_rc", "40"); // goes out as 35
    a.setText("Cont_time", "7");
    a.setChecked("PS2_klmsg", true);
    a.setChecked("PS1_sclk", true);
    a.setChecked("Divert4AllNA", true);
    a.setChecked("rly2key", true);
    a.setText("code_sd2", "4321");
    a.setText("divert2", "0011223344556677");
    a.setText("MaskEdit3", "06:45");
    a.setText("msg3", "Scroll two");
    a.setText("msg4", "Keyless");
    core.WriteAll();
    ASSERT_EQ(ShownBy(core), QStringList());
    EXPECT_EQ(a.text("Phs_rc"), "35");

    RecordingShell shell2;
    ParametersCore fresh(link, shell2);
    fresh.ReadAllClick();
    const porv::ParameterFields &b = fresh.fields();
    for (const porv::FieldDescription &s : porv::ParameterFields::Descriptions()) {
        if (s.tab == porv::TabAccessPin || s.name == "Edit4")
            continue;
        if (s.kind == porv::FieldKind::Text || s.kind == porv::FieldKind::Time) {
            const QByteArray expected = s.kind == porv::FieldKind::Time ? porv::BlanksToZeros(a.text(s.name))
                                                                        : a.text(s.name);
            EXPECT_EQ(b.text(s.name), expected) << s.name.constData();
        } else if (s.kind == porv::FieldKind::Check || s.kind == porv::FieldKind::Radio) {
            EXPECT_EQ(b.checked(s.name), a.checked(s.name)) << s.name.constData();
        }
    }
}

TEST_F(ParametersWithUnit, UnitStoringWronglyFailsTheVerify)
{
    qx4::FaultSettings faults;
    faults.wrongP.count = -1;
    faults.wrongP.blocks = {8};
    unit.setFaults(faults);
    core.WriteSpdClick();
    EXPECT_EQ(ShownBy(core), QStringList{QStringLiteral("There was an error\r\nin writing speed Dial 1 & 2")});
    EXPECT_EQ(unit.commandCount("p"), 5); // four attempts for 0008, one for 0009

    // Write All goes on past it and names it.
    const porv::ParametersWriteReport report = core.WriteAll();
    EXPECT_TRUE(report.written);
    EXPECT_EQ(report.unconfirmed, QList<QByteArray>{"0008"});
}

TEST_F(ParametersWithUnit, SilentUnitSpendsFourAttemptsPerBlock)
{
    unit.faults().silent = true;
    core.SaveParamClick();
    EXPECT_EQ(ShownBy(core).size(), 4);
    EXPECT_EQ(unit.commandCount("p"), 16);
    EXPECT_EQ(unit.commandCount("r"), 0);
    EXPECT_FALSE(core.ReadSettings());
    EXPECT_EQ(core.UnansweredBlocks(), QStringLiteral("block 0000"));
}

TEST_F(ParametersWithUnit, PinsRoundTrip)
{
    core.fields().setText("NewPin", "1234");
    core.fields().setText("EmgyCode2", "21a5");
    core.UpDatePINClick();
    EXPECT_EQ(ShownBy(core), QStringList{QStringLiteral("NEW CODES Programmed")});
    EXPECT_EQ(unit.block(3).left(4), QByteArray("\x12\x34\xFF\xFF"));

    RecordingShell shell2;
    ParametersCore fresh(link, shell2);
    fresh.ReadPinsClick();
    EXPECT_EQ(fresh.fields().text("NewPin"), "1234");
    EXPECT_EQ(fresh.fields().text("EmgyCode2"), "21");
    EXPECT_EQ(fresh.fields().text("NewPin3"), "");
}

} // namespace
