#pragma once
// The whole-unit workflows, one function each, with the same steps for the
// window and porv-cli: back up, compare (with a backup file, a phone list, a
// parameters file or the parameters on the PC), write the phone list's
// changes, restore a backup. Each takes the link (logged on), the connected
// unit, and the caller's UnitInteraction (its questions, notices, progress
// and Cancel), and returns a typed report: what was written, what not, and
// why. The caller words the report.
//
// The writes read the unit once: that read is what the changes are shown
// from, what is compared block by block before each write, and, once the
// answer is Yes, the automatic backup. A restore writes whenever any block
// differs, byte for byte, even where no field shows the difference; when
// none differs it writes nothing and asks nothing.
#include <QString>
#include <QStringList>

#include <optional>

#include "backupstore.h"
#include "directorychanges.h"
#include "restore.h"
#include "unitcompare.h"
#include "unitinteraction.h"
#include "unitread.h"

namespace porv {

class DirectoryAccess;
class Link;
class MemTable;
class ParameterFields;

struct WriteOptions {
    // The unit as it is goes into the store of automatic backups before
    // anything is written (porv-cli's --no-backup turns it off).
    bool automaticBackup = true;
};

// Why a workflow ended before its end.
enum class WorkflowFailure {
    None,
    File,      // the file cannot be read, or is not what it must be: nothing asked of the unit
    Refused,   // the file cannot go on this unit (its check): nothing written
    Unit,      // the unit could not be read (the step and why): nothing written
    Cancelled, // Cancel before anything was written
};

// --- back up and compare ------------------------------------------------------------------

struct BackupReport {
    WorkflowFailure failure = WorkflowFailure::None;
    QString step;                   // Unit: the step the unit did not answer
    QString problem;                // why
    std::optional<UnitBackup> backup;
    bool ok() const { return failure == WorkflowFailure::None; }
};
// Everything the unit holds (the event log too unless left out).
BackupReport BackUpUnit(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                        const UnitReadOptions &options = {});

struct CompareReport {
    WorkflowFailure failure = WorkflowFailure::None;
    QString step;     // Unit: the step the unit did not answer
    QString problem;  // why the file was refused (naming it), or why the unit was not read
    UnitDiff diff;    // what writing the other side would change in the unit
    bool ok() const { return failure == WorkflowFailure::None; }
};
// A backup file against the unit read whole (but for its event log, which
// is never compared): what restoring it would change.
CompareReport CompareWithBackupFile(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                    const QString &path);
CompareReport CompareWithBackup(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                const UnitBackup &backup);
// A phone list file (refused when its first line names none of the phone
// list's fields or it holds no records), or the phone list on the PC,
// against the unit's directory: what writing the changes would do.
CompareReport CompareWithPhoneListFile(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                       const QString &path);
CompareReport CompareWithPhoneList(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                   const MemTable &table);
// A parameters file (.sys) on top of the unit's own parameters, as
// `parameters put` writes it, or the parameters on the PC (the page's
// fields), against the unit's parameter blocks: what their Write All would
// change, field by field.
CompareReport CompareWithParametersFile(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                        const QString &path);
CompareReport CompareWithParameterFields(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                         const ParameterFields &fields);

// --- the writes ---------------------------------------------------------------------------

struct UnitWriteReport {
    enum class Outcome {
        Failed,         // see `failure`: nothing written
        NothingToWrite, // the unit already holds it (what it cannot hold is in `refused`)
        Declined,       // No to the changes, or to writing without a backup, or logged off meanwhile
        Ran,            // the writes ran: see what was written and what not
    };
    Outcome outcome = Outcome::Failed;
    WorkflowFailure failure = WorkflowFailure::None;
    QString step;                            // Failed for the unit: the step it did not answer
    QString problem;                         // Failed: why
    QStringList notes;                       // the restore's check notes the changes do not hold
    UnitDiff changes;                        // what was shown (for NothingToWrite: what cannot be written)
    QStringList refused;                     // what differs and is not written because the unit cannot hold it
    bool withoutBackup = false;              // Declined at the question whether to write without a backup
    std::optional<AutomaticBackup> backup;   // the automatic backup saved, or why not; none with --no-backup
    std::optional<RestoreReport> restore;    // a restore's writes
    std::optional<DirectoryWriteReport> directory; // the phone list's writes

    // Written and verified as asked (Ran and nothing went wrong).
    bool ok() const;
    bool cancelled() const;
    // What the unit confirmed, and what it did not get (not confirmed, or not sent).
    QStringList written() const;
    QStringList notWritten() const;
};

// Restores a backup file: read and checked before the unit is read; then the
// unit read (all but its event log), the changes, the question, the read
// saved as the automatic backup, and every block that differs written and
// verified.
UnitWriteReport RestoreBackupFile(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                  const QString &path, const WriteOptions &options = {});
// The same for a backup read already (`name` names it in the questions).
UnitWriteReport RestoreBackup(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                              const UnitBackup &backup, const QString &name, const WriteOptions &options = {});

// Writes the changes of a phone list (the page's, or a file's loaded into
// `directory`) to the unit: the unit read once (whole but for its event log,
// the automatic backup; the directory alone without one), the changes, the
// question, the backup saved, then only the records that differ written and
// the unit's records the list no longer has erased.
UnitWriteReport WritePhoneListChanges(Link &link, const UnitIdentity &unit, UnitInteraction &interaction,
                                      DirectoryAccess &directory, const WriteOptions &options = {});

// Before a page's Write All replaces what the unit holds: the automatic
// backup (the unit read, but for its event log, and saved), or, when it
// cannot be taken, the question whether to write without one. True when the
// write goes on.
bool BackUpBeforeWrite(Link &link, const UnitIdentity &unit, UnitInteraction &interaction, const QString &what,
                       const WriteOptions &options = {});

} // namespace porv
