#pragma once
// What differs between the unit and the PC: between a fresh read of the unit
// and a backup, or between the unit's directory and the phone list on the PC.
// Records are matched by address and compared field by field, and block by
// block in the unit's own characters; the parameter blocks and the tag blocks
// byte for byte, the differences shown as the fields of the parameters page
// (named by their captions) where a field carries the bytes, and as "other
// bytes" of the block where none does; the PINs and emergency codes only by
// which differ (their codes are never shown); the tags by entry. A value the
// unit cannot hold as given is listed with what it would hold. The result is
// what would change if the PC side were written to the unit: "unit" is what
// the unit holds now, "pc" what it would hold.
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "unitbackup.h"

namespace porv {

class MemTable;
class ParameterFields;

struct FieldChange {
    QByteArray field; // "name", "phone", "tag"; a parameters field's control name ("Phs_run")
    QString label;    // "Phone"; "Run Timer (1-99m)"; "Phone (as stored)" for the unit's characters
    QByteArray unit;  // the unit's value now
    QByteArray pc;    // the value given
    // What the unit would hold instead, when it cannot hold the value as given.
    std::optional<QByteArray> stored;
};

struct RecordChange {
    enum class Kind { Added, Removed, Changed, Moved };
    Kind kind = Kind::Changed;
    QByteArray addr; // where: the address the record takes (Added, Changed, Moved) or leaves (Removed); "new" for a
                     // record without one yet
    QByteArray from; // Moved: the address the unit holds it at now
    QByteArray name;
    QByteArray room;
    QList<FieldChange> fields; // the fields that differ
    QString problem;           // why the unit cannot hold it (it is not written), when it cannot
};

// Bytes of a block that differ where no field of it shows them.
struct BlockChange {
    QByteArray block; // "0001", "1535"
    int bytes = 0;
};

struct UnitDiff {
    QList<RecordChange> records;       // in address order
    QList<FieldChange> parameters;     // in page order
    QList<BlockChange> parameterBytes; // the parameter blocks' other bytes, in block order
    QStringList parameterProblems;     // blocks that differ and are not written as they stand, with why
    QStringList accessDiffer;          // "PIN 2", "Emergency code 1"
    QList<BackupTag> tagsAdded;        // in the PC's order
    QList<BackupTag> tagsRemoved;      // in the unit's order
    bool tagOrderChanged = false;      // the same tags in another block order
    QList<BlockChange> tagBytes;       // the tag blocks' other bytes
    QStringList notes;                 // what was not compared, and why; a different model
    // What the lines call the side that is not the unit: "file" (a backup, a
    // phone list file), "PC" (a page's data).
    QString unitSide = QStringLiteral("unit");
    QString pcSide = QStringLiteral("file");

    bool Same() const;
    int RecordsAdded() const;
    int RecordsRemoved() const;
    int RecordsChanged() const;
    int RecordsMoved() const;
};

// The unit as read now (`unit`, a backup of it) against a backup file
// (`backup`): what restoring the file would change. Parts either side lacks
// are left out and noted.
UnitDiff CompareUnit(const UnitBackup &unit, const UnitBackup &backup);

// The unit's directory (`unit.directory`, a whole dump; with `unit.tags` when
// they were read) against the phone list table: what writing the changes
// would do. Records without a usable address show as new; the tags are
// compared when the unit's were read, by record (the RFID field against the
// tag the unit's list gives that record's room, as a tag download binds
// them) and as entries.
UnitDiff ComparePhoneList(const MemTable &table, const UnitBackup &unit, int memoryLimit);

// The unit's parameter blocks against the parameters page's fields on the PC:
// what its Write All would change, field by field with both values.
UnitDiff CompareParameterFields(const ParameterBlocks &unit, const ParameterFields &pc);

// A record's Code 1 and Code 2 and the gate codes (code_g1 .. code_sd2): the
// codes that open the doors. The difference's lines and JSON say that such a
// field differs, never its values ("****", or "(empty)" for no code).
bool IsReleaseCodeField(const QByteArray &field);

// The difference as lines of text, for a list in the window or a terminal:
// a heading per part, then one line per record, field, block or tag, each
// value named by its side ("unit: BAKER B  file: BAKER UX3").
QStringList DiffLines(const UnitDiff &diff);
// The difference as a JSON object: "same", "records", "parameters", "blocks",
// "access", "tags", "notes".
QJsonObject DiffToJson(const UnitDiff &diff);

// --- the parts, for the restore's own plan ------------------------------------------

// The parameter blocks a backup puts back: those it holds as read, or, for
// one that holds the parameters image alone, the gate codes, messages and
// speed dials the image gives whole. Throws ConversionError for an image
// whose relay-2 value is empty.
ParameterBlocks ParameterBlocksOfBackup(const UnitBackup &backup);
// The tag blocks of a backup or a unit read: as read, or as the tags give them.
std::optional<ParameterBlocks> TagBlocksOf(const UnitBackup &backup);
// Block 0003 of a backup or a unit read: as read, or as the codes give it.
std::optional<QByteArray> AccessBlockOfBackup(const UnitBackup &backup);

} // namespace porv
