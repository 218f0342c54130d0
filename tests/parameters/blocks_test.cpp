// The parameter blocks: the settings encoding and its clamps, the block
// builders, and the decoders of the read replies.
#include <gtest/gtest.h>

#include "blocks.h"
#include "failures.h"
#include "fields.h"

using porv::ParameterFields;
using porv::ReplyLineList;

namespace {

const char FF = char(0xFF);

// The settings block as the unit carries it: 32 bytes given as pairs of
// nibble characters.
QByteArray pairs(std::initializer_list<const char *> bytes)
{
    QByteArray out;
    for (const char *b : bytes)
        out += b;
    return out;
}

// A reply line to "r": five characters, then the data.
QByteArray rLine(const QByteArray &data) { return "0000:" + data; }

TEST(EncodeSettings, StartValuesGiveTheKnownBlock)
{
    ParameterFields f;
    f.setChecked("rly2off", false); // Normal is set by the computation
    const QByteArray expected = pairs({"01", "03", "05", "03", "02", "14", "14", "03", "0?", "00", "05", "00",
                                       "00", "01", "20", "00", "14"})
        + QByteArray(26, '0') + "00" + "84";
    ASSERT_EQ(expected.size(), 64);
    EXPECT_EQ(porv::EncodeSettings(f), expected);
    EXPECT_TRUE(f.checked("rly2off"));
}

TEST(EncodeSettings, ClampsAndShowsTheClampedValue)
{
    ParameterFields f;
    f.setText("Phs_rc", "40");
    f.setText("Phs_na", "5");
    f.setText("Phs_but", "0");
    f.setText("Phs_sl", "07"); // in range: unchanged, leading zero kept
    const QByteArray data = porv::EncodeSettings(f);
    EXPECT_EQ(data.mid(8, 2), "23");  // byte 4, 35
    EXPECT_EQ(data.mid(16, 2), "0:"); // byte 8, 10
    EXPECT_EQ(data.mid(26, 2), "01"); // byte 13, 1
    EXPECT_EQ(data.mid(2, 2), "07");
    EXPECT_EQ(f.text("Phs_rc"), "35");
    EXPECT_EQ(f.text("Phs_na"), "10");
    EXPECT_EQ(f.text("Phs_but"), "1");
    EXPECT_EQ(f.text("Phs_sl"), "07");
}

TEST(EncodeSettings, EmptySettingStopsWithConversionFailure)
{
    ParameterFields f;
    f.setText("Phs_run", "150");
    f.setText("Phs_lt", "12");
    f.setText("Phs_ls", "");
    f.setText("Phs_rc", "40"); // after the empty field: not reached
    try {
        porv::EncodeSettings(f);
        FAIL() << "encoded an empty setting";
    } catch (const porv::ConversionError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'' is not a valid integer value"));
    }
    EXPECT_EQ(f.text("Phs_run"), "99");
    EXPECT_EQ(f.text("Phs_lt"), "9");
    EXPECT_EQ(f.text("Phs_rc"), "40");
}

TEST(EncodeSettings, OptionAndRelayBits)
{
    ParameterFields f;
    f.setChecked("PS2_klmsg", true);
    f.setChecked("Divert4AllNA", true);
    f.setChecked("PS1_gacc", true);
    f.setChecked("PS1_sclk", true);
    f.setChecked("PS2_qx1c", true);
    f.setChecked("PS2_gcod", true);
    f.setChecked("PS2_grls", false);
    f.setChecked("Divert4All", true);
    f.setChecked("PS2_srl1", true);
    f.setChecked("PS2_srl2", true);
    f.setChecked("PS2_mden", false);
    f.setChecked("rly2line", true);
    f.setChecked("rly2tim", true);
    f.setChecked("PS1_sclk", true);
    const QByteArray data = porv::EncodeSettings(f);
    EXPECT_EQ(data.mid(24, 2), "0:");  // 0x02 + 0x08
    EXPECT_EQ(data.mid(60, 2), "95");  // 0x01 + 0x04 + 0x10 + 0x80
    EXPECT_EQ(data.mid(62, 2), "73");  // 0x01 + 0x02 + 0x10 + 0x20 + 0x40
    EXPECT_FALSE(f.checked("rly2off"));
    f.setChecked("PS1_pmsg", false);
    f.setChecked("PS2_klmsg", false);
    f.setChecked("PS1_pmsg", true);
    EXPECT_EQ(porv::EncodeSettings(f).mid(60, 2), "=4"); // 0x80 + 0x40 + 0x10 + 0x04
}

TEST(BlockBuilders, GateCodes)
{
    ParameterFields f;
    f.setText("code_g1", "123");
    f.setText("code_ic1", "12a4");
    f.setText("code_sd2", "87654321");
    const QByteArray data = porv::GateCodesBlock(f);
    ASSERT_EQ(data.size(), 64);
    EXPECT_EQ(data.mid(0, 8), "123?????");
    EXPECT_EQ(data.mid(8, 8), "????????");
    EXPECT_EQ(data.mid(16, 8), "12??????");
    EXPECT_EQ(data.mid(40, 8), "87654321");
    EXPECT_EQ(data.mid(48), QByteArray(16, '?'));
}

TEST(BlockBuilders, SpeedDialsAndDivertNumbers)
{
    ParameterFields f;
    f.setText("spd1", "0*9#p1");
    f.setText("spd2", "12-34");
    f.setText("spd8", "1234567890123456");
    f.setText("AftHrs2", "P9");
    const QByteArray first = porv::SpeedDials1Block(f);
    ASSERT_EQ(first.size(), 64);
    EXPECT_EQ(first.mid(0, 16), "0:9;<1" + QByteArray(10, '?'));
    EXPECT_EQ(first.mid(16, 16), "12" + QByteArray(14, '?'));
    EXPECT_EQ(first.mid(32, 16), "36003" + QByteArray(11, '?'));
    const QByteArray second = porv::SpeedDials2Block(f);
    EXPECT_EQ(second.mid(48, 16), "1234567890123456");
    const QByteArray divert = porv::DivertNumbersBlock(f);
    ASSERT_EQ(divert.size(), 64);
    EXPECT_EQ(divert.mid(0, 16), QByteArray(16, '?'));
    EXPECT_EQ(divert.mid(48, 16), "<9" + QByteArray(14, '?'));
}

TEST(BlockBuilders, DivertTimesFromTheHiddenCopies)
{
    ParameterFields f;
    EXPECT_EQ(porv::DivertTimesBlock(f), "0000000000000000");
    f.setText("MaskEdit1", "07:3 ");
    f.setText("MaskEdit4", "18:45");
    EXPECT_EQ(porv::DivertTimesBlock(f), "0730000000001845");
}

TEST(BlockBuilders, MessagesFilledWithErasedBytes)
{
    ParameterFields f;
    f.setText("msg0", "HELLO");
    f.setText("msg1", "0123456789ABCDEF");
    f.setText("msg3", QByteArray(40, 'x')); // never runs past its block
    const QByteArray b12 = porv::MessageBlock12(f);
    EXPECT_EQ(b12, "HELLO" + QByteArray(11, FF) + "0123456789ABCDEF");
    EXPECT_EQ(porv::MessageBlock13(f), QByteArray(32, FF));
    EXPECT_EQ(porv::MessageBlock14(f), QByteArray(32, 'x'));
    f.setText("msg5", "Z");
    EXPECT_EQ(porv::MessageBlock15(f), QByteArray(16, FF) + "Z" + QByteArray(15, FF));
}

TEST(BlockBuilders, Pins)
{
    ParameterFields f;
    f.setText("NewPin", "1234");
    EXPECT_EQ(porv::PinBlock(f), "1234????" + QByteArray(56, '?'));
    f.setText("NewPin2", "12345678");
    f.setText("EmgyCode1", "21a5");
    const QByteArray data = porv::PinBlock(f);
    ASSERT_EQ(data.size(), 64);
    EXPECT_EQ(data.mid(8, 8), "12345678");
    EXPECT_EQ(data.mid(32, 8), "21??????");
}

TEST(DecodeReplies, GateCodes)
{
    ParameterFields f;
    porv::DecodeGateCodes(f, {rLine("12??????" + QByteArray(8, '?') + "1:;<????" + QByteArray(40, '?'))});
    EXPECT_EQ(f.text("code_g1"), "12");
    EXPECT_EQ(f.text("code_g2"), "");
    EXPECT_EQ(f.text("code_ic1"), "1*#p");
}

TEST(DecodeReplies, ShortOrMissingFieldsReadError)
{
    ParameterFields f;
    f.setText("code_sd2", "77");
    // The line ends inside code_ic2: it shows what arrived; the later ones ERROR.
    porv::DecodeGateCodes(f, {rLine("11??????22??????33??????44")});
    EXPECT_EQ(f.text("code_ic2"), "44");
    EXPECT_EQ(f.text("code_sd1"), "ERROR");
    EXPECT_EQ(f.text("code_sd2"), "ERROR");
    porv::DecodeMessages(f, {});
    for (const char *m : {"msg0", "msg1", "msg2", "msg3", "msg4", "msg5"})
        EXPECT_EQ(f.text(m), "ERROR") << m;
}

TEST(DecodeReplies, SpeedDialsAndDivertNumbers)
{
    ParameterFields f;
    const QByteArray dial = "0:9;<1" + QByteArray(10, '?');
    const QByteArray line1 = "0008:" + dial + QByteArray(48, '?');
    const QByteArray line2 = "0009:" + QByteArray(48, '?') + "5555" + QByteArray(12, '?');
    porv::DecodeSpeedDials(f, {"dump", line1, line2, "0010:" + QByteArray(64, '1')});
    EXPECT_EQ(f.text("spd1"), "0*9#p1");
    EXPECT_EQ(f.text("spd2"), "");
    EXPECT_EQ(f.text("spd8"), "5555");
    porv::DecodeDivertNumbers(f, {"dump", "0005:" + QByteArray(48, '?') + "0123456789012345"});
    EXPECT_EQ(f.text("divert1"), "");
    EXPECT_EQ(f.text("AftHrs2"), "0123456789012345");
}

TEST(DecodeReplies, Messages)
{
    ParameterFields f;
    const QByteArray l1 = "0012:HELLO" + QByteArray(11, FF) + QByteArray(16, FF);
    const QByteArray l2 = "0013:" + QByteArray("Scroll one") + QByteArray(22, FF);
    const QByteArray l3 = "0014:" + QByteArray(32, 'S');
    const QByteArray l4 = "0015:" + QByteArray("Pulse1") + QByteArray(10, FF) + "Pulse2" + QByteArray(10, FF);
    porv::DecodeMessages(f, {"dump", l1, l2, l3, l4});
    EXPECT_EQ(f.text("msg0"), "HELLO");
    EXPECT_EQ(f.text("msg1"), "");
    EXPECT_EQ(f.text("msg2"), "Scroll one");
    EXPECT_EQ(f.text("msg3"), QByteArray(32, 'S'));
    EXPECT_EQ(f.text("msg4"), "Pulse1");
    EXPECT_EQ(f.text("msg5"), "Pulse2");
}

TEST(DecodeReplies, DivertTimes)
{
    ParameterFields f;
    porv::DecodeDivertTimes(f, {rLine("0730174500002359" + QByteArray(48, '?'))});
    EXPECT_EQ(f.text("Edit4"), "0730174500002359");
    EXPECT_EQ(f.text("MaskEdit1"), "07:30");
    EXPECT_EQ(f.text("time1s"), "0730");
    EXPECT_EQ(f.text("time1e"), "1745");
    EXPECT_EQ(f.text("MaskEdit4"), "23:59");
    EXPECT_EQ(f.text("time2e"), "2359");
    // Nothing arrived: the boxes lose their digits and read as zeros.
    porv::DecodeDivertTimes(f, {});
    EXPECT_EQ(f.text("Edit4"), "");
    EXPECT_EQ(f.text("MaskEdit1"), "00:00");
    EXPECT_EQ(f.text("time1s"), "0000");
}

TEST(DecodeReplies, Pins)
{
    ParameterFields f;
    porv::DecodePins(f, {rLine("1234????" + QByteArray(24, '?') + "21??????" + QByteArray(24, '?'))});
    EXPECT_EQ(f.text("NewPin"), "1234");
    EXPECT_EQ(f.text("NewPin2"), "");
    EXPECT_EQ(f.text("EmgyCode1"), "21");
    porv::DecodePins(f, {});
    for (const char *p : {"NewPin", "NewPin4", "EmgyCode1", "EmgyCode4"})
        EXPECT_EQ(f.text(p), "ERROR") << p;
}

// A settings block with the given bytes at the given places, zero elsewhere.
QByteArray settings(std::initializer_list<std::pair<int, const char *>> bytes)
{
    QByteArray data(64, '0');
    for (const auto &b : bytes)
        data.replace(2 * b.first, 2, b.second);
    return data;
}

TEST(DecodeSettings, ValuesAndRelayBits)
{
    ParameterFields f;
    f.setChecked("rly2off", false);
    f.setChecked("rly2line", true);
    porv::DecodeSettings(f, settings({{0, "0?"}, {1, "63"}, {8, "3<"}, {12, "09"}, {13, "0;"}, {16, "32"}}));
    EXPECT_EQ(f.text("Phs_ml"), "15");
    EXPECT_EQ(f.text("Phs_sl"), "99");
    EXPECT_EQ(f.text("Phs_na"), "60");
    EXPECT_EQ(f.text("Phs_but"), "11");
    EXPECT_EQ(f.text("Phs_ls"), "50");
    EXPECT_EQ(f.text("Phs_rt"), "0");
    EXPECT_TRUE(f.checked("rly2key"));
    EXPECT_TRUE(f.checked("rly2tim"));
    EXPECT_FALSE(f.checked("rly2line"));
    EXPECT_FALSE(f.checked("rly2ring"));
    EXPECT_FALSE(f.checked("rly2off"));

    f.setChecked("rly2key", true);
    porv::DecodeSettings(f, settings({}));
    EXPECT_TRUE(f.checked("rly2off"));
    EXPECT_FALSE(f.checked("rly2key"));
    EXPECT_FALSE(f.checked("rly2tim"));
}

TEST(DecodeSettings, OptionBytes)
{
    ParameterFields f;
    f.setChecked("Divert4AllNA", true);
    f.setChecked("Divert4All", true);
    // First option byte 0x90 (gate access, clock); second 0x66 (codes, release,
    // scroll 1, scroll 2).
    porv::DecodeSettings(f, settings({{30, "90"}, {31, "66"}}));
    EXPECT_TRUE(f.checked("PS1_gacc"));
    EXPECT_TRUE(f.checked("PS1_sclk"));
    EXPECT_FALSE(f.checked("PS2_klmsg"));
    EXPECT_FALSE(f.checked("Divert4AllNA"));
    EXPECT_FALSE(f.checked("Divert4ButtsNA")); // the no-answer group selects nothing
    EXPECT_TRUE(f.checked("Divert4Butts"));    // 0x10 clear selects ButtonsOnly
    EXPECT_TRUE(f.checked("PS2_gcod"));
    EXPECT_TRUE(f.checked("PS2_grls"));
    EXPECT_TRUE(f.checked("PS2_srl1"));
    EXPECT_TRUE(f.checked("PS2_srl2"));
    EXPECT_FALSE(f.checked("RadioButton1"));
    EXPECT_FALSE(f.enabled("PS1_sclk"));
    EXPECT_FALSE(f.checked("PS2_mden"));
    EXPECT_FALSE(f.checked("PS2_qx1c"));
    EXPECT_FALSE(f.visible("Label47")); // global codes state shown: in use

    // Keyless message with pulsing messages: the rule selects Fixed2, then the
    // bit selects pulsing again.
    porv::DecodeSettings(f, settings({{30, "41"}, {31, "91"}}));
    EXPECT_TRUE(f.checked("PS2_klmsg"));
    EXPECT_TRUE(f.checked("PS1_pmsg"));
    EXPECT_FALSE(f.enabled("PS1_pmsg"));
    EXPECT_FALSE(f.checked("PS2_srl2"));
    EXPECT_TRUE(f.checked("Divert4All"));
    EXPECT_TRUE(f.checked("PS2_mden"));
    EXPECT_TRUE(f.checked("PS2_qx1c"));
    EXPECT_TRUE(f.visible("Label47"));
    EXPECT_TRUE(f.olive("code_g1"));
}

TEST(DecodeSettings, SilentUnitGivesZerosThenTheConversionFailure)
{
    ParameterFields f;
    try {
        porv::DecodeSettingsReply(f, {});
        FAIL() << "decoded a missing reply";
    } catch (const porv::ConversionError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'' is not a valid integer value"));
    }
    EXPECT_EQ(f.text("Phs_ml"), "0");
    EXPECT_EQ(f.text("Phs_sl"), "0");
    EXPECT_EQ(f.text("Phs_rt"), "0");
    for (const char *name : {"Phs_run", "Phs_rc", "Sil_time", "Cont_time", "Phs_rv", "Phs_na", "Phs_lt"})
        EXPECT_EQ(f.text(name), "") << name;
    EXPECT_EQ(f.text("Phs_but"), "1"); // not reached
}

TEST(DecodeSettings, ReplyEndingBeforeTheOptionBytesFails)
{
    ParameterFields f;
    const QByteArray data = settings({{12, "02"}, {13, "05"}}).left(40);
    EXPECT_THROW(porv::DecodeSettings(f, data), porv::ConversionError);
    EXPECT_EQ(f.text("Phs_but"), "5");
    EXPECT_TRUE(f.checked("rly2line"));
    EXPECT_TRUE(f.checked("PS2_grls")); // option bytes not reached
}

TEST(DecodeSettings, CharactersOutsideTheNibbleSetCountZero)
{
    ParameterFields f;
    porv::DecodeSettings(f, settings({{0, "x5"}, {1, "5x"}}));
    EXPECT_EQ(f.text("Phs_ml"), "5");
    EXPECT_EQ(f.text("Phs_sl"), "80");
}

} // namespace
