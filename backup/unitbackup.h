#pragma once
// The unit backup: everything one unit holds, as one document (UnitBackup),
// and its file (.qx4b): a JSON document written whole through SaveFileWhole
// and read back only when it is whole, of this format, of a version this
// program reads, and of the right types and sizes throughout.
//
// Byte strings (field values, the model line, parameter blocks, event lines)
// are JSON strings whose code points are the bytes read as Latin-1, so every
// byte survives the round trip; a string holding a code point above U+00FF is
// refused.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace porv {

// What the file says it is.
inline constexpr char kBackupFormat[] = "porv-pro unit backup";
// The newest version this program writes and reads. Version 1 held the
// decoded fields and ten parameter blocks; version 2 adds the unit's memory
// as read (every parameter block, the directory's record lines, the tag
// blocks) beside them.
constexpr int kBackupVersion = 2;

// One directory record as the unit lists it: its address (four upper-case
// hexadecimal digits) and its fields, the telephone number in dial form; and
// the record line of the unit's dump it was read from (empty when it was not
// read from a dump: a version 1 backup, a phone list).
struct BackupRecord {
    QByteArray addr;
    QByteArray name;
    QByteArray room;
    QByteArray phone;
    QByteArray code1;
    QByteArray code2;
    QByteArray spare;
    QByteArray line;
    bool operator==(const BackupRecord &o) const;
    bool operator!=(const BackupRecord &o) const { return !(*this == o); }
};

// One entry of the unit's tag list: the room and the tag code (ten
// hexadecimal digits).
struct BackupTag {
    QByteArray room;
    QByteArray code;
    bool operator==(const BackupTag &o) const { return room == o.room && code == o.code; }
};

// The four PINs and the four emergency codes of block 0003, as read.
struct AccessCodes {
    QList<QByteArray> pins;      // NewPin .. NewPin4
    QList<QByteArray> emergency; // EmgyCode1 .. EmgyCode4
};

// A parameter block as a read gives it: 64 nibble characters, or 32 message
// characters of blocks 0012 to 0015.
struct ParameterBlockLayout {
    const char *block;
    int length;
    bool message; // plain characters rather than nibble characters
};
// All sixteen parameter blocks, in the order a restore writes them: Write
// All's order (the gate codes, the messages, the speed dials, the divert
// numbers and times), then the blocks no page uses, the settings, and last
// the access codes (0003).
const QList<ParameterBlockLayout> &ParameterBlockLayouts();
const ParameterBlockLayout *FindParameterBlock(const QByteArray &block);
// The ten blocks a version 1 backup holds, in Write All's order; its block
// 0002 holds the 16 characters of the divert times only.
const QList<ParameterBlockLayout> &Version1ParameterBlocks();
// Whether data may stand as that block as read: 32 message characters (any
// bytes), or 64 nibble characters; block 0002 may hold its first 16 (as a
// version 1 backup does).
bool ParameterBlockDataValid(const ParameterBlockLayout &layout, const QByteArray &data);

// block number ("0000") -> its characters.
using ParameterBlocks = QMap<QByteArray, QByteArray>;

struct UnitBackup {
    // --- the unit ---
    QByteArray modelLine;   // as read at log-on
    int memoryLimit = -1;   // the model's top directory address; -1 when not known
    QString connection;     // "udp 127.0.0.2", "serial /dev/ttyUSB0": informative only
    QDateTime taken;        // UTC, when the read ended; not valid when not known
    std::optional<QByteArray> clock; // the unit's clock, "yyyy-MM-dd hh:mm:ss"

    // --- what it holds; each absent when it was not read ---
    std::optional<QList<BackupRecord>> directory; // in the unit's order
    // The 467-byte parameters image (the parameters file's record), decoded
    // from the blocks.
    std::optional<QByteArray> parameters;
    // The parameter blocks as read: all sixteen (a version 1 backup: the ten
    // the pages write), and what a restore writes back.
    std::optional<ParameterBlocks> parameterBlocks;
    std::optional<AccessCodes> access;              // decoded from block 0003
    std::optional<QList<BackupTag>> tags;           // in block order, decoded from the tag blocks
    // The tag blocks "1408" to "1535" as read, 64 nibble characters each;
    // absent in a version 1 backup (the tags alone are then restored).
    std::optional<ParameterBlocks> tagBlocks;
    std::optional<QList<QByteArray>> events;        // the log lines as received
};

// The document, indented JSON.
QByteArray BackupToJson(const UnitBackup &backup);

struct BackupReadResult {
    std::optional<UnitBackup> backup; // set only when the whole document was read
    QString error;                    // names the file and what is wrong with it
    bool ok() const { return backup.has_value(); }
};

// Reads a document; fileName is what the messages call it.
BackupReadResult BackupFromJson(const QByteArray &json, const QString &fileName);

// Writes the file whole or not at all, readable by its owner only (it holds
// the PINs). Throws FileError.
void SaveBackupFile(const UnitBackup &backup, const QString &path);
// Reads a file; a file that cannot be read, or is not a whole backup this
// program reads, gives the reason and no backup.
BackupReadResult LoadBackupFile(const QString &path);

// The file dialogs' extension and filter.
QString BackupFileExtension(); // "qx4b"
QString BackupFileFilter();    // "Unit backup (*.qx4b)|*.qx4b|All Files (*.*)|*.*"

} // namespace porv
