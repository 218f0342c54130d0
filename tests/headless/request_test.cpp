// Requests against the simulated unit over UDP on loopback: a reply is the
// command's own, whole by its rule, however it is cut into datagrams, whatever
// an earlier command's late answer puts in front of it; silence and a reply of
// another form are named as such.
#include <gtest/gtest.h>

#include "codecs.h"
#include "eventdownload.h"
#include "headless_fixture.h"
#include "request.h"

namespace {

using porv::Reply;
using porv::ReplyOutcome;
using porv::ReplyWait;

class Requests : public headlesstest::HeadlessUnit {
protected:
    void SetUp() override
    {
        HeadlessUnit::SetUp();
        QByteArray settings(32, '\0');
        for (int i = 0; i < 32; ++i)
            settings[i] = char(0x11 * (i % 16));
        unit.setBlock(0, settings);
        ASSERT_EQ(logOn("1234").outcome, porv::LogOnOutcome::Connected);
    }

    // "r0000": its line, five characters and 64 of data, then "OK".
    Reply readSettings(int ticks = 4000)
    {
        return porv::Request(link, "r0000", porv::BlockReplyRule({{0, 69}}, ReplyWait::UpTo(ticks)));
    }
};

TEST_F(Requests, AReplyIsWholeHoweverItIsCutIntoDatagrams)
{
    const Reply whole = readSettings();
    ASSERT_EQ(whole.outcome, ReplyOutcome::Complete);
    const QByteArray line = whole.Line(0);
    QByteArray nibbles; // of the bytes 00 11 22 .. FF, twice
    for (int i = 0; i < 32; ++i)
        nibbles += QByteArray(2, porv::NibbleChar(i % 16));
    EXPECT_EQ(line.mid(5), nibbles);
    EXPECT_EQ(whole.bytes, line + "\r\nOK\r\n");

    // Cut inside the block line, between the "O" and the "K" of the closing
    // line, and before its line end (which then comes after the next command
    // went out): each time the same reply, nothing of it left behind.
    for (const int cut : {20, int(line.size()) + 3, int(line.size()) + 4}) {
        qx4::TimingSettings timing = unit.timing();
        timing.splitAfterBytes = cut;
        unit.setTiming(timing);
        int chunks = 0;
        const auto counted = QObject::connect(&link, &porv::Link::textReceived, [&chunks] { ++chunks; });
        const Reply split = readSettings();
        const Reply next = readSettings();
        QObject::disconnect(counted);
        EXPECT_EQ(split.outcome, ReplyOutcome::Complete) << cut;
        EXPECT_TRUE(split.bytes.startsWith(line + "\r\nOK")) << cut;
        EXPECT_EQ(next.outcome, ReplyOutcome::Complete) << cut;
        EXPECT_TRUE(next.bytes.startsWith(line + "\r\nOK")) << cut;
        EXPECT_GE(chunks, 2) << cut;
    }
}

TEST_F(Requests, AnEarlierCommandsLateAnswerIsNotTakenForTheReply)
{
    // The prompt's "OK" comes after the next command has gone out.
    unit.faults().promptDelayMs = 2000;
    link.SendCommand("\r");
    const Reply block = readSettings(8000);
    ASSERT_EQ(block.outcome, ReplyOutcome::Complete);
    EXPECT_TRUE(block.Line(0).startsWith("0000:")) << block.bytes.toStdString();

    // The clock read back after a setting: the prompt's late "OK" stands in
    // front of the clock's lines and is passed over at the first attempt.
    unit.faults().clockReply = "1E0A0E190C0F";
    unit.resetCounts();
    const std::optional<porv::UnitClockText> clock = porv::ReadUnitClockWhole(link);
    ASSERT_TRUE(clock.has_value());
    EXPECT_EQ(clock->time, "14:10:30");
    EXPECT_EQ(clock->date, "25/12/15");
    EXPECT_EQ(unit.commandCount("t"), 1);
}

TEST_F(Requests, SilenceAndAReplyOfAnotherFormAreNamed)
{
    unit.faults().silent = true;
    const Reply silent = readSettings(600);
    EXPECT_EQ(silent.outcome, ReplyOutcome::NoAnswer);
    EXPECT_TRUE(silent.bytes.isEmpty());
    unit.faults().silent = false;

    // A second line that is no clock, then "OK": the reply ended, not as a
    // clock's.
    unit.faults().clockReply = "12:30";
    const Reply clock = porv::Request(link, "t", porv::UnitClockRule(ReplyWait::UpTo(4000)));
    EXPECT_EQ(clock.outcome, ReplyOutcome::NotOfForm);
    EXPECT_EQ(clock.Line(1), "12:30");

    // A block line cut short of its data before the closing line.
    const Reply messages = porv::Request(link, "r0012", porv::BlockReplyRule({{0, 69}}, ReplyWait::UpTo(4000)));
    EXPECT_EQ(messages.outcome, ReplyOutcome::NotOfForm);
}

} // namespace
