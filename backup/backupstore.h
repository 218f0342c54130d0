#pragma once
// The automatic backups: before anything overwrites what a unit holds (a
// Write All of the directory, the parameters or the tags, a restore) the
// caller takes one into the user's data folder, named by model, connection and
// time; the newest kKeptBackups are kept, older ones removed.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

#include "backupprogress.h"
#include "unitbackup.h"
#include "unitread.h"

namespace porv {

class Link;
class ShellServices;

constexpr int kKeptBackups = 30;

// QStandardPaths::GenericDataLocation + "/porv-pro/backups": the window's data
// folder ($XDG_DATA_HOME/porv-pro), shared by porv-pro and porv-cli.
QString BackupStoreFolder();

// "<model line>_<address or port>_<yyyyMMdd-HHmmss>Z.qx4b", every character
// outside letters, digits, "." and "-" made "_" (a serial port by its device
// name: "ttyUSB0").
QString AutomaticBackupName(const UnitIdentity &unit, const QDateTime &taken);

struct AutomaticBackup {
    std::optional<UnitBackup> backup; // what was read (also the unit's state for a restore's comparison)
    QString path;                     // where it went, for the status bar
    QString error;                    // why there is none: the step the unit did not answer, or the file
    QStringList removed;              // older backups removed
    bool taken() const { return !path.isEmpty(); }
};

// Reads the unit (without its event log unless asked) and saves it in the
// store (created owner-only when missing), then keeps the newest kKeptBackups.
// When the unit does not answer or the file cannot be written, nothing is
// saved and the error says why: the caller asks before going on.
AutomaticBackup TakeAutomaticBackup(Link &link, ShellServices &shell, const UnitIdentity &unit,
                                    const ProgressCallback &progress = {}, const UnitReadOptions &options = {false});
// Saves a read of the unit taken already (the one a restore's changes were
// shown from) in the store, as TakeAutomaticBackup saves its own.
AutomaticBackup StoreAutomaticBackup(const UnitBackup &backup, const UnitIdentity &unit);

// Removes all but the newest `keep` automatic backups of the folder (files
// named as AutomaticBackupName names them; nothing else is touched), by the
// time in their names. Returns the paths removed.
QStringList PruneBackupStore(const QString &folder, int keep = kKeptBackups);

} // namespace porv
