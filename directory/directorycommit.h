#pragma once
// One record at a time, without a window: the commit of the edit boxes into
// the table (OK, and Insert, which commits them as a new record) with its
// write-through to the unit, and the delete of the current record with the
// erase of its block. Messages and questions go through ShellServices.
#include <QByteArray>
#include <QString>

#include "directorytable.h"

namespace porv {

class DirectoryAccess;
class Link;
class ShellServices;

// The most records the phone list keeps.
constexpr int kPhoneListLimit = 1000;

// The edit boxes' texts: a record as the user typed it.
struct DirectoryRecordText {
    QByteArray Name;
    QByteArray RoomNumber;
    QByteArray PHnumber;
    QByteArray Code1;
    QByteArray Code2;
    QByteArray spare;
};

// The message for a name that does not start with A-Z, a-z or 0-9 (or is empty).
QString NameRuleMessage();

// An address the b command can name a block by: hexadecimal digits only (a
// placeholder address from a tag download is not one).
bool IsHexAddress(const QByteArray &text);

// Single changes go to the unit as they are made: logged on, Write Each
// Change ticked, and the table mirrors the unit (DirectorySynced), so that an
// address names the same client in both.
bool WritesThrough(const Link &link, const DirectoryState &state, bool writeEachChange);

enum class CommitOutcome {
    Committed,    // in the table, and written through when changes are
    NotStorable,  // the unit could not list it back: the reason was shown
    Declined,     // No to "RoomNumber exist, Continue?"
    LimitReached, // a new record past kPhoneListLimit
    NoAddress,    // no free address for it
};

struct CommitReport {
    CommitOutcome outcome = CommitOutcome::Committed;
    RecordProblem problem; // what made it NotStorable
    bool written = false;  // the unit acknowledged the write-through
};

// NavOkClick without the page. The boxes go into the current record, or into
// a new one (the current record is a new, unposted one, or the table is
// empty) at the lowest free address; a record without an address of its own
// takes one too when changes are written through. A room another record
// already has is asked about. Written through, the boxes' record goes to its
// block (at most twice); "Failed to Write" when neither write was
// acknowledged, and a note when the unit stores the name otherwise. The
// record's boxes are not refreshed from the table meanwhile
// (ShowRecordEnabled off), however the commit ends.
CommitReport CommitDirectoryRecord(Link &link, ShellServices &shell, DirectoryAccess &directory,
                                   const DirectoryRecordText &boxes, bool writeEachChange);

// The delete of the current record, before the table deletes it: asks "Erase
// Current record"; on Yes sets DeleteConfirmed and, when changes are written
// through, erases the record's block in the unit (an empty record, sent once,
// its answer not looked at). On No clears DeleteConfirmed. Returns the answer.
bool ConfirmRecordDelete(Link &link, ShellServices &shell, DirectoryAccess &directory, bool writeEachChange);

} // namespace porv
