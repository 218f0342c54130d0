#pragma once
// The whole directory to and from the unit, without a window: the download
// (one dump of every record), the full upload (sorted by name, numbered from
// 1000, the unit's directory erased, every record written again) and the
// erase it starts with. They run on the thread of the link; their waits
// process events. They word nothing for the person: each returns a report of
// what happened, which the page or the command words its own way. Status
// texts, the question and the transfer window go through ShellServices; what
// a window shows of the directory itself (its grids, the WrtChg box, the
// transfer buttons) follows through the hooks of DirectoryAccess, which do
// nothing by default.
#include <QByteArray>
#include <QStringList>

#include "directorytable.h"
#include "memtable.h"

namespace porv {

class Link;
class ShellServices;

// The directory the transfers work on: the table with its state flags, and the
// window's view of them.
class DirectoryAccess {
public:
    virtual ~DirectoryAccess() = default;
    virtual MemTable &Table() = 0;
    virtual DirectoryState &State() = 0;
    // The grids' columns after the table was defined afresh.
    virtual void LayoutDirectoryGrid() {}
    // DirectorySynced changes (a page's WrtChg box follows it).
    virtual void SetDirectorySynced(bool synced) { State().DirectorySynced = synced; }
    // While a download or full upload runs, its own commands and the page's
    // transfer buttons are held disabled; at the release they are back as
    // they were.
    virtual void HoldTransfers(bool hold) { (void)hold; }
    // While a full upload rewrites the unit, the grid takes no clicks.
    virtual void HoldGrid(bool hold) { (void)hold; }
};

// A directory of its own, for work without a page (tools, tests): the table
// defined and open, the flags at their start values.
class StandaloneDirectory : public DirectoryAccess {
public:
    StandaloneDirectory();
    MemTable &Table() override { return table; }
    DirectoryState &State() override { return state; }

    MemTable table;
    DirectoryState state;
};

struct DirectoryDownloadReport {
    bool started = false;   // false while another transfer fills the table
    bool complete = false;  // the dump's closing line came: the table mirrors the unit
    bool silent = false;    // the unit fell silent
    bool loggedOff = false; // a Log Off ended the wait
    int records = 0;        // records in the table afterwards
    // The dump's reply as this request received it (whole or not), read by
    // ReadDirectoryDump.
    QByteArray dump;
};

// GetData: "d01281152", the dump collected as one bulk reply until its closing
// line (a record whose name holds "OK" does not end it), a unit silent for 41
// polls, the poll budget (500, or 1000 through a modem) or a Log Off; then the
// table defined afresh and filled in the unit's order with the records that
// have a name and a room. DirectorySynced follows whether the dump arrived
// whole. The transfer's window, cursor, lamp and keep-alive are given back
// however it ends.
DirectoryDownloadReport DownloadDirectory(Link &link, ShellServices &shell, DirectoryAccess &directory);

enum class UploadOutcome {
    TooMany,      // more records than the model stores; nothing changed
    NotConfirmed, // the user did not answer Yes; nothing changed
    Empty,        // no record: sorted, nothing erased or written
    NotErased,    // the erase was never acknowledged: renumbered, nothing written
    Written,      // the rewrite ran (see errors and skipped)
};

// A record a full upload left out: the unit could not list it back.
struct SkippedRecord {
    QByteArray name;
    QByteArray room; // as it would be written (NumericOrZero of the table's)
    QByteArray addr;
    RecordProblem problem;
};

struct DirectoryUploadReport {
    UploadOutcome outcome = UploadOutcome::Written;
    int capacity = 0;       // the records the model stores (the limit of TooMany)
    int sent = 0;           // records written to the unit (refused ones included)
    int errors = 0;         // records refused twice
    int roomsZeroed = 0;    // rooms that were no whole number, written as "0"
    QList<SkippedRecord> skipped; // records the unit could not list back, with why
    bool namesChanged = false; // a comma or control byte in a name was sent as a space
};

// WriteData: the count against DirectoryCapacity, the question, the sort by
// name with consecutive addresses from 1000, the erase, then every record the
// unit can list back written (one retry each; six records refused twice end
// it, so does a Log Off); the report names errors, skipped records, rooms
// written as "0" and changed names. The table is in name order and
// DirectorySynced set after any rewrite, whole or not.
DirectoryUploadReport UploadDirectory(Link &link, ShellServices &shell, DirectoryAccess &directory);

// The erase of the unit's whole directory, "f5a", at most twice: true when an
// "OK" answered it. The prompt (a lone CR) sent before it is owed an "OK"
// too, which a slow unit sends only after "f5a" has gone out: every "OK" up
// to then answers the prompt, and only one beyond those answers the erase.
// ReplyReceived is left as the outcome.
bool EraseDirectory(Link &link);

} // namespace porv
