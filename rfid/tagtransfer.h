#pragma once
// The RFID page's exchanges with the unit: the tag list download with its
// binding to DirectoryTable, "Write All" (erase, then block by block with
// read-back), the erase command, and the two block checks they use. They run
// on the window's thread; their waits process events. They report what
// happened; the RFID page and porv-cli word it.
#include <QByteArray>
#include <QList>

#include <functional>

#include "directorytransfer.h"
#include "request.h"
#include "tagbinding.h"

namespace porv {

class BulkTransfer;
class Link;
class ShellServices;

// The questions the procedures ask.
namespace tagtext {
inline const char *const kReplaceQuestion = "Erase all RFID's in Portavel and replace them with this data?";
inline const char *const kEraseQuestion = "Erase all RFID's in Portavel?";
} // namespace tagtext

struct TagDownloadReport {
    bool replied = false;    // the dump arrived (its "OK" line)
    int entries = 0;         // entries with a room and a code
    TagBindingResult binding;
    TaggedAddresses tagged;
};

// The unit's tag list, "s14081535", as one bulk reply of the transfer (which
// shows from the command on), awaited by TagListRule (100 polls, 300 through a
// modem); once whole, 1000 ticks more, then the receive view shows all that
// came. The reply's lines are for TagEntriesOfDump.
Reply FetchTagList(Link &link, BulkTransfer &transfer);

// download_idClick without the page: "s14081535", the dump read into the
// receive view, the codes of DirectoryTable cleared and the tags bound.
// However it ends, DirectoryBusy is cleared, display updates resume and the
// bulk transfer gives back the window's signs of it (BulkTransfer).
// DirectorySynced is left as it stood: the download changes no record's
// directory data and no address the unit knows.
TagDownloadReport DownloadTags(Link &link, ShellServices &shell, DirectoryAccess &directory);

enum class WriteAllOutcome {
    Malformed,   // a record's RFID is not ten hexadecimal digits; nothing was sent
    Unstorable,  // a tagged record's room holds a byte the unit cannot store (named); nothing was sent
    NothingToWrite, // no record has both a room and a tag; nothing was sent
    NotConfirmed,// the user did not answer Yes to the question; nothing was sent
    NoReply,     // the erase was not acknowledged; no block was written
    Written,     // every tag went out and was confirmed
    Errors,      // some blocks were not confirmed (reported)
    LimitReached,// more than 512 tags: the first 512 went out (reported)
    LoggedOff,   // the link closed during the write
    Stopped,     // the caller ended it between two blocks (a unit that fell silent)
};

// A tagged record by its room and name, as the table holds them.
struct TaggedRecord {
    QByteArray room;
    QByteArray name;
};

struct WriteAllReport {
    WriteAllOutcome outcome = WriteAllOutcome::Written;
    int malformedRow = -1; // 0-based row of the record that stopped the write (Malformed, Unstorable)
    QList<TaggedRecord> unstorable; // the tagged records whose room the unit cannot store (Unstorable)
    int blocks = 0;        // blocks sent
    int errors = 0;        // blocks not confirmed
    QList<QByteArray> confirmed; // the blocks confirmed ("1408")
};

// writeall_idClick without the page. After the format check (and the check
// that no tagged record's room holds the erased byte 0xFF), a table without
// any tag sends nothing; otherwise the user is asked before the
// unit's list is erased and replaced (ReplaceTagList).
WriteAllReport WriteAllTags(Link &link, ShellServices &shell, DirectoryAccess &directory);

// The replacement itself, without the checks and the question: "c1418", then
// the blocks of the table's tags in its order, each read back. The caller has
// checked the codes (FirstMalformedTagRow) and asked. With no tag in the
// table the unit's list is left erased.
WriteAllReport ReplaceTagList(Link &link, ShellServices &shell, DirectoryAccess &directory);

// One block of the tag list to write: its number ("1408") and 64 characters.
struct TagBlockWrite {
    QByteArray number;
    QByteArray data;
};

// The replacement of the unit's tag list by these blocks, in order: "c1418",
// then each block as Write All writes it (up to three attempts, then read
// back). `more`: entries were left for want of blocks (the list is full).
// `goOn`, asked before each block, ends the write there when it says no.
WriteAllReport ReplaceTagBlocks(Link &link, ShellServices &shell, const QList<TagBlockWrite> &blocks, bool more,
                                const std::function<bool()> &goOn = {});

// Button3Click: asks first; on Yes the erase command, nothing awaited.
void EraseTagList(Link &link, ShellServices &shell);

// Reads the block back: true when its data characters are all "?" (or none
// arrived).
bool BlockIsBlank(Link &link, const QByteArray &block);

// Confirms a written block by reading it back; a block that differs is
// rewritten with the "p" command and checked once more. Clears CountMode.
bool VerifyTagBlock(Link &link, const QByteArray &block, const QByteArray &data);

} // namespace porv
