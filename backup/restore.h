#pragma once
// Putting a backup back on a unit, the same one or a replacement: the
// parameters, the PINs and emergency codes, the directory and the tags, each
// written and verified as its own page writes it. Whether to go on is the
// caller's question: CompareUnit (unitcompare.h) gives what will change, the
// caller asks, then RestoreUnit writes.
#include <QStringList>

#include <optional>

#include "backupprogress.h"
#include "directorychanges.h"
#include "tagtransfer.h"
#include "unitbackup.h"
#include "unitread.h"

namespace porv {

class Link;
class ShellServices;

// Whether the backup can go on the connected unit at all. Refused, before
// anything is written: a unit whose model (and so its directory's size) is not
// known, a directory with records at addresses beyond the unit's own (a
// bigger model's backup), records the unit could not list back, malformed
// tags, a backup that holds nothing to restore. A different model line that
// fits is only noted.
struct RestoreCheck {
    QString refusal; // empty when the restore may go on
    QStringList notes;
    bool allowed() const { return refusal.isEmpty(); }
};
RestoreCheck CheckRestore(const UnitBackup &backup, const UnitIdentity &connected);

// The steps, as progress names them.
namespace restorestep {
inline const char *const kParameters = "Writing the parameters";
inline const char *const kAccess = "Writing the PINs and emergency codes";
inline const char *const kDirectory = "Writing the phone list";
inline const char *const kTags = "Writing the tags";
} // namespace restorestep

struct RestoreReport {
    QString refusal;                 // CheckRestore's: nothing was written
    bool parametersWritten = false;  // the parameter blocks went out
    QStringList parameterFailures;   // blocks not confirmed ("block 0013")
    QStringList parametersLeftOut;   // what the backup did not hold of them
    std::optional<bool> accessWritten; // absent when the backup holds no codes
    std::optional<DirectoryWriteReport> directory;
    std::optional<WriteAllReport> tags;
    bool stopped = false;            // the link closed on the way
    bool ok() const;
    // What went wrong, one line each; empty when everything was written.
    QStringList Problems() const;
};

// Writes the backup to the connected unit: the parameter blocks (in the order
// of Write All, each verified; blocks the backup holds only as the parameters
// image are rebuilt from it, and only the groups the image holds whole), the
// PINs and emergency codes (when the backup holds them), the directory (so
// that the unit holds exactly the backup's records at their addresses: only
// records that differ are written, the others' blocks erased) and the tag list
// (erased and rewritten as Write All does, verified). `unitDirectory` is a
// whole dump of the unit taken just before (the automatic backup's); without
// one the directory is dumped first. CheckRestore runs first; a refusal, or a
// dump that does not arrive whole, writes nothing.
RestoreReport RestoreUnit(Link &link, ShellServices &shell, const UnitBackup &backup, const UnitIdentity &connected,
                          const std::optional<QList<BackupRecord>> &unitDirectory = std::nullopt,
                          const ProgressCallback &progress = {});

} // namespace porv
