#pragma once
// What the site book holds: sites, the units on them and how to reach each,
// the snapshots of a unit (its backups), the change journal (every write the
// tool made to a unit), and what find answers.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace porv {

struct BookSite {
    qint64 id = 0; // 0 until the book has it
    QString name;  // unique in the book
    QString address;
    QString notes;
};

enum class UnitTransport { Udp, Serial, Modem };

struct BookUnit {
    qint64 id = 0;
    qint64 siteId = 0;
    QString siteName; // filled by the book's reads; ignored when writing
    QString label;    // unique in the book: what --unit and the pins file name
    UnitTransport transport = UnitTransport::Udp;
    QString address;  // the UDP host, or the serial or modem device
    QString number;   // the number a modem dials; empty for the others
    QByteArray modelLine;  // as the unit gave it at its last log-on; empty when not known
    int memoryLimit = -1;  // the model's top directory address; -1 when not known
    QDateTime lastReached; // UTC; invalid when never
    QString notes;
};

enum class SnapshotOrigin {
    Manual,      // Back up unit
    BeforeWrite, // the automatic backup before a write that overwrites the unit
    Scheduled,   // a scheduled run
    Imported,    // a .qx4b file brought into the book
};
QString SnapshotOriginName(SnapshotOrigin origin); // "manual", "before write", "scheduled", "imported"

struct SnapshotInfo {
    qint64 id = 0;
    qint64 unitId = 0;
    QDateTime taken;    // when the backup was read (UTC)
    QDateTime recorded; // when the book got it (UTC)
    QString who;        // the OS user
    QString pc;         // the host name
    QString version;    // of porv-pro
    SnapshotOrigin origin = SnapshotOrigin::Manual;
};

// Every kind of write the tool makes to a unit.
enum class JournalKind {
    RecordCommitted,
    RecordInserted,
    RecordDeleted,
    FullUpload,
    ParametersWrite,
    ParametersWriteAll,
    PinsWritten,
    TagsWritten,
    TagsErased,
    ClockSet,
    WriteChanges,
    Restore,
};
QString JournalKindName(JournalKind kind); // "record committed", "full upload", ...

// The codes of which the journal keeps only that they changed.
enum class SecretCode { Pin1, Pin2, Pin3, Pin4, Emergency1, Emergency2, Emergency3, Emergency4 };
QString SecretCodeName(SecretCode code); // "PIN 1" .. "PIN 4", "emergency code 1" .. 4

// One field of one item, before and after the write ("record 1A2B", "name").
// A field or item that names a PIN, an emergency code or the access codes
// block is refused: those go in secretsChanged, without their values; a
// change marked secret (a release code) keeps its names and no values. (Not
// the compare's FieldChange: both sit in one program, and the window shows
// the one beside the other.)
struct JournalChange {
    QString item;
    QString field;
    QByteArray before;
    QByteArray after;
    bool secret = false; // a release code: kept only as changed, before and after dropped
};

struct JournalEntry {
    qint64 unitId = 0;
    JournalKind kind = JournalKind::RecordCommitted;
    bool confirmed = true; // whether the unit confirmed the write
    QList<JournalChange> changes;
    QList<SecretCode> secretsChanged;
    QDateTime at; // when the unit confirmed it (or not); invalid: now
};

struct JournalRecord {
    qint64 id = 0;
    QString uid; // the entry's identifier, the same in every copy of the book
    qint64 unitId = 0;
    QDateTime at;
    QString who;
    QString pc;
    QString version;
    QString kindName;               // as stored
    std::optional<JournalKind> kind; // when this program knows it
    bool confirmed = true;
    int changeCount = 0; // field changes and secrets changed
};

struct RecordedChange {
    QString item;
    QString field;
    bool secret = false; // only that it changed: no values
    QByteArray before;
    QByteArray after;
};

// One line of a unit's history, newest first: a snapshot or a journal entry.
struct HistoryItem {
    QDateTime at;
    bool isSnapshot = false;
    SnapshotInfo snapshot; // when isSnapshot
    JournalRecord entry;   // otherwise
};

struct HistoryFilter {
    bool snapshots = true;
    bool journal = true;
    QList<JournalKind> kinds; // empty: every kind
    QDateTime from, to;       // invalid: no bound
    int limit = 0;            // 0: all
};

// A record of a unit's latest snapshot that holds the text find was given.
struct FoundRecord {
    QString site;
    QString unit; // its label
    qint64 unitId = 0;
    qint64 snapshotId = 0;
    QByteArray addr; // empty for a tag no record takes
    QByteArray name;
    QByteArray room;
    QByteArray phone;
    QByteArray tag;
};

} // namespace porv
