#pragma once
// Reading everything a unit holds in one go, through the subsystem cores: the
// directory (its dump), the parameter blocks, the PINs and emergency codes,
// the tag list and the event log with the unit's clock. No widgets; the link
// must be logged on. Progress goes to one callback; the lamp, cursor and
// keep-alive to the connection, what the cores say on the way to the caller's
// ShellServices (the services a whole-unit workflow gives the cores); the
// failure comes back in the result. The unit logged on to is the
// connection's (UnitIdentity).
#include <QByteArray>
#include <QString>

#include "backupprogress.h"
#include "unitbackup.h"
#include "unitconnection.h"

namespace porv {

class Link;
class Session;
class ShellServices;

// The steps, as progress and failures name them.
namespace readstep {
inline const char *const kDirectory = "Reading the phone list";
inline const char *const kParameters = "Reading the parameters";
inline const char *const kAccess = "Reading the PINs and emergency codes";
inline const char *const kTags = "Reading the tags";
inline const char *const kEvents = "Reading the event log";
} // namespace readstep

struct UnitReadOptions {
    // The event log (and with it the unit's clock). The automatic backup
    // before a write may leave it out: no write ever changes it.
    bool events = true;
};

struct UnitReadResult {
    std::optional<UnitBackup> backup; // everything asked for, read whole
    QString failedStep;               // the step that failed
    QString error;                    // why, in a few words
    bool cancelled = false;           // stopped at a cancel request, before `failedStep`
    bool ok() const { return backup.has_value(); }
    // "<step>: <error>", or empty.
    QString message() const;
};

// Reads the directory, parameters, PINs, tags and (unless left out) the event
// log, in this order. The first step the unit does not answer whole ends it,
// named in the result; nothing read is then kept. `taken` is when the read
// ended (UTC).
// A cancel request ends it before the next step.
UnitReadResult ReadWholeUnit(Link &link, ShellServices &shell, const UnitIdentity &unit,
                             const UnitReadOptions &options = {}, const OperationHooks &hooks = {});

// The directory alone, as a fresh dump (for the phone list's comparison and
// its written changes). Complete only when the dump's closing line came.
struct UnitDirectoryRead {
    QList<BackupRecord> records; // in the unit's order
    bool complete = false;
    QString error; // why it is not complete
};
UnitDirectoryRead ReadUnitDirectory(Link &link, ShellServices &shell, const OperationHooks &hooks = {});

// The parameter blocks alone (for the parameters page's comparison), each
// reply whole and in a form the tool reads; otherwise none and why.
struct UnitParametersRead {
    std::optional<ParameterBlocks> blocks;
    QString error;
};
UnitParametersRead ReadUnitParameters(Link &link, ShellServices &shell, const OperationHooks &hooks = {});

} // namespace porv
