#pragma once
// The phone list against the unit's directory, record by record: which
// records the unit must be given (new or changed), which of its records it
// must lose, and the writes that do only that. Each record goes out as a
// single-record write with the checks of the directory commit (a record the
// unit could not list back is refused, the telephone layout left out, commas
// and control bytes of the name sent as spaces), at most twice; a record the
// unit no longer needs has its block erased.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

#include <optional>

#include "backupprogress.h"
#include "directorytable.h"
#include "unitbackup.h"

namespace porv {

class DirectoryAccess;
class Link;
class MemTable;
class ShellServices;
class StepShell;

// A record as the unit lists it back after a single-record write of it: room,
// codes and spare as their leading digits, the telephone number as the unit
// dials it (layout left out), the name with commas and control bytes as spaces.
BackupRecord StoredForm(const BackupRecord &record);

// A record the unit is to hold, with where it came from.
struct TargetRecord {
    BackupRecord record;  // its fields as given (not yet in the stored form); addr as given
    QByteArray tag;       // its RFID (upper case), for the comparison; empty when none
    RecordProblem problem;// what keeps the unit from listing it back
    QString label;        // how messages name it
};

// The records of a phone list table, in its order (a pending blank record is
// not one of them).
QList<TargetRecord> TargetRecordsOfTable(const MemTable &table);
// The records of a backup, at their addresses.
QList<TargetRecord> TargetRecordsOfBackup(const QList<BackupRecord> &records);

// An address a record may keep: four hexadecimal digits naming a directory
// block from 0x1000 up to and including memoryLimit.
bool UsableAddress(const QByteArray &addr, int memoryLimit);

struct DirectoryPlan {
    struct Write {
        BackupRecord record;               // the stored form, at its address
        std::optional<BackupRecord> before; // what the unit holds there now
        QString label;
    };
    QList<Write> writes;        // in address order
    QList<BackupRecord> erases; // the unit's records no target keeps, in address order
    // Targets without a usable address of their own (none, a placeholder,
    // outside this unit's directory, or the address of an earlier record),
    // by index: they take the lowest free addresses, in order.
    QList<int> needAddress;
    QList<QByteArray> freeAddresses; // what they take; fewer when the unit is full
    QMap<QByteArray, int> placed;    // address -> the target that goes there, for every placed target
    QStringList refused;             // targets the unit cannot store, with why
    bool fits() const { return freeAddresses.size() == needAddress.size(); }
};

// What must change for the unit's directory (`unit`, a whole dump) to hold
// the targets.
DirectoryPlan PlanDirectoryChanges(const QList<TargetRecord> &targets, const QList<BackupRecord> &unit,
                                   int memoryLimit);

struct DirectoryWriteReport {
    bool started = false;     // anything went to the unit
    QStringList refused;      // records the checks refused: nothing was written
    QString notWritten;       // why nothing was written (refused records, a full unit, an incomplete dump)
    int written = 0;          // records the unit acknowledged
    int erased = 0;           // blocks erased and acknowledged
    QStringList failed;       // records and blocks the unit did not acknowledge twice
    QStringList addressed;    // records that were given an address: "SMITH J at 1040"
    bool stopped = false;     // the link closed before the end
    bool ok() const { return notWritten.isEmpty() && failed.isEmpty() && !stopped; }
};

// Runs a plan whose targets all have their addresses: the writes, then the
// erases, each at most twice, while the link stays logged on.
DirectoryWriteReport WriteDirectoryPlan(Link &link, StepShell &shell, const DirectoryPlan &plan);

// Write changes: the table on the PC against a fresh, whole dump of the unit
// (ReadUnitDirectory). When every record passes the checks and the unit has
// room, records without a usable address take the lowest free ones in the
// table, then only the records that differ are written and the blocks of the
// unit's records the table no longer has are erased. Nothing is written when a
// record is refused (each one named) or the dump was not whole. The table
// mirrors the unit afterwards (DirectorySynced).
DirectoryWriteReport WriteDirectoryChanges(Link &link, ShellServices &shell, DirectoryAccess &directory,
                                           const QList<BackupRecord> &unitNow, bool unitNowComplete,
                                           const ProgressCallback &progress = {});

} // namespace porv
