// The command exchange: reply assembly, waits and the block operations.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "codecs.h"
#include "delay.h"
#include "failures.h"
#include "link.h"
#include "scripted_transport.h"

using namespace porv;
using porv::test::CountStartingWith;
using porv::test::ScriptedTransport;

namespace {

struct Exchange : ::testing::Test {
    Link link;
    ScriptedTransport serial;
    QList<QByteArray> shown;

    void SetUp() override
    {
        link.setSerialTransport(&serial);
        QObject::connect(&link, &Link::commandShown, [this](const QByteArray &t) { shown.append(t); });
    }
};

} // namespace

TEST_F(Exchange, OkInOnePieceCompletesTheLine)
{
    link.ReceiveText("\r\nOK\r\n");
    EXPECT_TRUE(link.ReplyReceived());
    EXPECT_TRUE(link.LineBuffer().isEmpty());
    EXPECT_TRUE(link.DataSeen());
}

TEST_F(Exchange, OkSplitAcrossChunks)
{
    link.ReceiveText("O");
    EXPECT_FALSE(link.ReplyReceived());
    link.ReceiveText("K\r\n");
    EXPECT_TRUE(link.ReplyReceived());
}

TEST_F(Exchange, TextAfterLineEndStartsTheNextLine)
{
    // A chunk may end between "O" and "K" after a completed line.
    link.ReceiveText("r0005 data\r\nO");
    EXPECT_FALSE(link.ReplyReceived());
    EXPECT_EQ(link.LineBuffer(), "O");
    link.ReceiveText("K\r\n");
    EXPECT_TRUE(link.ReplyReceived());
    EXPECT_EQ(link.ReplyLines(), (QList<QByteArray>{"r0005 data", "OK"}));
}

TEST_F(Exchange, LaterPieceWithoutOkClearsTheFlag)
{
    link.ReceiveText("OK\r\n");
    link.ReceiveText("more");
    EXPECT_FALSE(link.ReplyReceived());
}

TEST_F(Exchange, NulBytesAreRemovedEverywhere)
{
    link.ReceiveText(QByteArray("O\0K", 3));
    EXPECT_TRUE(link.ReplyReceived());
    EXPECT_EQ(link.RxBuffer(), "OK");
    EXPECT_EQ(link.ReceiveView(), "OK");
}

TEST_F(Exchange, CountModeCountsLinesAndShowsOnlyTheCount)
{
    link.BeginBulkReply();
    link.ReceiveText("first\r\n");
    link.ReceiveText("second\r\nthi");
    link.ReceiveText("rd\r\n");
    EXPECT_EQ(link.LineCount(), 3);
    EXPECT_EQ(link.ReceiveView(), "3");
    EXPECT_EQ(link.RxBuffer(), "first\r\nsecond\r\nthird\r\n");
    // Several lines in one chunk each count.
    link.ReceiveText("a\r\nb\r\n");
    EXPECT_EQ(link.ReceiveView(), "5");
}

TEST_F(Exchange, ConnectOnlyInRemoteMode)
{
    link.ReceiveText("CONNECT 9600\r\n");
    EXPECT_FALSE(link.ModemConnected());
    link.SetRemoteMode(true);
    link.ReceiveText("CONNECT 9600\r\n");
    EXPECT_TRUE(link.ModemConnected());
}

TEST_F(Exchange, ReplyLinesSplitAtCrLfOnly)
{
    link.ReceiveText("a\rb\r\n\r\nc");
    EXPECT_EQ(link.ReplyLines(), (QList<QByteArray>{"a\rb", "", "c"}));
    EXPECT_EQ(link.ReplyLine(7), "");
    EXPECT_EQ(link.ReplyLine(-1), "");
}

TEST_F(Exchange, BuffersAreBounded)
{
    const QByteArray big(1024 * 1024, 'x');
    for (int i = 0; i < 10; ++i)
        link.ReceiveText(big);
    EXPECT_LE(link.RxBuffer().size(), Link::MaxReceived);
    EXPECT_LE(link.ReceiveView().size(), Link::MaxReceived);
    EXPECT_LE(link.LineBuffer().size(), Link::MaxReceived);
}

TEST_F(Exchange, WaitReplyWaitsOneWholePollAtLeast)
{
    link.ReceiveText("OK\r\n");
    // The reply is already complete, but the flag is cleared and looked at
    // only after the first poll.
    serial.post({"\r\nOK\r\n"});
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(link.WaitReply(1));
    EXPECT_GE(t.nsecsElapsed(), qint64(100 * TickNanoseconds * TickScale() * 0.9));
}

TEST_F(Exchange, WaitReplyRunsItsBudgetWhenSilent)
{
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.WaitReply(3));
    EXPECT_GE(t.nsecsElapsed(), qint64(300 * TickNanoseconds * TickScale() * 0.9));
}

TEST_F(Exchange, WaitReplyTakesLastReplyFromLineOne)
{
    serial.post({"t\r\n", "0A0B0C0D0E0F\r\nOK\r\n"});
    EXPECT_TRUE(link.WaitReply(5));
    EXPECT_EQ(link.LastReply(), "0A0B0C0D0E0F");
}

TEST_F(Exchange, SendCommandShowsAndResetsKeepAlive)
{
    serial.post({"r\r\nold\r\n"});
    link.WaitReply(1);
    ASSERT_EQ(link.LastReply(), "old");
    for (int second = 0; second < 9; ++second)
        link.CountKeepAliveSecond(15);
    ASSERT_EQ(link.KeepAliveCount(), 9);
    link.SendCommand("r0005\r");
    EXPECT_EQ(link.KeepAliveCount(), 0);
    EXPECT_TRUE(link.LastReply().isEmpty());
    EXPECT_EQ(shown, (QList<QByteArray>{"r0005\r"}));
    EXPECT_EQ(serial.written, (QList<QByteArray>{"r0005\r"}));
}

TEST_F(Exchange, ReadBlockLeavesTheReplyInTheLines)
{
    serial.setAnswer([](const QByteArray &w) -> QList<QByteArray> {
        if (w == "r0005\r")
            return {"R0005", "0102030405\r", "\nOK\r\n"};
        return {};
    });
    link.ReadBlock("0005");
    EXPECT_TRUE(link.ReplyReceived());
    EXPECT_EQ(link.ReplyLine(0), "R00050102030405");
    EXPECT_EQ(link.ReplyLine(1), "OK");
}

TEST_F(Exchange, VerifyComparesDataAfterFiveCharacters)
{
    serial.setAnswer([](const QByteArray &) -> QList<QByteArray> { return {"R0007ABCDEFGH\r\nOK\r\n"}; });
    EXPECT_TRUE(link.VerifyBlock("0007", "ABCD"));
    EXPECT_TRUE(link.VerifyBlock("0007", QByteArray("ABCD\0ZZ", 7)) == false);
    EXPECT_FALSE(link.VerifyBlock("0007", "ABCX"));
}

TEST_F(Exchange, VerifyAgainstSilenceFailsUnlessNothingExpected)
{
    EXPECT_FALSE(link.VerifyBlock("0007", "AB"));
    EXPECT_TRUE(link.VerifyBlock("0007", ""));
}

TEST_F(Exchange, WriteBlockVerifiedReadsBackAfterOk)
{
    QByteArray stored;
    serial.setAnswer([&stored](const QByteArray &w) -> QList<QByteArray> {
        if (w.startsWith("p0007")) {
            stored = w.mid(5, w.size() - 6);
            return {"\r\nOK\r\n"};
        }
        if (w == "r0007\r")
            return {"r0007" + stored + "\r\n", "OK\r\n"};
        return {};
    });
    EXPECT_TRUE(link.WriteBlockVerified("0007", "0102"));
    EXPECT_EQ(CountStartingWith(serial.written, "p0007"), 1);
    EXPECT_EQ(CountStartingWith(serial.written, "r0007"), 1);
}

TEST_F(Exchange, UnacknowledgedWriteIsTriedFourTimesWithoutReadBack)
{
    EXPECT_FALSE(link.WriteBlockVerified("0007", "0102"));
    EXPECT_EQ(CountStartingWith(serial.written, "p0007"), 4);
    EXPECT_EQ(CountStartingWith(serial.written, "r"), 0);
}

TEST_F(Exchange, WrongReadBackIsRetriedFourTimes)
{
    serial.setAnswer([](const QByteArray &w) -> QList<QByteArray> {
        if (w.startsWith("p"))
            return {"OK\r\n"};
        return {"r0007XXXX\r\nOK\r\n"};
    });
    EXPECT_FALSE(link.WriteBlockVerified("0007", "0102"));
    EXPECT_EQ(CountStartingWith(serial.written, "p0007"), 4);
    EXPECT_EQ(CountStartingWith(serial.written, "r0007"), 4);
}

TEST_F(Exchange, PinBlockNeverReachesTheStatusBar)
{
    EXPECT_FALSE(link.WriteBlockVerified("0003", "1234????"));
    EXPECT_EQ(CountStartingWith(serial.written, "p0003"), 4);
    for (const QByteArray &s : shown)
        EXPECT_FALSE(s.startsWith("p0003")) << s.constData();
}

TEST_F(Exchange, DirectoryBlockNumberAndCheck)
{
    EXPECT_EQ(Link::DirectoryBlockNumber("1000"), "0128");
    EXPECT_EQ(Link::DirectoryBlockNumber("9000"), "1152");
    EXPECT_EQ(Link::DirectoryBlockNumber("1020"), "0129");
    serial.setAnswer([](const QByteArray &) -> QList<QByteArray> { return {"OK\r\n"}; });
    EXPECT_TRUE(link.WriteDirectoryBlock("1020", "204,1234,,,0123,SMITH J"));
    ASSERT_EQ(serial.written.size(), 1);
    const QByteArray body = "b0129,204,1234,,,0123,SMITH J";
    EXPECT_EQ(serial.written[0], body + Crc8(body) + "\r");
}

TEST_F(Exchange, DirectoryWriteWithBadAddressSendsNothing)
{
    EXPECT_THROW(link.WriteDirectoryBlock("", "x"), ConversionError);
    EXPECT_THROW(link.WriteDirectoryBlock("10G0", "x"), ConversionError);
    EXPECT_TRUE(serial.written.isEmpty());
}

TEST_F(Exchange, UnacknowledgedDirectoryWriteIsOneAttempt)
{
    EXPECT_FALSE(link.WriteDirectoryBlock("1000", "1,,,,,A"));
    EXPECT_EQ(serial.written.size(), 1);
}

TEST_F(Exchange, CloseLinkSendsXOnOpenTransportsOnly)
{
    link.MarkLoggedOn();
    link.CloseLink();
    EXPECT_EQ(serial.written, (QList<QByteArray>{"x\r"}));
    EXPECT_FALSE(serial.isOpen());
    EXPECT_FALSE(link.LoggedOn());
    link.MarkLoggedOn();
    link.CloseLink();
    EXPECT_EQ(serial.written.size(), 1);
    EXPECT_FALSE(link.LoggedOn());
}

TEST_F(Exchange, NothingGoesOutWithoutAnOpenTransport)
{
    serial.close();
    link.SendCommand("r0000\r");
    EXPECT_TRUE(serial.written.isEmpty());
}

TEST(DelayTest, ProcessesEventsInsideTheWait)
{
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    Delay(0);
    EXPECT_TRUE(fired);
    bool late = false;
    QTimer::singleShot(1, [&late] { late = true; });
    Delay(200);
    EXPECT_TRUE(late);
}

TEST(DelayTest, NestedWaitsEachMeetTheirDeadline)
{
    QElapsedTimer t;
    t.start();
    bool innerDone = false;
    QTimer::singleShot(0, [&innerDone] {
        Delay(300);
        innerDone = true;
    });
    Delay(50);
    EXPECT_TRUE(innerDone);
    EXPECT_GE(t.nsecsElapsed(), qint64(300 * TickNanoseconds * TickScale() * 0.9));
}

TEST_F(Exchange, CloseLinkClosesEvenWhenTheClosingCommandCannotBeWritten)
{
    ScriptedTransport network;
    link.setNetworkTransport(&network);
    link.MarkLoggedOn();
    serial.failWrites(true);
    network.failWrites(true);
    QStringList failures;
    QObject::connect(&link, &Link::failed, &link, [&](const QString &text) { failures << text; });
    EXPECT_NO_THROW(link.CloseLink());
    EXPECT_EQ(failures, QStringList{QStringLiteral("WriteFile function failed (Error: 5)")});
    EXPECT_FALSE(serial.isOpen());
    EXPECT_FALSE(network.isOpen());
    EXPECT_FALSE(link.LoggedOn());
    // The next close finds nothing open and succeeds.
    EXPECT_NO_THROW(link.CloseLink());
}

TEST_F(Exchange, TraceKeepsWhatWentOutAndCameInWithThePinAndAccessCodesHidden)
{
    const auto entries = [this] {
        QList<QByteArray> out;
        for (const QByteArray &line : link.Trace().Text().split('\n'))
            if (!line.isEmpty())
                out << line.mid(24); // after "yyyy-MM-dd hh:mm:ss.zzz "
        return out;
    };
    link.Transmit("a4321\r");                 // the log-on, never shown
    link.ReceiveText("a4321\r\nO");           // an echo, and "OK" in two pieces
    link.ReceiveText("K\r\n");
    link.SendCommand("d00020004\r");          // a dump holding block 0003
    link.ReceiveText("d00020004\r\n0000200\r\n000034321????\r\nOK\r\n");
    link.SendCommand("r0001\x01\r");
    link.ReceiveText(QByteArray("x\\\xFF\0\r\nOK\r\n", 10));
    link.SendCommand("p0003" + QByteArray(64, '?') + "\r"); // shown or not, the codes stay out
    link.ReceiveText("0000");                 // no "OK": still hidden after the next command
    link.SendCommand("r0002\r");
    link.ReceiveText("3????\r\n");
    link.SendCommand("x\r");                  // closing ends it
    link.ReceiveText("bye\r\n");
    link.ReceiveText("partial");
    EXPECT_EQ(entries(), (QList<QByteArray>{"> a[hidden]\\r", "< [hidden]\\r\\n", "< OK\\r\\n", "> d00020004\\r",
                                            "< [hidden]\\r\\n", "< [hidden]\\r\\n", "< [hidden]\\r\\n", "< OK\\r\\n",
                                            "> r0001\\x01\\r", "< x\\\\\\xFF\\x00\\r\\n", "< OK\\r\\n",
                                            "> p0003[hidden]\\r", "< [hidden]", "> r0002\\r", "< [hidden]\\r\\n",
                                            "> x\\r", "< bye\\r\\n", "< partial"}));
    EXPECT_FALSE(link.Trace().Text().contains("4321"));

    // Bounded: the newest lines stay, a long line is cut.
    for (int i = 0; i < LinkTrace::MaxEntries; ++i)
        link.ReceiveText(QByteArray::number(i) + "\r\n");
    link.ReceiveText(QByteArray(LinkTrace::MaxLineBytes + 10, 'z') + "\r\n");
    EXPECT_EQ(link.Trace().EntryCount(), LinkTrace::MaxEntries);
    const QList<QByteArray> kept = entries();
    EXPECT_EQ(kept.first(), "< 1\\r\\n");
    EXPECT_EQ(kept.last(), "< " + QByteArray(LinkTrace::MaxLineBytes, 'z') + "... (12 more bytes)");
}

// The release codes open the doors: a record's two codes (and the check that
// would tell them) read "[hidden]" wherever a record travels, while names,
// rooms and numbers stay for support; the gate codes' block and a raw
// directory block are hidden like the access codes.
TEST_F(Exchange, TraceHidesTheReleaseCodesAndGateCodesButKeepsNamesAndNumbers)
{
    const auto entries = [this] {
        QList<QByteArray> out;
        for (const QByteArray &line : link.Trace().Text().split('\n'))
            if (!line.isEmpty())
                out << line.mid(24);
        return out;
    };
    const QByteArray record = AppendCheck("b0129,204,1234,5678,,0800000000<1????,SMITH J");
    link.SendCommand(record + "\r");
    link.ReceiveText(record + "\r\nOK\r\n"); // a unit that echoes the command
    link.SendCommand("d01281152\r");
    link.ReceiveText("d01281152\r\n1020,204,1234,5678,,0800000000<1????,SMITH J\r\n"
                     "1040,505050,9999,,12,555????????????,OK CORRAL\r\n");
    link.SendCommand("\r"); // before the dump's end: its lines are still masked
    link.ReceiveText("1060,7,4321,8765,,1????,LEE, B\r\nOK\r\n");
    link.SendCommand("r0001\r");
    link.ReceiveText("0020:24681357????????\r\nOK\r\n");
    link.SendCommand("p0001" + QByteArray("2468135797531864") + QByteArray(48, '?') + "\r");
    link.ReceiveText("OK\r\n");
    link.SendCommand("r0130\r");
    link.ReceiveText("1040:23413579\r\nOK\r\n");
    const QByteArray noCodes = AppendCheck("b0131,5,,,,,NOBODY");
    link.SendCommand(noCodes + "\r");
    link.ReceiveText("OK\r\n");
    EXPECT_EQ(entries(), (QList<QByteArray>{
                             "> b0129,204,[hidden],[hidden],,0800000000<1????,SMITH J[hidden]\\r",
                             "< b0129,204,[hidden],[hidden],,0800000000<1????,SMITH J[hidden]\\r\\n", "< OK\\r\\n",
                             "> d01281152\\r", "< d01281152\\r\\n",
                             "< 1020,204,[hidden],[hidden],,0800000000<1????,SMITH J\\r\\n",
                             "< 1040,505050,[hidden],,12,555????????????,OK CORRAL\\r\\n", "> \\r",
                             "< 1060,7,[hidden],[hidden],,1????,LEE, B\\r\\n", "< OK\\r\\n",
                             "> r0001\\r", "< [hidden]\\r\\n", "< OK\\r\\n",
                             "> p0001[hidden]\\r", "< OK\\r\\n",
                             "> r0130\\r", "< [hidden]\\r\\n", "< OK\\r\\n",
                             "> " + noCodes + "\\r", "< OK\\r\\n"}));
    const QByteArray lines = entries().join('\n');
    for (const char *secret : {"1234", "5678", "9999", "4321", "8765", "2468", "3579", "3413"})
        EXPECT_FALSE(lines.contains(secret)) << secret;
}
