#pragma once
// The unit's tag list in its own characters: the entries of a tag block (room
// and tag code), the block the tool writes back, the tag message the unit sends
// when it reads a tag, and the checks on what comes back. Pure functions.
#include <QByteArray>
#include <QList>

#include "request.h"

namespace porv {

// The tag list: blocks 1408 to 1535, four entries of 16 characters each.
constexpr int kTagFirstBlock = 1408;
constexpr int kTagLastBlock = 1535;
constexpr int kTagBlockCount = kTagLastBlock - kTagFirstBlock + 1;
constexpr int kTagEntriesPerBlock = 4;
constexpr int kTagCapacity = kTagBlockCount * kTagEntriesPerBlock; // 512
constexpr int kTagEntryLength = 16;  // room (6) + code (10)
constexpr int kTagRoomLength = 6;
constexpr int kTagCodeLength = 10;
constexpr int kTagBlockDataLength = kTagEntriesPerBlock * kTagEntryLength; // 64
// A block line of the dump and of a read: four address digits and a separator
// come before the data characters.
constexpr int kTagLinePrefix = 5;

// One entry of the unit's list as the tool reads it: the room text and the tag
// code as hexadecimal digits.
struct TagEntry {
    QByteArray room;
    QByteArray code;
    bool operator==(const TagEntry &o) const { return room == o.room && code == o.code; }
};

// The block number as four decimal digits: 1408 -> "1408".
QByteArray TagBlockNumber(int block);

// The ten code characters of an entry as hexadecimal digits ("0"-"9",
// ":"-"?" -> "A"-"F", anything else dropped); empty when the characters are
// empty or begin with "?".
QByteArray DecodeTagCode(const QByteArray &codeChars);

// The room characters of an entry before the first "?" or erased byte.
QByteArray TagRoomText(const QByteArray &roomChars);

// A tag code in the unit's characters: "A"-"F" and "a"-"f" -> ":"-"?"; every
// other character unchanged.
QByteArray EncodeTagCode(const QByteArray &code);

// Whether the text is a tag code: exactly ten hexadecimal digits.
bool IsTagCode(const QByteArray &code);

// The entries of one block line (five prefix characters, then up to 64 data
// characters), in order; entries whose room or code is empty are left out.
QList<TagEntry> TagEntriesOfLine(const QByteArray &line);

// The entries of a whole dump reply, given as its lines: the first two and the
// last two lines are not data; empty lines are passed over. At most the 128
// block lines the dump asks for are read, so a reply never yields more than
// 512 entries.
QList<TagEntry> TagEntriesOfDump(const QList<QByteArray> &lines);

// The reply of "s14081535": two lines, the block lines, two more lines; it
// ends at the first line after the first two that holds "OK" and is shorter
// than a block line (five characters and 64 of data), so a block line's
// prefix never ends it.
ReplyRule TagListRule(ReplyWait wait);

// A record's entry in a block as written: the room followed by "?" and cut to
// six characters (a byte below 0x20 as a space), then EncodeTagCode of the
// code. Empty when the room or the encoded code is empty (the record has no
// entry).
QByteArray TagEntryText(const QByteArray &room, const QByteArray &code);

// Whether a record's RFID may go to the unit: empty, or ten hexadecimal digits.
bool TagCodeWellFormed(const QByteArray &code);

// The data of one block: the entries joined and filled with "?" up to 64
// characters.
QByteArray TagBlockData(const QList<QByteArray> &entryTexts);

// The tag message: six hexadecimal pairs, five of code and a check pair equal
// to the exclusive or of the five. The first ten characters as received when
// the check holds; empty for a wrong check, a short line or a pair that is not
// hexadecimal.
QByteArray DecodeTagMessage(const QByteArray &line);

// A block read back: after its five prefix characters nothing but "?" (or
// nothing at all).
bool TagLineIsBlank(const QByteArray &line);

} // namespace porv
