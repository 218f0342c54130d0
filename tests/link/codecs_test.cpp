// The unit's character set and field codecs, on byte strings.
#include <gtest/gtest.h>

#include "codecs.h"
#include "failures.h"

using namespace porv;

namespace {
QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}
} // namespace

TEST(DialDigits, DecodeStopsAtFillAndMapsKeys)
{
    EXPECT_EQ(DecodeDigits("12:34;<5?77"), "12*34#p5");
    EXPECT_EQ(DecodeDigits("?"), "");
    EXPECT_EQ(DecodeDigits("0=>1"), "0=>1");
    EXPECT_EQ(DecodeDigits(bytes({'1', 0xFF, 0x00, '2'})), bytes({'1', 0xFF, 0x00, '2'}));
}

TEST(DialDigits, EncodeMapsKeysStopsAtOtherAndCutsTo16)
{
    EXPECT_EQ(EncodeDigits("12*34#p5", 16), "12:34;<5");
    EXPECT_EQ(EncodeDigits("123-456", 16), "123");
    EXPECT_EQ(EncodeDigits("P9", 16), "<9");
    EXPECT_EQ(EncodeDigits("1:2", 16), "1<2");
    EXPECT_EQ(EncodeDigits("12345", 3), "123");
    EXPECT_EQ(EncodeDigits("01234567890123456789", 20), "0123456789012345");
    EXPECT_EQ(EncodeDigits("", 16), "");
    EXPECT_EQ(EncodeDigits("123", 0), "");
    // The unit's own codes = and > end a number written from a page, and go
    // back as they were in a number read from the unit.
    EXPECT_EQ(EncodeDigits("0=>1", 16), "0");
    EXPECT_EQ(EncodeUnitDigits("0=>1*p", 16), "0=>1:<");
    EXPECT_EQ(EncodeUnitDigits(DecodeDigits("9<0=12>;????????"), 16), "9<0=12>;");
    EXPECT_EQ(EncodeUnitDigits("12?3", 16), "12");
}

TEST(DialDigits, DigitsOnlyTakesLeadingRun)
{
    EXPECT_EQ(DigitsOnly("0123abc", 16), "0123");
    EXPECT_EQ(DigitsOnly("x12", 16), "");
    EXPECT_EQ(DigitsOnly("1234567", 4), "1234");
    EXPECT_EQ(DigitsOnly("01234567890123456789", 20).size(), 16);
}

TEST(Pins, PadAndPin)
{
    EXPECT_EQ(PadRight("AB", 4, '?'), "AB??");
    EXPECT_EQ(PadRight("ABCDE", 4, '?'), "ABCDE");
    EXPECT_EQ(EncodePin("1234"), "1234????");
    EXPECT_EQ(EncodePin(""), "????????");
    EXPECT_EQ(EncodePin("12a4"), "12??????");
    EXPECT_EQ(EncodePin("123456789"), "12345678");
}

TEST(Numbers, ClampKeepsTextInsideRange)
{
    EXPECT_EQ(ClampNumber("150", 1, 99), "99");
    EXPECT_EQ(ClampNumber("0", 1, 99), "1");
    EXPECT_EQ(ClampNumber("07", 1, 99), "07");
    EXPECT_EQ(ClampNumber("-5", 0, 9), "0");
}

TEST(Numbers, ConversionFailureCarriesTheText)
{
    try {
        ClampNumber("", 1, 99);
        FAIL() << "an empty number must not convert";
    } catch (const ConversionError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'' is not a valid integer value"));
    }
    EXPECT_THROW(ClampNumber("12a", 1, 99), ConversionError);
    EXPECT_THROW(ClampNumber("99999999999", 1, 99), ConversionError);
    EXPECT_THROW(ByteToNibbles("x"), ConversionError);
    try {
        HexToDecimal("G1", 2);
        FAIL() << "G1 is not hexadecimal";
    } catch (const ConversionError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'$G1' is not a valid integer value"));
    }
    EXPECT_THROW(HexToDecimal("", 2), ConversionError);
    EXPECT_THROW(FormatHexTriplet("1F0CZZ", "/"), ConversionError);
}

TEST(Erased, FirstCountBytesBecomeNul)
{
    EXPECT_EQ(ErasedToNul(bytes({0xFF, 'A', 0xFF}), 2), bytes({0x00, 'A', 0xFF}));
    EXPECT_EQ(ErasedToNul("", 5), "ERROR");
    EXPECT_EQ(ErasedToNul(bytes({0xFF}), 10), bytes({0x00}));
}

TEST(Nibbles, ByteToNibblesAndBack)
{
    EXPECT_EQ(ByteToNibbles("171"), ":;");
    EXPECT_EQ(ByteToNibbles("5"), "05");
    EXPECT_EQ(ByteToNibbles("255"), "??");
    EXPECT_EQ(ByteToNibbles("256"), "100");
    EXPECT_EQ(NibblesToByte("?:"), "250");
    EXPECT_EQ(NibblesToByte("1"), "16");
    EXPECT_EQ(NibblesToByte("xy"), "0");
    EXPECT_EQ(NibblesToByte(""), "");
    // Every byte value survives the round trip.
    for (int v = 0; v < 256; ++v) {
        const QByteArray n = ByteToNibbles(QByteArray::number(v));
        ASSERT_EQ(n.size(), 2);
        EXPECT_EQ(NibblesToByte(n), QByteArray::number(v));
    }
    EXPECT_EQ(NibbleToHexDigit("7"), "7");
    EXPECT_EQ(NibbleToHexDigit(":"), "A");
    EXPECT_EQ(NibbleToHexDigit("?x"), "F");
    EXPECT_EQ(NibbleToHexDigit("G"), "");
    EXPECT_EQ(NibbleToHexDigit(""), "");
}

TEST(Hex, DecimalAndTriplets)
{
    EXPECT_EQ(HexToDecimal("0C", 2), "12");
    EXPECT_EQ(HexToDecimal("FF", 2), "55");
    EXPECT_EQ(HexToDecimal("1F", 4), "0031");
    EXPECT_EQ(FormatHexTriplet("1F0C07", "/"), "31/12/07");
    EXPECT_EQ(FormatHexTriplet("0A0B", "/"), "");
    EXPECT_EQ(FormatHexTriplet("173B09", ":"), "23:59:09");
    EXPECT_EQ(FormatHourMinute("0930"), "09:30");
}

TEST(Fill, TextBeforeMarks)
{
    EXPECT_EQ(TextBeforeFill("ABC?DEF"), "ABC");
    EXPECT_EQ(TextBeforeFill(bytes({'A', 'B', 0xFF, 'Z'})), "AB");
    EXPECT_EQ(TextBeforeFill("ABC"), "ABC");
    EXPECT_EQ(TextBeforeNul(bytes({'A', 'B', 0, 'C', 'D', 0})), "AB");
    EXPECT_EQ(TextBeforeNul("AB"), "AB");
}

TEST(Check, Crc8IsTheOneWireCheckInNibbleChars)
{
    EXPECT_EQ(Crc8("123456789"), ":1");
    EXPECT_EQ(Crc8(""), "00");
    EXPECT_EQ(AppendCheck("123456789"), "123456789:1");
    // Every check is two NibbleChars.
    for (int b = 0; b < 256; ++b) {
        const QByteArray c = Crc8(QByteArray(1, char(b)));
        ASSERT_EQ(c.size(), 2);
        EXPECT_GE(NibbleValue(c[0]), 0);
        EXPECT_GE(NibbleValue(c[1]), 0);
    }
    // One changed byte changes the check.
    EXPECT_NE(Crc8("b0128,204,1234,,,0123,SMITH"), Crc8("b0128,204,1234,,,0124,SMITH"));
}
