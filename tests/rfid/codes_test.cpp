// The tag list in the unit's characters: entries, blocks, the tag message.
#include <gtest/gtest.h>

#include "tagcodes.h"

using namespace porv;

namespace {

// A block line as the unit lists it: address, separator, 64 data characters.
QByteArray blockLine(const QByteArray &data) { return QByteArrayLiteral("B000:") + data; }

} // namespace

TEST(RfidEntryDecoding, RoomStopsAtTheFirstFillCharacter)
{
    EXPECT_EQ(TagRoomText("123???"), "123");
    EXPECT_EQ(TagRoomText("??????"), "");
    EXPECT_EQ(TagRoomText("123456"), "123456");
    EXPECT_EQ(TagRoomText(QByteArray("12\xff" "456", 6)), "12");
}

TEST(RfidEntryDecoding, CodeCharactersColonToQuestionMarkBecomeAToF)
{
    EXPECT_EQ(DecodeTagCode(":;<=>?0123"), "ABCDEF0123");
    EXPECT_EQ(DecodeTagCode("9876543210"), "9876543210");
    // A "?" after the first character is the digit F.
    EXPECT_EQ(DecodeTagCode("1?3?5?7?9?"), "1F3F5F7F9F");
}

TEST(RfidEntryDecoding, CodeStartingWithFillOrEmptyIsNoCode)
{
    EXPECT_EQ(DecodeTagCode("?123456789"), "");
    EXPECT_EQ(DecodeTagCode(""), "");
}

TEST(RfidEntryDecoding, CharactersOutsideTheAlphabetAreDropped)
{
    EXPECT_EQ(DecodeTagCode("1x2y345678"), "12345678");
}

TEST(RfidEntryDecoding, LineGivesItsFourEntriesAndSkipsEmptyOnes)
{
    const QByteArray data = QByteArrayLiteral("123???:;<=>?0123") // room 123, code ABCDEF0123
        + QByteArrayLiteral("??????0123456789")                   // no room: skipped
        + QByteArrayLiteral("45??????????????")                   // no code: skipped
        + QByteArrayLiteral("777777999999999?");                  // room 777777
    const QList<TagEntry> entries = TagEntriesOfLine(blockLine(data));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0], (TagEntry{"123", "ABCDEF0123"}));
    EXPECT_EQ(entries[1], (TagEntry{"777777", "999999999F"}));
}

TEST(RfidEntryDecoding, ShortLinesAreReadOnlyAsFarAsTheyGo)
{
    EXPECT_TRUE(TagEntriesOfLine("B000").isEmpty());
    EXPECT_TRUE(TagEntriesOfLine("B000:").isEmpty());
    // One whole entry and a cut second one.
    const QList<TagEntry> entries = TagEntriesOfLine(blockLine("12????0000000001" "34????12"));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0], (TagEntry{"12", "0000000001"}));
    EXPECT_EQ(entries[1], (TagEntry{"34", "12"}));
}

TEST(RfidDumpReading, FirstTwoAndLastTwoLinesAreNotData)
{
    const QByteArray entry = "5?????0000000005";
    const QList<QByteArray> lines = {"s14081535", "RF-ID list", blockLine(entry + QByteArray(48, '?')), "",
                                     blockLine("6?????0000000006" + QByteArray(48, '?')), "End of list", "OK"};
    const QList<TagEntry> entries = TagEntriesOfDump(lines);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].room, "5");
    EXPECT_EQ(entries[1].room, "6");
}

TEST(RfidDumpReading, FourLinesOrFewerCarryNothing)
{
    const QByteArray full = blockLine("5?????0000000005" + QByteArray(48, '?'));
    EXPECT_TRUE(TagEntriesOfDump({full, full, full, full}).isEmpty());
    EXPECT_EQ(TagEntriesOfDump({full, full, full, full, full}).size(), 1);
}

TEST(RfidDumpReading, NoMoreThanTheListsBlocksAreRead)
{
    QList<QByteArray> lines = {"s14081535", "RF-ID list"};
    for (int i = 0; i < kTagBlockCount + 20; ++i)
        lines.append(blockLine(QByteArray("1?????0000000001").repeated(4)));
    lines.append("End of list");
    lines.append("OK");
    EXPECT_EQ(TagEntriesOfDump(lines).size(), kTagCapacity);
}

TEST(RfidBlockBuilding, EntryIsRoomFilledToSixThenEncodedCode)
{
    EXPECT_EQ(TagEntryText("123", "ABCDEF0123"), "123???:;<=>?0123");
    EXPECT_EQ(TagEntryText("123456", "0000000001"), "1234560000000001");
    EXPECT_EQ(EncodeTagCode("ABCDEF0123"), ":;<=>?0123");
}

TEST(RfidBlockBuilding, LowerCaseLettersGoOutAsTheUnitsCharacters)
{
    EXPECT_EQ(EncodeTagCode("abcdef0123"), ":;<=>?0123");
    EXPECT_EQ(TagEntryText("9", "abCDef0123"), "9?????:;<=>?0123");
}

TEST(RfidBlockBuilding, RecordWithoutRoomOrCodeHasNoEntry)
{
    EXPECT_TRUE(TagEntryText("", "ABCDEF0123").isEmpty());
    EXPECT_TRUE(TagEntryText("12", "").isEmpty());
}

TEST(RfidBlockBuilding, BlockIsFilledWithQuestionMarksToSixtyFour)
{
    const QByteArray data = TagBlockData({"1?????0000000001"});
    EXPECT_EQ(data.size(), kTagBlockDataLength);
    EXPECT_EQ(data, "1?????0000000001" + QByteArray(48, '?'));
    EXPECT_EQ(TagBlockNumber(1408), "1408");
}

TEST(RfidBlockBuilding, OnlyEmptyOrTenCharacterCodesAreWellFormed)
{
    EXPECT_TRUE(TagCodeWellFormed(""));
    EXPECT_TRUE(TagCodeWellFormed("0123456789"));
    EXPECT_FALSE(TagCodeWellFormed("012345678"));
    EXPECT_FALSE(TagCodeWellFormed("0"));
    EXPECT_FALSE(TagCodeWellFormed("012345678G"));
}

TEST(RfidTagMessage, GoodCheckPairGivesTheFirstTenCharacters)
{
    // 01 ^ 02 ^ 04 ^ 08 ^ 10 = 1F
    EXPECT_EQ(DecodeTagMessage("01020408101F"), "0102040810");
    // ab ^ cd ^ ef ^ 01 ^ 23 = ab; lower case is read and kept as received.
    EXPECT_EQ(DecodeTagMessage("abcdef0123ab"), "abcdef0123");
    EXPECT_EQ(DecodeTagMessage("abcdef0123AB\r"), "abcdef0123");
}

TEST(RfidTagMessage, AnyOtherCheckPairGivesNothing)
{
    EXPECT_EQ(DecodeTagMessage("01020408101E"), "");
    EXPECT_EQ(DecodeTagMessage("01020408100F"), "");
}

TEST(RfidTagMessage, ShortOrNonHexadecimalLinesGiveNothing)
{
    EXPECT_EQ(DecodeTagMessage("01020408101"), "");
    EXPECT_EQ(DecodeTagMessage(""), "");
    EXPECT_EQ(DecodeTagMessage("0G0204081017"), "");
    EXPECT_EQ(DecodeTagMessage("01 2040810 F"), "");
}

TEST(RfidBlockCheck, BlankWhenOnlyFillFollowsThePrefix)
{
    EXPECT_TRUE(TagLineIsBlank("B000:" + QByteArray(64, '?')));
    EXPECT_TRUE(TagLineIsBlank("B000:"));
    EXPECT_TRUE(TagLineIsBlank("3"));
    EXPECT_FALSE(TagLineIsBlank("B000:" + QByteArray(63, '?') + '0'));
}
