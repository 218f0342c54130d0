#pragma once
// What differs between the unit and the PC: between a fresh read of the unit
// and a backup, or between the unit's directory and the phone list on the PC.
// Records are matched by address and compared field by field (the values as
// the unit stores them); the parameters by the fields of the parameters page,
// named by their captions; the PINs and emergency codes only by which differ
// (their codes are never shown); the tags by entry. The result is what would
// change if the PC side were written to the unit: "unit" is what the unit
// holds now, "pc" what it would hold.
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "unitbackup.h"

namespace porv {

class MemTable;
class ParameterFields;

struct FieldChange {
    QByteArray field; // "name", "phone", "tag"; a parameters field's control name ("Phs_run")
    QString label;    // "Phone"; "Run Timer (1-99m)"
    QByteArray unit;  // the unit's value now
    QByteArray pc;    // the value written
};

struct RecordChange {
    enum class Kind { Added, Removed, Changed };
    Kind kind = Kind::Changed;
    QByteArray addr; // where: the address the record takes (Added, Changed) or leaves (Removed); "new" for a record
                     // without one yet
    QByteArray name;
    QByteArray room;
    QList<FieldChange> fields; // Changed: the fields that differ
    QString problem;           // why the unit could not store it, when it could not
};

struct UnitDiff {
    QList<RecordChange> records;     // in address order
    QList<FieldChange> parameters;   // in page order
    QStringList accessDiffer;        // "PIN 2", "Emergency code 1"
    QList<BackupTag> tagsAdded;      // in the PC's order
    QList<BackupTag> tagsRemoved;    // in the unit's order
    bool tagOrderChanged = false;    // the same tags in another block order
    QStringList notes;               // what was not compared, and why; a different model

    bool Same() const;
    int RecordsAdded() const;
    int RecordsRemoved() const;
    int RecordsChanged() const;
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

// The difference as lines of text, for a list in the window or a terminal:
// a heading per part, then one line per record, field or tag.
QStringList DiffLines(const UnitDiff &diff);
// The difference as a JSON object: "same", "records", "parameters",
// "access", "tags", "notes".
QJsonObject DiffToJson(const UnitDiff &diff);

} // namespace porv
