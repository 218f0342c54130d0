#pragma once
// The automatic backups: before anything overwrites what a unit holds (a
// Write All of the directory, the parameters or the tags, a restore) the
// caller takes one into the user's data folder, named by model, connection and
// time. The store keeps the newest kKeptBackups of each unit and never fewer
// than one; it removes only files it wrote itself, which its index lists.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "backupprogress.h"
#include "unitbackup.h"
#include "unitread.h"

namespace porv {

class Link;
class ShellServices;

// Of each unit: the backups of one unit never push out another's.
constexpr int kKeptBackups = 30;

// QStandardPaths::GenericDataLocation + "/porv-pro/backups": the window's data
// folder ($XDG_DATA_HOME/porv-pro), shared by porv-pro and porv-cli. Empty
// when the system names no data folder at all.
QString BackupStoreFolder();

// The store's list of the files it wrote, in its folder: only these are ever
// removed.
inline constexpr const char *kBackupStoreIndex = "automatic-backups.list";

// "<model line>_<address or port>_<yyyyMMdd-HHmmss>Z.qx4b", every character
// outside letters, digits, "." and "-" made "_" (a serial port by its device
// name: "ttyUSB0"). What comes before the time names the unit.
QString AutomaticBackupName(const UnitIdentity &unit, const QDateTime &taken);

struct AutomaticBackup {
    std::optional<UnitBackup> backup; // what was read (also the unit's state for a restore's comparison)
    QString path;                     // where it went, for the status bar
    QString error;                    // why there is none: the step the unit did not answer, or the folder or file
    bool storeProblem = false;        // the folder or the file kept it from being saved, not the unit
    QString folder;                   // the store's folder
    QStringList removed;              // older backups removed
    bool taken() const { return !path.isEmpty(); }
};

// The store's folder, made (owner-only) when missing; the problem, naming the
// folder, when it cannot be made or written (a caller that would refuse
// without a backup asks this before reading the unit).
QString BackupStoreProblem();

// Reads the unit (without its event log unless asked) and saves it
// (SaveAutomaticBackup). When the unit does not answer, or the store cannot
// keep the file, nothing is saved and the error says why (what was read is
// still in `backup`): the caller asks before going on, or refuses.
AutomaticBackup TakeAutomaticBackup(Link &link, ShellServices &shell, const UnitIdentity &unit,
                                    const OperationHooks &hooks = {}, const UnitReadOptions &options = {false});
// Saves what was read of the unit into the store (also a read taken already,
// the one a restore's changes were shown from), named by its identity and
// the time it was taken ("-2" for a second in the same second), adds it to
// the index and keeps the newest kKeptBackups of that unit.
AutomaticBackup SaveAutomaticBackup(const UnitBackup &backup, const UnitIdentity &unit);

// Where a program keeps the automatic backups of some units instead of the
// store (the site book, as snapshots): the result when it kept the backup,
// its `path` naming where; nothing when the unit is not one of its own, and
// the store keeps it. One for the program; an empty one puts it back.
using AutomaticBackupKeeper = std::function<std::optional<AutomaticBackup>(const UnitBackup &, const UnitIdentity &)>;
void SetAutomaticBackupKeeper(AutomaticBackupKeeper keeper);

// A backup the user took (Back up unit, porv-cli backup), told to where the
// program keeps a unit's history (the site book, as a snapshot); nothing
// happens without one. One for the program; an empty one removes it.
using BackupTakenHook = std::function<void(const UnitBackup &)>;
void SetBackupTakenHook(BackupTakenHook hook);
void BackupTaken(const UnitBackup &backup);

// Removes, of the files the index lists, all but the newest `keep` (at least
// one) of each unit, by the time in their names; other files are never
// touched. Returns the paths removed.
QStringList PruneBackupStore(const QString &folder, int keep = kKeptBackups);

} // namespace porv
