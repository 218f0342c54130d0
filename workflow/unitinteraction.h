#pragma once
// What a whole-unit workflow asks of the person in front of the tool, and
// all it asks: a Yes/No question about a list of changes, a notice, the
// progress of its steps and whether Cancel was asked for. The window answers
// with its dialogs and its transfer window, porv-cli with the terminal (or
// --yes) and lines on standard error; each words it in its own way.
#include <QString>
#include <QStringList>

#include "backupprogress.h"
#include "unitcompare.h"

namespace porv {

struct UnitQuestion {
    enum class Kind {
        // Restore the backup `subject`, making these changes?
        Restore,
        // Write the phone list's changes (`toWrite` records written, `toErase`
        // erased)?
        WriteChanges,
        // No automatic backup of the unit as it is could be saved (`reason`):
        // write all the same?
        WithoutBackup,
    };
    Kind kind = Kind::Restore;
    QString subject;    // the backup's file name; "the phone list's changes"
    UnitDiff changes;   // what writing changes (Restore, WriteChanges)
    QStringList notes;  // said beside the changes: a different model, bytes no field shows
    int toWrite = 0;    // WriteChanges: records written
    int toErase = 0;    // WriteChanges: records erased
    QString reason;     // WithoutBackup: why there is none
    bool storeProblem = false; // WithoutBackup: the folder or file kept it, not the unit
};

struct UnitNotice {
    enum class Kind {
        Note,           // `text` says something about the file or the unit
        BackupSaved,    // the unit as it was is in the automatic backup `text` (its path)
        NotBackedUp,    // no automatic backup: `text` says why
        NoBackupWanted, // the caller asked for none (--no-backup)
    };
    Kind kind = Kind::Note;
    QString text;
};

class UnitInteraction {
public:
    virtual ~UnitInteraction() = default;

    // Yes (true) or No. The link may have been logged off meanwhile: the
    // workflow looks before it writes.
    virtual bool Ask(const UnitQuestion &question) = 0;
    virtual void Tell(const UnitNotice &notice) = 0;
    // The step running and how far it has come.
    virtual void Progress(const StepProgress &progress) = 0;
    // Asked between two blocks (two records, two steps): true stops there.
    virtual bool CancelRequested() = 0;
};

} // namespace porv
