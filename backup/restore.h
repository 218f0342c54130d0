#pragma once
// Putting a backup back on a unit, the same one or a replacement: the
// parameter blocks, the PINs and emergency codes, the directory and the tags,
// each written and verified as its own page writes it, and only what differs
// from the unit's memory as read just before (block for block, record for
// record). Whether to go on is the caller's question: CompareUnit
// (unitcompare.h) of that same read gives what will change, the caller asks,
// then RestoreUnit writes.
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
// known, a directory with records at addresses outside the unit's own (a
// bigger model's backup), malformed tags, a damaged parameter block or image,
// a backup that holds nothing to restore. A different model line that fits is
// only noted; a record the unit cannot hold is left out alone (the plan says
// which).
struct RestoreCheck {
    QString refusal; // empty when the restore may go on
    QStringList notes;
    bool allowed() const { return refusal.isEmpty(); }
};
RestoreCheck CheckRestore(const UnitBackup &backup, const UnitIdentity &connected);

// What a restore writes, against the unit's memory as read (`unitNow`).
struct RestorePlan {
    QList<QPair<QByteArray, QByteArray>> parameterWrites; // block and data, in the restore's order (not 0003)
    std::optional<QByteArray> accessWrite;                // block 0003
    std::optional<DirectoryPlan> directory;
    // When any tag block differs: the list is erased and these blocks (every
    // one that is not blank) written again, in order.
    std::optional<QList<TagBlockWrite>> tagWrites;
    QStringList refused; // what differs and is not written, with why
    QStringList leftOut; // what the backup does not hold, left as the unit holds it
    bool Empty() const;
};
RestorePlan PlanRestore(const UnitBackup &backup, const UnitBackup &unitNow, const UnitIdentity &connected);

// The steps, as progress names them.
namespace restorestep {
inline const char *const kParameters = "Writing the parameters";
inline const char *const kAccess = "Writing the PINs and emergency codes";
inline const char *const kDirectory = "Writing the phone list";
inline const char *const kTags = "Writing the tags";
} // namespace restorestep

struct RestoreReport {
    QString refusal;                 // CheckRestore's, or why the unit could not be read: nothing was written
    bool parametersWritten = false;  // the parameter step ran
    QStringList parameterFailures;   // blocks not confirmed ("block 0013")
    QStringList parametersLeftOut;   // what the backup did not hold
    std::optional<bool> accessWritten; // absent when block 0003 was left as it was
    std::optional<DirectoryWriteReport> directory;
    std::optional<WriteAllReport> tags;
    QStringList refused;             // what differs and was not written because the unit cannot hold it
    QStringList written;             // what the unit confirmed: "block 0001", "SMITH J at 1000", "the tags"
    QStringList left;                // what was not sent (the link closed, or the unit fell silent)
    bool stopped = false;            // the link closed on the way
    bool silent = false;             // the unit stopped answering: the rest was not sent
    bool cancelled = false;          // stopped at a cancel request, between two blocks
    bool ok() const;
    // What went wrong, one line each; empty when everything was written. The
    // lists of what was and was not written name at most `named` items
    // (all when negative).
    QStringList Problems(int named = -1) const;
};

// The items joined by commas, at most `named` of them (all when negative)
// and "and n more"; "nothing" for none.
QString NamedItems(const QStringList &items, int named = -1);

// Writes the backup to the connected unit: of the parameter blocks (in the
// order of Write All, the blocks no page uses before the settings; each
// verified; a backup of the parameters image alone gives the gate codes,
// messages and speed dials), block 0003, the directory's records (so that the
// unit holds exactly the backup's records at their addresses) and the tag
// blocks (erased and rewritten as Write All does, verified) only what differs
// from `unitNow`, a read of the unit taken just before (the one the changes
// were shown from); without one the unit is read first. CheckRestore runs
// first; a refusal, or a read that does not arrive whole, writes nothing.
// Three writes in a row that the unit does not answer end it, and so does a
// cancel request, between two blocks.
RestoreReport RestoreUnit(Link &link, ShellServices &shell, const UnitBackup &backup, const UnitIdentity &connected,
                          const std::optional<UnitBackup> &unitNow = std::nullopt, const OperationHooks &hooks = {});

} // namespace porv
