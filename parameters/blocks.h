#pragma once
// The parameter blocks in both directions, as pure functions over the field
// model: the decoders take the lines of a read's reply ("r" + block: line 0;
// "d" + range: line 1 onwards; each block's data from the sixth character),
// the builders return the data of a "p" write.
#include <QByteArray>
#include <QList>

#include <initializer_list>

#include "request.h"

namespace porv {

class ParameterFields;

using ReplyLineList = QList<QByteArray>;

// Characters `from` (counting from 1) to from+width-1 of reply line `line`,
// as far as they arrived, through ErasedToNul over `width`: an empty cut reads
// "ERROR".
QByteArray CutField(const ReplyLineList &lines, int line, int from, int width);

// A reply line and the characters it must hold: up to the first character of
// the last field cut from it. A read's reply is whole (BlockReplyRule) when
// every needed line holds its characters (so no field reads "ERROR" and no
// settings byte is missing) and a later line holds "OK".
using LineNeed = ReplyLineNeed;

// The access-code fields in the order of block 0003: NewPin to NewPin4, then
// EmgyCode1 to EmgyCode4.
const QList<QByteArray> &PinFields();

// --- read side -----------------------------------------------------------------
// The 64 nibble characters of the settings block into the setting fields, the
// relay-2 boxes and the option boxes. Throws ConversionError (empty text) when
// the data does not reach byte 12 or byte 31; the fields set before keep their
// new values.
void DecodeSettings(ParameterFields &fields, const QByteArray &data);
// Reply to "r0000": line 0, characters 6 to 69, to DecodeSettings.
void DecodeSettingsReply(ParameterFields &fields, const ReplyLineList &lines);
// Reply to "r0001": the six gate codes.
void DecodeGateCodes(ParameterFields &fields, const ReplyLineList &lines);
// Reply to "d00080010": spd1 to spd8 from lines 1 and 2.
void DecodeSpeedDials(ParameterFields &fields, const ReplyLineList &lines);
// Reply to "d00050006": divert1, divert2, AftHrs1, AftHrs2 from line 1.
void DecodeDivertNumbers(ParameterFields &fields, const ReplyLineList &lines);
// Reply to "r0002": the raw 16 characters into Edit4, then the four times into
// the time boxes (whose change rule fills the hidden four-digit copies).
void DecodeDivertTimes(ParameterFields &fields, const ReplyLineList &lines);
// Reply to "d00120015": the six messages, text unchanged up to the first 0xFF.
void DecodeMessages(ParameterFields &fields, const ReplyLineList &lines);
// Reply to "r0003": the four PINs and four emergency codes.
void DecodePins(ParameterFields &fields, const ReplyLineList &lines);

// --- write side ----------------------------------------------------------------
// Clamps the twelve setting fields (the fields show the clamped text) and
// returns the 64 nibble characters of block 0000. Throws ConversionError at the
// first setting that is not a whole number; the fields clamped before it keep
// their clamped text. Relay2Value sets "Normal" as it computes byte 12.
QByteArray EncodeSettings(ParameterFields &fields);
QByteArray GateCodesBlock(const ParameterFields &fields);    // 0001, 64
QByteArray DivertTimesBlock(const ParameterFields &fields);  // 0002, 16
QByteArray DivertNumbersBlock(const ParameterFields &fields);// 0005, 64
QByteArray SpeedDials1Block(const ParameterFields &fields);  // 0008, 64
QByteArray SpeedDials2Block(const ParameterFields &fields);  // 0009, 64
QByteArray MessageBlock12(const ParameterFields &fields);    // msg0, msg1
QByteArray MessageBlock13(const ParameterFields &fields);    // msg2
QByteArray MessageBlock14(const ParameterFields &fields);    // msg3
QByteArray MessageBlock15(const ParameterFields &fields);    // msg4, msg5
QByteArray PinBlock(const ParameterFields &fields);          // 0003, 64

// The option bytes of the settings block.
int FirstOptionByte(const ParameterFields &fields);
int SecondOptionByte(const ParameterFields &fields);

} // namespace porv
