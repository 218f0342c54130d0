// The simulated unit driven in-process: every command form the tool reads.
#include "codecs.h"
#include "probe.h"
#include "simulated_unit.h"
#include "unit_seed.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTime>

#include <gtest/gtest.h>

using namespace qx4;
using unittest::linesOf;
using unittest::Probe;

namespace {

class UnitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SeedOptions seed;
        seed.records = 5;
        seed.events = 3;
        seed.tags = 2;
        seedUnit(unit, seed);
        unit.setTimeScale(0.02);
    }

    QByteArray dataOf(const QByteArray &reply, int line = 0)
    {
        return linesOf(reply).value(line).mid(5);
    }

    QByteArray nibbles64(const QByteArray &start)
    {
        return start + QByteArray(64 - start.size(), '?');
    }

    SimulatedUnit unit;
    Probe probe{unit};
};

// --- log-on --------------------------------------------------------------------

TEST_F(UnitTest, PromptGivesTheModelLineAsFourthLineForEveryModel)
{
    const QList<QPair<Model, QByteArray>> models = {{Model::Qx4_100, "Portavel_100_Qx4"},
                                                    {Model::Qx4_200, "Portavel_200_Qx4"},
                                                    {Model::Qx4_500, "Portavel_500_Qx4"},
                                                    {Model::Qx4_1000, "Portavel_1000_Qx4"}};
    for (const auto &[model, line] : models) {
        unit.setModel(model);
        const QByteArray reply = probe.command("", "Enter PIN\r\n");
        const QList<QByteArray> lines = linesOf(reply);
        ASSERT_GE(lines.size(), 4) << reply.constData();
        EXPECT_EQ(lines.at(3), line);
        EXPECT_FALSE(reply.contains("OK")) << "a logged-off prompt is no acknowledgement";
    }
}

TEST_F(UnitTest, UnknownModelSendsItsConfiguredLineAndLimit)
{
    unit.setModel(Model::Unknown);
    unit.setUnknownModel("Portavel_300_Qx4 ", 0x3000);
    const QList<QByteArray> lines = linesOf(probe.command("", "Enter PIN\r\n"));
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.at(3), QByteArray("Portavel_300_Qx4 "));
    EXPECT_EQ(unit.memoryLimit(), 0x3000);
    EXPECT_EQ(unit.lastDirectoryBlock(), 0x3000 / 32);
}

TEST_F(UnitTest, RightPinLogsOnWrongPinDoesNot)
{
    const QByteArray wrong = probe.command("a9999", "\r\n");
    EXPECT_FALSE(wrong.contains("OK"));
    EXPECT_FALSE(unit.loggedOn());
    EXPECT_FALSE(probe.command("a12345", "\r\n").contains("OK"));
    EXPECT_FALSE(probe.command("a", "\r\n").contains("OK"));
    const QByteArray right = probe.command("a1234");
    EXPECT_TRUE(right.contains("OK\r\n"));
    EXPECT_TRUE(unit.loggedOn());
}

TEST_F(UnitTest, CommandsBeforeLogOnAreIgnoredAndChangeNothing)
{
    const QByteArray before = unit.block(1);
    const QByteArray reply = probe.commandQuiet("p0001" + nibbles64("9999"));
    EXPECT_TRUE(reply.isEmpty());
    EXPECT_EQ(unit.block(1), before);
    EXPECT_TRUE(probe.commandQuiet("r0001").isEmpty());
    EXPECT_EQ(unit.commandCount("ignored"), 2);
    ASSERT_TRUE(probe.logOn());
    EXPECT_TRUE(probe.command("r0001").contains("OK\r\n"));
}

TEST_F(UnitTest, LoggedOnPromptAnswersOkAndXLogsOff)
{
    ASSERT_TRUE(probe.logOn());
    EXPECT_EQ(probe.command(""), QByteArray("OK\r\n"));
    EXPECT_TRUE(probe.commandQuiet("x").isEmpty());
    EXPECT_FALSE(unit.loggedOn());
    EXPECT_TRUE(probe.commandQuiet("r0000").isEmpty());
    EXPECT_TRUE(probe.command("", "Enter PIN\r\n").contains("Portavel_1000_Qx4"));
}

// --- blocks ------------------------------------------------------------------------

TEST_F(UnitTest, WriteThenReadReturnsTheData)
{
    ASSERT_TRUE(probe.logOn());
    const QByteArray data = "12??????34??????:;<=>???" + QByteArray(40, '?');
    EXPECT_EQ(probe.command("p0001" + data), QByteArray("OK\r\n"));
    const QByteArray reply = probe.command("r0001");
    const QList<QByteArray> lines = linesOf(reply);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(0).size(), 5 + 64);
    EXPECT_EQ(lines.at(0).mid(5), data);
    EXPECT_EQ(lines.at(1), QByteArray("OK"));
    EXPECT_EQ(unit.block(1).left(2), QByteArray::fromHex("12FF"));
}

TEST_F(UnitTest, MessageBlocksTravelAsPlainCharacters)
{
    ASSERT_TRUE(probe.logOn());
    const QByteArray data = "HELLO" + QByteArray(11, char(0xFF)) + "OPEN 9-5" + QByteArray(8, char(0xFF));
    ASSERT_EQ(data.size(), 32);
    EXPECT_TRUE(probe.command("p0012" + data).contains("OK"));
    EXPECT_EQ(unit.block(12), data);
    EXPECT_EQ(dataOf(probe.command("r0012")), data);
}

TEST_F(UnitTest, ShortWriteKeepsTheRestOfTheBlock)
{
    ASSERT_TRUE(probe.logOn());
    const QByteArray before = unit.block(2);
    EXPECT_TRUE(probe.command("p00020730170000000000").contains("OK"));
    const QByteArray after = unit.block(2);
    EXPECT_EQ(after.left(8), QByteArray::fromHex("0730170000000000"));
    EXPECT_EQ(after.mid(8), before.mid(8));
    EXPECT_EQ(dataOf(probe.command("r0002")).left(16), QByteArray("0730170000000000"));
}

TEST_F(UnitTest, BadBlockCommandsAreRefused)
{
    ASSERT_TRUE(probe.logOn());
    const QByteArray before = unit.block(16);
    EXPECT_EQ(probe.command("p0016" + nibbles64("1"), "\r\n"), QByteArray("Error\r\n"));   // not writable
    EXPECT_EQ(unit.block(16), before);
    EXPECT_EQ(probe.command("r9999", "\r\n"), QByteArray("Error\r\n"));
    EXPECT_EQ(probe.command("r12", "\r\n"), QByteArray("Error\r\n"));
    EXPECT_EQ(probe.command("p0001" + QByteArray(66, '1'), "\r\n"), QByteArray("Error\r\n"));
    EXPECT_EQ(probe.command("zz", "\r\n"), QByteArray("Error\r\n"));
}

TEST_F(UnitTest, DumpOfParameterBlocksHasAHeadLineOneLinePerBlockAndOk)
{
    ASSERT_TRUE(probe.logOn());
    const QList<QByteArray> lines = linesOf(probe.command("d00120015"));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_NE(lines.at(0).mid(5, 7), QByteArray("WELCOME"));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(lines.at(1 + i).mid(5), unit.block(12 + i)) << i;
    EXPECT_EQ(lines.at(5), QByteArray("OK"));

    const QList<QByteArray> speed = linesOf(probe.command("d00080010"));
    ASSERT_EQ(speed.size(), 5);
    EXPECT_EQ(speed.at(1).mid(5, 16), QByteArray("36001???????????"));
    EXPECT_EQ(speed.at(2).mid(5 + 48, 16), QByteArray("36008???????????"));
    EXPECT_EQ(speed.at(3).mid(5), QByteArray(64, '?'));
}

TEST_F(UnitTest, SeededSettingsBlockHoldsTheStartValues)
{
    ASSERT_TRUE(probe.logOn());
    const QByteArray expected = QByteArray("0103050302141403") + "0?00050000012000" + "14" + QByteArray(26, '0')
        + "00" + "84";
    ASSERT_EQ(expected.size(), 64);
    EXPECT_EQ(dataOf(probe.command("r0000")), expected);
}

// --- directory ---------------------------------------------------------------------

TEST_F(UnitTest, DirectoryWriteWithRightCheckIsStoredAndDumped)
{
    unit.eraseDirectory();
    ASSERT_TRUE(probe.logOn());
    const QByteArray command = porv::AppendCheck("b0129,204,1234,,,0123456789<1,SMITH J");
    EXPECT_EQ(probe.command(command), QByteArray("OK\r\n"));
    const QList<QByteArray> lines = linesOf(probe.command("d01281152"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.at(1), QByteArray("1020,204,1234,,,0123456789<1????,SMITH J"));
    EXPECT_EQ(lines.at(2), QByteArray("OK"));
    const QList<DirectoryRecord> records = unit.directoryRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.at(0).address(), 0x1020);
    EXPECT_EQ(records.at(0).name, QByteArray("SMITH J"));
    EXPECT_EQ(records.at(0).phone, QByteArray("0123456789<1????"));
}

TEST_F(UnitTest, DirectoryWriteWithWrongCheckIsRefused)
{
    ASSERT_TRUE(probe.logOn());
    const QByteArray before = unit.block(129);
    QByteArray command = porv::AppendCheck("b0129,204,1234,,,0123456789,BROOKS");
    command[command.size() - 1] = command.at(command.size() - 1) == '0' ? '1' : '0';
    const QByteArray reply = probe.command(command, "\r\n");
    EXPECT_FALSE(reply.contains("OK")) << reply.constData();
    EXPECT_EQ(unit.block(129), before);
    EXPECT_EQ(unit.commandCount("bcheck"), 1);
}

TEST_F(UnitTest, EmptyRecordDataErasesTheRecord)
{
    ASSERT_TRUE(probe.logOn());
    ASSERT_EQ(unit.directoryRecords().size(), 5);
    EXPECT_TRUE(probe.command(porv::AppendCheck("b0130,,,,,,")).contains("OK"));
    const QList<DirectoryRecord> records = unit.directoryRecords();
    ASSERT_EQ(records.size(), 4);
    for (const DirectoryRecord &r : records)
        EXPECT_NE(r.block, 130);
    const QList<QByteArray> lines = linesOf(probe.command("d01281152"));
    EXPECT_EQ(lines.size(), 4 + 2);
    for (const QByteArray &l : lines)
        EXPECT_FALSE(l.startsWith("1040,"));
}

TEST_F(UnitTest, DirectoryWritesStopAtTheModelLimit)
{
    unit.setModel(Model::Qx4_100);    // limit 0x1D00 = block 232
    ASSERT_TRUE(probe.logOn());
    EXPECT_TRUE(probe.command(porv::AppendCheck("b0232,1,,,,1,TOP"), "\r\n").contains("OK"));
    EXPECT_FALSE(probe.command(porv::AppendCheck("b0233,2,,,,2,OVER"), "\r\n").contains("OK"));
    EXPECT_FALSE(probe.command(porv::AppendCheck("b0127,2,,,,2,UNDER"), "\r\n").contains("OK"));
    const QList<DirectoryRecord> records = unit.directoryRecords();
    ASSERT_FALSE(records.isEmpty());
    EXPECT_EQ(records.last().block, 232);
}

TEST_F(UnitTest, DirectoryDumpListsEveryRecordInUseByAddress)
{
    SeedOptions seed;
    seed.records = 60;
    seed.okNames = true;
    seedUnit(unit, seed);
    unit.setTimeScale(0.02);
    ASSERT_TRUE(probe.logOn());
    const QList<QByteArray> lines = linesOf(probe.command("d01281152", "\r\nOK\r\n"));
    ASSERT_EQ(lines.size(), 62);
    const QList<DirectoryRecord> records = unit.directoryRecords();
    ASSERT_EQ(records.size(), 60);
    bool sawOkName = false;
    for (int i = 0; i < 60; ++i) {
        const DirectoryRecord &r = records.at(i);
        const QByteArray expected = QByteArray::number(r.address(), 16).toUpper() + ',' + r.room + ',' + r.code1 + ','
            + r.code2 + ',' + r.spare + ',' + r.phone + ',' + r.name;
        EXPECT_EQ(lines.at(1 + i), expected);
        EXPECT_EQ(r.phone.size(), 16);
        EXPECT_FALSE(r.name.isEmpty());
        EXPECT_FALSE(r.room.isEmpty());
        sawOkName = sawOkName || r.name.contains("OK");
    }
    EXPECT_TRUE(sawOkName);
}

TEST_F(UnitTest, SeedWithoutOkNamesHasNoOkInTheDump)
{
    SeedOptions seed;
    seed.records = 300;
    seedUnit(unit, seed);
    unit.setTimeScale(0.02);
    ASSERT_TRUE(probe.logOn());
    const QList<QByteArray> lines = linesOf(probe.command("d01281152", "\r\nOK\r\n"));
    ASSERT_EQ(lines.size(), 302);
    for (int i = 1; i < lines.size() - 1; ++i)
        EXPECT_FALSE(lines.at(i).contains("OK")) << lines.at(i).constData();
}

TEST_F(UnitTest, EraseAcknowledgesOnlyAfterTheEraseTime)
{
    unit.setTimeScale(1.0);
    ASSERT_TRUE(probe.logOn());
    ASSERT_FALSE(unit.directoryRecords().isEmpty());
    probe.clear();
    QElapsedTimer clock;
    clock.start();
    probe.sendLine("f5a");
    ASSERT_TRUE(probe.waitForText("OK\r\n"));
    // The tool waits about 86 ms after sending before it starts listening.
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_TRUE(unit.directoryRecords().isEmpty());
    EXPECT_EQ(linesOf(probe.command("d01281152")).size(), 2);
}

// --- clock and events ----------------------------------------------------------------

TEST_F(UnitTest, ClockQueryGivesSixHexPairsOnTheSecondLine)
{
    ASSERT_TRUE(probe.logOn());
    unit.setClock(QDateTime(QDate(2015, 12, 25), QTime(14, 10, 30)));
    const QList<QByteArray> lines = linesOf(probe.command("t"));
    ASSERT_EQ(lines.size(), 3);
    const QByteArray v = lines.at(1);
    ASSERT_EQ(v.size(), 12);
    // Seconds may have moved on by one.
    EXPECT_TRUE(v.left(2) == "1E" || v.left(2) == "1F") << v.constData();
    EXPECT_EQ(v.mid(2), QByteArray("0A0E190C0F"));
}

TEST_F(UnitTest, ClockSetTakesDecimalDigits)
{
    ASSERT_TRUE(probe.logOn());
    EXPECT_TRUE(probe.command("t030509070316", "\r\n").contains("OK"));
    const QDateTime clock = unit.clock();
    EXPECT_LE(std::abs(clock.secsTo(QDateTime(QDate(2016, 3, 7), QTime(9, 5, 3)))), 2);
    const QByteArray v = linesOf(probe.command("t")).value(1);
    EXPECT_EQ(v.mid(2), QByteArray("0509070310"));

    const qint64 offset = unit.clockOffsetSeconds();
    EXPECT_FALSE(probe.command("t030509320316", "\r\n").contains("OK"));   // 32nd day
    EXPECT_FALSE(probe.command("t0305090703", "\r\n").contains("OK"));
    EXPECT_EQ(unit.clockOffsetSeconds(), offset);
}

TEST_F(UnitTest, EventLogLinesFollowTheEventLayout)
{
    QList<UnitEvent> events;
    UnitEvent room;
    room.room = "204";
    room.when = QDateTime(QDate(2015, 12, 25), QTime(14, 5, 30));
    room.relay = '2';
    room.setBy = '2';
    room.client = "SMITH J";
    events.append(room);
    UnitEvent call;
    call.origin = UnitEvent::Origin::InCall;
    call.when = room.when;
    events.append(call);
    UnitEvent button;
    button.origin = UnitEvent::Origin::Button;
    button.button = 3;
    button.when = room.when;
    events.append(button);
    UnitEvent six = room;
    six.room = "123456";
    events.append(six);
    unit.setEvents(events);
    ASSERT_TRUE(probe.logOn());

    const QList<QByteArray> lines = linesOf(probe.command("e"));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines.last(), QByteArray("OK"));
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(lines.at(i).size(), 53) << i;
    const QByteArray l = lines.at(1);
    EXPECT_EQ(l.mid(5, 12), QByteArray("020004FFFFFF"));
    EXPECT_EQ(l.mid(17, 6), QByteArray("190C0F"));
    EXPECT_EQ(l.mid(23, 6), QByteArray("0E051E"));
    EXPECT_EQ(l.at(30), '2');
    EXPECT_EQ(l.at(32), '2');
    EXPECT_EQ(l.mid(37, 16), QByteArray("SMITH J         "));
    EXPECT_EQ(lines.at(2).mid(5, 12), QByteArray("B00000000000"));
    EXPECT_EQ(lines.at(3).mid(5, 12), QByteArray("A00300000000"));
    EXPECT_EQ(lines.at(4).mid(5, 12), QByteArray("010203040506"));
}

// --- tags ------------------------------------------------------------------------

TEST_F(UnitTest, TagListHasTwoLinesEveryTagBlockTwoLinesAndOk)
{
    unit.setTagEntries({{"123", "0012AB34CD"}, {"7", "FFFFFFFFF0"}});
    ASSERT_TRUE(probe.logOn());
    const QList<QByteArray> lines = linesOf(probe.command("s14081535", "\r\nOK\r\n"));
    ASSERT_EQ(lines.size(), 2 + 128 + 2);
    EXPECT_EQ(lines.last(), QByteArray("OK"));
    EXPECT_FALSE(lines.at(lines.size() - 2).contains("OK"));
    for (int i = 2; i < 130; ++i)
        EXPECT_EQ(lines.at(i).size(), 5 + 64) << i;
    EXPECT_EQ(lines.at(2).mid(5, 32), QByteArray("123???0012:;34<=") + "7" + QByteArray(14, '?') + "0");
    EXPECT_EQ(lines.at(3).mid(5), QByteArray(64, '?'));
}

TEST_F(UnitTest, TagWriteIsStoredAndReadBack)
{
    ASSERT_TRUE(probe.logOn());
    const QByteArray data = nibbles64("12????0012:;34<=");
    const QList<QByteArray> lines = linesOf(probe.command("g1409" + data));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(1), QByteArray("OK"));
    EXPECT_EQ(dataOf(probe.command("r1409")), data);
    bool found = false;
    for (const auto &t : unit.tagEntries())
        found = found || (t.room == "12" && t.code == "0012AB34CD");
    EXPECT_TRUE(found);
    EXPECT_FALSE(probe.command("g0100" + data, "\r\n").contains("OK"));   // not a tag block
}

TEST_F(UnitTest, TagEraseClearsEveryTagBlock)
{
    ASSERT_TRUE(probe.logOn());
    ASSERT_FALSE(unit.tagEntries().isEmpty());
    EXPECT_EQ(probe.command("c1418"), QByteArray("OK\r\n"));
    EXPECT_TRUE(unit.tagEntries().isEmpty());
    for (int b = kTagFirst; b <= kTagLast; ++b)
        ASSERT_EQ(unit.block(b), QByteArray(32, char(0xFF)));
}

TEST_F(UnitTest, ReadTagSendsTheCodeWithItsExclusiveOrCheck)
{
    ASSERT_TRUE(unit.presentTag("0012AB34CD"));
    ASSERT_TRUE(probe.waitForText("\r\n"));
    const QByteArray line = linesOf(probe.received).value(0);
    ASSERT_EQ(line.size(), 12);
    EXPECT_EQ(line.left(10), QByteArray("0012AB34CD"));
    const int check = 0x00 ^ 0x12 ^ 0xAB ^ 0x34 ^ 0xCD;
    EXPECT_EQ(line.mid(10).toInt(nullptr, 16), check);

    probe.clear();
    ASSERT_TRUE(unit.presentTag("0012AB34CD", true));
    ASSERT_TRUE(probe.waitForText("\r\n"));
    const QByteArray bad = linesOf(probe.received).value(0);
    EXPECT_EQ(bad.left(10), QByteArray("0012AB34CD"));
    EXPECT_NE(bad.mid(10).toInt(nullptr, 16), check);

    EXPECT_FALSE(unit.presentTag("XYZ"));
    EXPECT_FALSE(unit.presentTag("00112233445"));
    probe.clear();
    ASSERT_TRUE(unit.presentTag("12AB"));
    ASSERT_TRUE(probe.waitForText("\r\n"));
    EXPECT_TRUE(probe.received.startsWith("00000012AB"));
}

// --- input handling ----------------------------------------------------------------

TEST_F(UnitTest, CommandsArriveInAnyChunking)
{
    ASSERT_TRUE(probe.logOn());
    probe.clear();
    const QByteArray text = "r0001\r";
    for (char c : text)
        unit.receive(QByteArray(1, c));
    ASSERT_TRUE(probe.waitForText("OK\r\n"));
    EXPECT_EQ(linesOf(probe.received).size(), 2);
    EXPECT_EQ(unit.commandCount("r"), 1);
}

TEST_F(UnitTest, LineFeedIsToleratedAndCrLfIsOneLineEnd)
{
    ASSERT_TRUE(probe.logOn());
    probe.clear();
    unit.receive("r0001\n");
    ASSERT_TRUE(probe.waitForText("OK\r\n"));
    probe.clear();
    unit.receive("r0002\r\n");
    ASSERT_TRUE(probe.waitForText("OK\r\n"));
    unittest::settle(50);
    EXPECT_EQ(unit.commandCount("r"), 2);
    EXPECT_EQ(unit.commandCount("prompt"), 0);
}

TEST_F(UnitTest, RepliesComeLaterAndInCommandOrder)
{
    ASSERT_TRUE(probe.logOn());
    probe.clear();
    unit.receive("r0008\rr0009\rr0001\r");
    EXPECT_TRUE(probe.received.isEmpty()) << "no answer inside receive()";
    ASSERT_TRUE(unittest::waitFor([&] { return probe.received.count("OK\r\n") == 3; }));
    const QList<QByteArray> lines = linesOf(probe.received);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines.at(0).mid(5).startsWith("36001"));
    EXPECT_TRUE(lines.at(2).mid(5).startsWith("36005"));
    EXPECT_TRUE(lines.at(4).mid(5).startsWith("1234"));
}

TEST_F(UnitTest, OverlongLinesAreDroppedAndTheUnitGoesOn)
{
    ASSERT_TRUE(probe.logOn());
    unit.receive(QByteArray(5000, 'p'));
    unit.receive("\r");
    unittest::settle(20);
    EXPECT_EQ(unit.commandCount("overlong"), 1);
    EXPECT_EQ(unit.commandCount("p"), 0);
    EXPECT_TRUE(probe.command("r0001").contains("OK\r\n"));
}

TEST_F(UnitTest, CountsAndLastCommandsAreKept)
{
    ASSERT_TRUE(probe.logOn());
    probe.command("r0001");
    probe.command("r0002");
    probe.command("d00120015");
    EXPECT_EQ(unit.commandCount("a"), 1);
    EXPECT_EQ(unit.commandCount("r"), 2);
    EXPECT_EQ(unit.commandCount("d"), 1);
    const QList<QByteArray> last = unit.lastCommands();
    ASSERT_GE(last.size(), 3);
    EXPECT_EQ(last.at(last.size() - 1), QByteArray("d00120015"));
    EXPECT_EQ(last.at(last.size() - 2), QByteArray("r0002"));
}

// --- faults ------------------------------------------------------------------------

TEST_F(UnitTest, SilentUnitNeverAnswers)
{
    unit.faults().silent = true;
    EXPECT_TRUE(probe.commandQuiet("").isEmpty());
    EXPECT_TRUE(probe.commandQuiet("a1234").isEmpty());
    EXPECT_EQ(unit.commandCount("prompt"), 1);
}

TEST_F(UnitTest, SlowUnitAnswersLater)
{
    unit.setTimeScale(1.0);
    unit.faults().extraDelayMs = 400;
    probe.clear();
    QElapsedTimer clock;
    clock.start();
    probe.sendLine("a1234");
    ASSERT_TRUE(probe.waitForText("OK\r\n"));
    EXPECT_GE(clock.elapsed(), 350);
}

TEST_F(UnitTest, DroppedLinesAreMissingFromTheReply)
{
    ASSERT_TRUE(probe.logOn());
    unit.repairLink();
    unit.faults().dropEveryNthLine = 2;
    const QList<QByteArray> lines = linesOf(probe.commandQuiet("d00120015"));
    // Six lines were sent; the 2nd, 4th and 6th (the "OK") are lost.
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.at(0), QByteArray("d00120015"));
    EXPECT_EQ(lines.at(1).mid(5), unit.block(13));
    EXPECT_EQ(lines.at(2).mid(5), unit.block(15));
}

TEST_F(UnitTest, CorruptedBytesDifferFromTheTrueReply)
{
    ASSERT_TRUE(probe.logOn());
    const QByteArray clean = probe.command("r0008");
    unit.repairLink();
    unit.faults().corruptEveryNthByte = 10;
    const QByteArray dirty = probe.commandQuiet("r0008");
    ASSERT_EQ(dirty.size(), clean.size());
    for (int i = 0; i < clean.size(); ++i) {
        if ((i + 1) % 10 == 0)
            EXPECT_NE(dirty.at(i), clean.at(i)) << i;
        else
            EXPECT_EQ(dirty.at(i), clean.at(i)) << i;
    }
}

TEST_F(UnitTest, BrokenLinkGoesSilentAfterNLines)
{
    ASSERT_TRUE(probe.logOn());
    unit.repairLink();
    unit.faults().breakAfterLines = 3;
    const QList<QByteArray> lines = linesOf(probe.commandQuiet("d00120015"));
    EXPECT_EQ(lines.size(), 3);
    EXPECT_TRUE(probe.commandQuiet("").isEmpty());
    unit.faults().breakAfterLines = 0;
    unit.repairLink();
    EXPECT_EQ(probe.command(""), QByteArray("OK\r\n"));
}

TEST_F(UnitTest, FallsSilentForGoodAfterNWrites)
{
    ASSERT_TRUE(probe.logOn());
    unit.faults().silentAfterWrites = 2;
    EXPECT_EQ(probe.command("p0008" + nibbles64("1")), QByteArray("OK\r\n"));
    EXPECT_TRUE(probe.command(porv::AppendCheck("b0200,55,,,,1,A")).contains("OK"));
    const QByteArray before = unit.block(9);
    EXPECT_TRUE(probe.commandQuiet("p0009" + nibbles64("2")).isEmpty());
    EXPECT_EQ(unit.block(9), before) << "a silent unit stores nothing";
    EXPECT_TRUE(probe.commandQuiet("r0009").isEmpty());
    EXPECT_TRUE(probe.commandQuiet("").isEmpty());
    unit.faults().silentAfterWrites = 0;
    unit.repairLink();
    EXPECT_EQ(probe.command(""), QByteArray("OK\r\n"));
}

TEST_F(UnitTest, OdditiesAreListedAsTheUnitHoldsThem)
{
    SeedOptions seed;
    seed.records = 6;
    seed.tags = 2;
    seed.oddities = true;
    seedUnit(unit, seed);
    ASSERT_TRUE(probe.logOn());
    const QList<QByteArray> dump = linesOf(probe.command("d01281152"));
    ASSERT_EQ(dump.size(), 8);
    EXPECT_TRUE(dump.at(2).endsWith(',' + unit.directoryRecords().at(1).name));
    EXPECT_TRUE(unit.directoryRecords().at(1).name.contains(", "));
    EXPECT_TRUE(dump.at(3).contains(",0=>1234?????????,")) << dump.at(3).toStdString();
    EXPECT_TRUE(dump.at(4).contains(",0123?456????????,")) << dump.at(4).toStdString();
    EXPECT_EQ(dataOf(probe.command("r0014")), QByteArray("HELLO\x07WORLD\xFFXY") + QByteArray(18, char(0xFF)));
    EXPECT_EQ(dataOf(probe.command("r0001")).mid(16), QByteArray("12?4????????????????????????????0123456789:;<=>?"));
    EXPECT_EQ(dataOf(probe.command("r0000")).mid(20, 4), QByteArray("0701"));
    EXPECT_EQ(dataOf(probe.command("r0004")).left(8), QByteArray("40????43"));
    EXPECT_EQ(dataOf(probe.command("r1535")).left(16), QByteArray("555????000000000"));
}

TEST_F(UnitTest, GCanAnswerErrorAndStoresNothing)
{
    ASSERT_TRUE(probe.logOn());
    unit.faults().gError.count = 1;
    const QByteArray data = nibbles64("5?????0123456789");
    const QByteArray before = unit.block(1410);
    QList<QByteArray> lines = linesOf(probe.command("g1410" + data, "Error\r\n"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(1), QByteArray("Error"));
    EXPECT_EQ(unit.block(1410), before);
    lines = linesOf(probe.command("g1410" + data));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.at(1), QByteArray("OK"));
    EXPECT_EQ(dataOf(probe.command("r1410")), data);
}

TEST_F(UnitTest, RefusedDirectoryWritesForAChosenBlockSet)
{
    ASSERT_TRUE(probe.logOn());
    unit.faults().refuseB.count = -1;
    unit.faults().refuseB.blocks = {200};
    const QByteArray before = unit.block(200);
    EXPECT_FALSE(probe.commandQuiet(porv::AppendCheck("b0200,55,,,,1,LEE")).contains("OK"));
    EXPECT_FALSE(probe.commandQuiet(porv::AppendCheck("b0200,55,,,,1,LEE")).contains("OK"));
    EXPECT_EQ(unit.block(200), before);
    EXPECT_TRUE(probe.command(porv::AppendCheck("b0201,56,,,,1,LEE")).contains("OK"));
}

TEST_F(UnitTest, RefusedDirectoryWritesForACount)
{
    ASSERT_TRUE(probe.logOn());
    unit.faults().refuseB.count = 2;
    EXPECT_FALSE(probe.commandQuiet(porv::AppendCheck("b0200,55,,,,1,A")).contains("OK"));
    EXPECT_FALSE(probe.commandQuiet(porv::AppendCheck("b0201,56,,,,1,B")).contains("OK"));
    EXPECT_TRUE(probe.command(porv::AppendCheck("b0202,57,,,,1,C")).contains("OK"));
    EXPECT_EQ(unit.directoryRecords().last().name, QByteArray("C"));
    EXPECT_EQ(unit.directoryRecords().size(), 6);
}

TEST_F(UnitTest, EraseThatIsNeverAcknowledgedStillErases)
{
    ASSERT_TRUE(probe.logOn());
    unit.faults().neverAckErase = true;
    EXPECT_FALSE(probe.commandQuiet("f5a", 100).contains("OK"));
    EXPECT_TRUE(unit.directoryRecords().isEmpty());
}

TEST_F(UnitTest, WrongPWritesAreAcknowledgedButReadBackDiffers)
{
    ASSERT_TRUE(probe.logOn());
    unit.faults().wrongP.count = -1;
    unit.faults().wrongP.blocks = {8};
    const QByteArray data = nibbles64("0:9;<1");
    EXPECT_EQ(probe.command("p0008" + data), QByteArray("OK\r\n"));
    EXPECT_NE(dataOf(probe.command("r0008")), data);
    EXPECT_EQ(probe.command("p0009" + data), QByteArray("OK\r\n"));
    EXPECT_EQ(dataOf(probe.command("r0009")), data);
}

// --- modem -------------------------------------------------------------------------

TEST_F(UnitTest, ModemAnswersAtCommandsAndConnectsAfterDialling)
{
    unit.setModemEnabled(true);
    unit.setTimeScale(1.0);
    TimingSettings t = unit.timing();
    t.connectDelayMs = 400;
    unit.setTiming(t);

    QByteArray reply = probe.command("atz");
    EXPECT_TRUE(reply.contains("OK\r\n"));
    EXPECT_TRUE(reply.startsWith("atz\r")) << "echo is on after a reset";
    reply = probe.command("ate0");
    EXPECT_TRUE(reply.contains("OK\r\n"));
    reply = probe.command("atz");
    EXPECT_FALSE(reply.contains("atz")) << "no echo after ate0";
    reply = probe.command("ate0");
    EXPECT_TRUE(reply.startsWith("ate0\r")) << "the reset turned echo on again";
    reply = probe.command("ate0");
    EXPECT_FALSE(reply.contains("ate0"));

    // Before the call is up the unit is not reached.
    EXPECT_TRUE(probe.commandQuiet("").isEmpty());
    probe.clear();
    QElapsedTimer clock;
    clock.start();
    probe.sendLine("atd0211234567");
    ASSERT_TRUE(probe.waitForText("CONNECT"));
    EXPECT_GE(clock.elapsed(), 350) << "the call takes the configured time to come up";
    EXPECT_TRUE(unit.modemConnected());
    EXPECT_TRUE(probe.command("", "Enter PIN\r\n").contains("Portavel_1000_Qx4"));
    ASSERT_TRUE(probe.logOn());
    EXPECT_TRUE(probe.command("x", "NO CARRIER").contains("NO CARRIER"));
    EXPECT_FALSE(unit.modemConnected());
    EXPECT_FALSE(unit.loggedOn());
}

TEST_F(UnitTest, WithoutAModemAtCommandsGetNoAnswer)
{
    EXPECT_TRUE(probe.commandQuiet("atz").isEmpty());
    EXPECT_EQ(unit.commandCount("atz"), 1);
    EXPECT_FALSE(unit.loggedOn());
}

} // namespace
