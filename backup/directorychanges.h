#pragma once
// The phone list against the unit's directory, record by record: which
// records the unit must be given (new or changed), which of its records it
// must lose, and the writes that do only that. Each record goes out as one
// single-record write in the unit's own characters (StoredRecord), at most
// twice; a record the unit no longer needs has its block erased. What a
// record on the PC leaves as the unit holds it is written as the unit holds
// it (the digits after a "?" of its number, its "=" and ">"), and what the
// unit cannot hold as given is written as it can hold it and listed.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>

#include <optional>

#include "backupprogress.h"
#include "unitbackup.h"
#include "unitmemory.h"

namespace porv {

class DirectoryAccess;
class Link;
class MemTable;
class ShellServices;
class OperationSteps;
class WriteWatch;

// A record the unit is to hold, with where it came from.
struct TargetRecord {
    BackupRecord record;  // its fields as given; its dump line when it came from the unit
    QByteArray tag;       // its RFID (upper case), for the comparison; empty when none
    QString problem;      // why the unit cannot hold it (it is then not written), or empty
    QString label;        // how messages name it
};

// The records of a phone list table, in its order (a pending blank record is
// not one of them). A record without a name, one whose room would be stored
// empty, or whose number holds what the unit cannot store, has a problem.
QList<TargetRecord> TargetRecordsOfTable(const MemTable &table);
// The records of a backup, at their addresses. Records the unit listed (with
// their line) go back as they were listed, whatever they hold.
QList<TargetRecord> TargetRecordsOfBackup(const QList<BackupRecord> &records);

// An address a record may keep: four hexadecimal digits naming a directory
// block from 0x1000 up to and including memoryLimit.
bool UsableAddress(const QByteArray &addr, int memoryLimit);

// What a target asks of the unit's block: its own items when it came from
// the unit; otherwise its fields as a write stores them, except that a field
// equal to what the unit's record there holds is left as that record holds it
// (so a phone list leaves the digits after a "?" of a number as they are).
StoredRecord WriteFormOf(const TargetRecord &target, const BackupRecord *unitRecord);
// What of it can go out: its name as StorableName makes it.
StoredRecord SendableForm(StoredRecord stored);

struct DirectoryPlan {
    struct Write {
        StoredRecord stored;                // what goes to the block
        QByteArray addr;                    // the block's address
        std::optional<BackupRecord> before; // what the unit holds there now
        QString label;
    };
    QList<Write> writes;        // in address order
    QList<BackupRecord> erases; // the unit's records no target keeps, in address order
    // Targets without a usable address of their own (none, a placeholder,
    // outside this unit's directory, or the address of an earlier record),
    // by index: they take the lowest free addresses, in order (unless the
    // addresses are kept: see PlanDirectoryChanges).
    QList<int> needAddress;
    QList<QByteArray> freeAddresses; // what they take; fewer when the unit is full
    QMap<QByteArray, int> placed;    // address -> the target that goes there, for every placed target
    QStringList refused;             // targets the unit cannot hold, with why; they are not written
    QMap<int, QString> problems;     // the same by target: why it is not written
    bool fits() const { return freeAddresses.size() == needAddress.size(); }
};

// What must change for the unit's directory (`unit`, a whole dump) to hold
// the targets. With keepAddresses (a backup's records) a target outside this
// unit's directory is refused rather than given another address; without (a
// phone list) the unit's records without a name or a room, which a phone
// list never holds, are kept where they are.
DirectoryPlan PlanDirectoryChanges(const QList<TargetRecord> &targets, const QList<BackupRecord> &unit,
                                   int memoryLimit, bool keepAddresses = false);

struct DirectoryWriteReport {
    bool started = false;     // anything went to the unit
    QStringList refused;      // records not written because the unit cannot hold them, with why
    QString notWritten;       // why nothing was written (a full unit, an incomplete dump)
    int written = 0;          // records the unit acknowledged
    int erased = 0;           // blocks erased and acknowledged
    QStringList done;         // what the unit acknowledged: "SMITH J at 1000", "the erase of LEE at 1040"
    QStringList failed;       // records and blocks the unit did not acknowledge twice
    QStringList left;         // what was not sent, because the link closed or the unit fell silent
    QStringList addressed;    // records that were given an address: "SMITH J at 1040"
    bool stopped = false;     // the link closed before the end
    bool silent = false;      // the unit stopped answering: the rest was not sent
    bool cancelled = false;   // stopped at a cancel request: the rest was not sent
    bool ok() const { return notWritten.isEmpty() && failed.isEmpty() && !stopped && !silent && !cancelled; }
};

// Runs a plan whose targets all have their addresses: the writes, then the
// erases, each at most twice, while the link stays logged on and the unit
// answers (`watch`: three writes in a row without an answer end it) and no
// cancel is requested (asked before each block).
DirectoryWriteReport WriteDirectoryPlan(Link &link, const OperationSteps &steps, const DirectoryPlan &plan,
                                        WriteWatch &watch);

// Write changes: the table on the PC against a fresh, whole dump of the unit
// (ReadUnitDirectory). Records without a usable address take the lowest free
// ones in the table, then only the records that differ are written and the
// blocks of the unit's records the table no longer has are erased. A record
// the unit cannot hold is left out and named; nothing is written when the
// unit has no room or the dump was not whole. The table mirrors the unit
// afterwards (DirectorySynced) unless a record was left out.
DirectoryWriteReport WriteDirectoryChanges(Link &link, ShellServices &shell, DirectoryAccess &directory,
                                           const QList<BackupRecord> &unitNow, bool unitNowComplete,
                                           const OperationHooks &hooks = {});

} // namespace porv
