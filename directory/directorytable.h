#pragma once
// DirectoryTable: the eight fields of a client record on the table facility,
// the two text forms in which a record travels to and from the unit, the
// mapping of records onto unit memory, the directory state flags and the grid
// layout that the PhoneDataBase and RFID pages apply.
#include <QByteArray>
#include <QList>
#include <QString>

namespace porv {

class MemTable;
class ShellServices;

// Address of the first directory block; every record takes one 32-byte block.
constexpr int kDirectoryBase = 0x1000;
constexpr int kDirectoryBlockSize = 32;

// Resets the table (closed, no fields, no sort) and defines Name (16),
// RoomNumber (6), PHnumber (16), Code1 (4), Code2 (4), spare (2), RFID (10) and
// Addr (4), all text. The table is left closed.
void DefineDirectoryTable(MemTable &table);

// An address as the Addr field holds it: four upper-case hexadecimal digits.
QByteArray DirectoryAddress(int address);

// (memoryLimit - 0x1000) / 32: the records a full upload may store.
int DirectoryCapacity(int memoryLimit);

// The lowest address from 0x1000 up to and including memoryLimit that no
// record's Addr holds exactly, as four upper-case hexadecimal digits, or "0000".
// Leaves the table sorted on Addr (case-sensitive), with the current record on
// the last address found taken, as a locate of each address in turn would.
QByteArray FirstFreeAddress(MemTable &table, int memoryLimit);

// The text itself when it is a whole number (optional sign, decimal digits);
// otherwise "0", and *zeroed (when given) set so that the caller can say so.
QByteArray NumericOrZero(const QByteArray &text, bool *zeroed = nullptr);

// --- the phone list file ---

// The table defined afresh, opened and filled from the phone list file (the
// comma-separated table layout); returns the records read. Throws FileError.
int LoadPhoneList(MemTable &table, const QString &path);
// Writes the phone list file whole. An empty table never replaces a file that
// holds records without a Yes to "Replace <path> with an empty list?"; false
// when that was not given (nothing written). Throws FileError.
bool SavePhoneList(const MemTable &table, const QString &path, ShellServices &shell);

// One record as the unit lists it in its dump: Addr, the separator, then room,
// code 1, code 2, spare, telephone number (unit digit characters), each ended
// by a comma, and the name: the rest of the line (at most 16 characters),
// commas included.
struct DirectoryLine {
    QByteArray Addr;
    QByteArray RoomNumber;
    QByteArray Code1;
    QByteArray Code2;
    QByteArray spare;
    QByteArray PHnumber; // still in the unit's digit characters, "?"-filled
    QByteArray Name;
};

DirectoryLine ParseDirectoryLine(const QByteArray &line);

// The b-command form of a record: room (DigitsOnly 6), code 1 (DigitsOnly 4),
// code 2 (DigitsOnly 4), spare (DigitsOnly 2), telephone (DialNumber, then
// EncodeDigits 16) and the name as UnitName, joined by commas. All empty gives
// ",,,,,", which erases the block.
QByteArray RecordData(const QByteArray &room, const QByteArray &code1, const QByteArray &code2,
                      const QByteArray &spare, const QByteArray &phone, const QByteArray &name);

// The name as the unit stores it: a comma (the separator of the unit's list)
// and any byte below 0x20 (which would end the command) become a space.
QByteArray UnitName(const QByteArray &name);

// A telephone number without its layout: spaces, dashes, dots and brackets
// are left out.
QByteArray DialNumber(const QByteArray &phone);
// The characters the unit can dial: digits, "*", "#", and "p", "P" and ":" (pause).
bool IsDialCharacter(char c);

// What keeps a record from being written so that the unit lists it back:
// no name, a room number that would be stored empty (DigitsOnly of the room
// as written), a character in the telephone number, layout aside, that the
// unit cannot dial (IsDialCharacter), or the unit's erased byte 0xFF in the
// name (the unit lists the name only up to it).
struct RecordProblem {
    enum Kind { None, NoName, NoRoom, PhoneCharacter, NameCharacter, CodeCharacter } kind = None;
    char character = 0; // for PhoneCharacter, NameCharacter and CodeCharacter
};
RecordProblem CheckRecord(const QByteArray &room, const QByteArray &phone, const QByteArray &name);
// The erased byte 0xFF in a relay code: the unit would not store the code as
// it stands.
RecordProblem CheckRecordCodes(const QByteArray &code1, const QByteArray &code2);
// The unit's erased byte: what a block holds where nothing was written.
constexpr char kErasedByte = char(0xFF);
// A character as a message names it: "+" in quotes, or its code when it
// cannot be shown; the erased byte by both ("\"ÿ\" (0xff)").
QString CharacterName(char c);

// The directory's situation, shared by the directory and RFID pages.
struct DirectoryState {
    bool DirectorySynced = false;   // records and addresses mirror the connected unit
    bool ShowRecordEnabled = true;  // the edit boxes follow the current record
    bool DirectoryBusy = false;     // the table is being filled
    bool DeleteConfirmed = false;   // a delete may proceed
};

// --- the dump reply of "d01281152" ---

// A record line: four hexadecimal digits, a separator, then room (up to 6),
// code 1 (up to 4), code 2 (up to 4), spare (up to 2) and telephone number (up
// to 16), each ended by a comma, then the name.
bool IsDirectoryRecordLine(const QByteArray &line);

// The received text split into lines at CR LF, CR or LF, as the receive view
// shows them. A text ending in a line end has no empty last line.
QList<QByteArray> SplitReplyLines(const QByteArray &received);

struct DirectoryDump {
    // Lines between the first line (never a record) and the closing line; when
    // the closing line did not arrive, every complete line after the first (a
    // last line that was cut off is left out).
    QList<QByteArray> recordLines;
    // The closing line arrived: a line after the first that is not a record
    // line and holds "OK". A record whose name holds "OK" does not close it.
    bool complete = false;
};

DirectoryDump ReadDirectoryDump(const QByteArray &received);
bool DirectoryDumpComplete(const QByteArray &received);

} // namespace porv
