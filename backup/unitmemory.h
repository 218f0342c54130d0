#pragma once
// The unit's memory in its own forms, as a backup holds it and a restore
// writes it: a directory record as its block lists it, the fields each
// parameter block carries (and so which of its bytes no field shows), the
// access codes of block 0003, the tag blocks. The comparison and the restore
// both work on these, so what is listed as different is what is written.
#include <QByteArray>
#include <QList>
#include <QString>

#include "unitbackup.h"

namespace porv {

// --- directory records ------------------------------------------------------------

// A record as its block holds it, in the unit's own characters: what the
// dump lists of it. Two records hold the same block when these are equal.
struct StoredRecord {
    QByteArray room;
    QByteArray code1;
    QByteArray code2;
    QByteArray spare;
    QByteArray phone; // the unit's digit characters, without the "?" fill after the last one
    QByteArray name;
    bool operator==(const StoredRecord &o) const;
    bool operator!=(const StoredRecord &o) const { return !(*this == o); }
    // Every item empty: its "b" command would erase the block.
    bool Empty() const;
};

// The items of a record's dump line (BackupRecord::line): what the unit
// listed. For a record without a line, StoredFormOfFields.
StoredRecord StoredOf(const BackupRecord &record);
// The fields as a single-record write stores them: room, codes and spare as
// their leading digits, the number without its layout in the unit's digit
// codes (EncodeUnitDigits, so "=" and ">" stay), the name up to an erased byte
// (0xFF, where the unit's list of it ends) with control bytes as spaces, 16
// bytes at most. Commas stay: the name is the record's last item.
StoredRecord StoredFormOfFields(const BackupRecord &record);
// A name as the unit can store it: up to an erased byte (0xFF, where the
// unit's list of it would end), control bytes as spaces, 16 bytes at most.
QByteArray StorableName(const QByteArray &name);
// The decoded fields of a dump line (the name whole), with the line kept.
BackupRecord RecordOfLine(const QByteArray &line);
// A record's field as a write would store it, in the form the field is shown
// (the number in dial form): "room", "code1", "code2", "spare", "phone", "name".
QByteArray StoredField(const StoredRecord &stored, const QByteArray &field);

// The data of the "b" command that writes a stored record.
QByteArray StoredRecordData(const StoredRecord &stored);
// Why the record cannot go out as it stands ("its phone number holds "A",
// which the unit cannot store"), or empty: room, codes and spare must be
// digits within their widths, the number the unit's digit characters, the
// name without a byte below 0x20 or 0xFF; and something must be there.
QString StoredRecordProblem(const StoredRecord &stored);

// --- parameter blocks ---------------------------------------------------------------

// A field of the parameters page and the bytes of its block it is read from.
struct BlockField {
    QByteArray name;
    int firstByte;
    int bytes;
};
// The fields a parameter block carries; none for the blocks no page uses.
const QList<BlockField> &FieldsOfParameterBlock(const QByteArray &block);
// Bytes of a block as read (two nibble characters a byte, or one message
// character), compared over what both hold.
int BlockBytes(const ParameterBlockLayout &layout, const QByteArray &data);
// Whether byte `index` of the two blocks differs (a byte neither holds does not).
bool BlockByteDiffers(const ParameterBlockLayout &layout, const QByteArray &a, const QByteArray &b, int index);

// A message block as it can be written: a byte below 0x20 (which could end or
// split the command) as a space. Unchanged when it holds none.
QByteArray WritableMessage(const QByteArray &data);
// Why a block cannot be written as it stands (a nibble block holding other
// than nibble characters), or empty.
QString ParameterBlockProblem(const ParameterBlockLayout &layout, const QByteArray &data);

// --- access codes ---------------------------------------------------------------------

// The codes of block 0003, and the block of codes (each code's leading
// digits, "?"-filled to 8: as its page writes them).
AccessCodes AccessCodesOfBlock(const QByteArray &data);
QByteArray AccessBlockOf(const AccessCodes &codes);

// --- tag blocks ------------------------------------------------------------------------

// The entries of the tag blocks, in block order (entries without a room or
// a code left out, as a tag download leaves them).
QList<BackupTag> TagsOfBlocks(const ParameterBlocks &blocks);
// The 128 tag blocks a list of entries gives as Write All writes them: four
// a block in order, "?" after the last entry and in every block after it.
ParameterBlocks TagBlocksOfTags(const QList<BackupTag> &tags);
// A block the erase of the tag list leaves: "?" throughout.
bool TagBlockBlank(const QByteArray &data);
// Whether data may stand as a tag block as read: 64 nibble characters.
bool TagBlockDataValid(const QByteArray &data);

} // namespace porv
