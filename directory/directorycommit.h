#pragma once
// One record at a time, without a window: the commit of the edit boxes into
// the table (OK, and Insert, which commits them as a new record) with its
// write-through to the unit, and the delete of the current record with the
// erase of its block. Questions go through ShellServices; what happened comes
// back as a report for the page to word.
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

// An address the b command can name a block by: hexadecimal digits only (a
// placeholder address from a tag download is not one).
bool IsHexAddress(const QByteArray &text);

// Single changes go to the unit as they are made: logged on, Write Each
// Change ticked, and the table mirrors the unit (DirectorySynced), so that an
// address names the same client in both.
bool WritesThrough(const Link &link, const DirectoryState &state, bool writeEachChange);

enum class CommitOutcome {
    Committed,    // in the table, and written through when changes are
    NotStorable,  // the unit could not list it back (problem says why)
    Declined,     // No to "RoomNumber exist, Continue?"
    LimitReached, // a new record past kPhoneListLimit
    NoAddress,    // no free address for it
};

struct CommitReport {
    CommitOutcome outcome = CommitOutcome::Committed;
    RecordProblem problem;     // what made it NotStorable
    bool roomZeroed = false;   // the room box held no whole number: the table keeps "0"
    bool writtenThrough = false; // the record was sent to the unit
    bool written = false;      // the unit acknowledged the write-through
    QByteArray unitName;       // the name as the unit stores it (UnitName), when sent
};

// NavOkClick without the page. The boxes go into the current record, or into
// a new one (the current record is a new, unposted one, or the table is
// empty) at the lowest free address; a record without an address of its own
// takes one too when changes are written through. A room another record
// already has is asked about. Written through, the boxes' record goes to its
// block (at most twice); the report tells whether a write was acknowledged
// and how the unit stores the name. The record's boxes are not refreshed from the table meanwhile
// (ShowRecordEnabled off), however the commit ends.
CommitReport CommitDirectoryRecord(Link &link, ShellServices &shell, DirectoryAccess &directory,
                                   const DirectoryRecordText &boxes, bool writeEachChange);

// The delete of the current record, before the table deletes it: asks "Erase
// Current record"; on Yes sets DeleteConfirmed and, when changes are written
// through, erases the record's block in the unit (an empty record, sent once,
// its answer not looked at). On No clears DeleteConfirmed. Returns the answer.
bool ConfirmRecordDelete(Link &link, ShellServices &shell, DirectoryAccess &directory, bool writeEachChange);

} // namespace porv
