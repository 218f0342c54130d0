#pragma once
// The site book: every unit an installer looks after, on its site, with how
// to reach it, its snapshots (backups) and the journal of every write the
// tool made to it, in one database (a SQLite file of the user's, or a
// PostgreSQL database a team shares). Several processes may write to one
// book at once: nothing is lost or doubled.
//
// A SiteBook is one connection, used on the thread that opened it. Every call
// is one transaction and returns a BookResult or a BookError; nothing is
// thrown to the caller. A write that fails is not in the book at all (no part
// of it), and its error says so; NotRecorded() lists those since the book was
// opened, for the caller to tell.
//
// PINs and emergency codes never reach the book: a snapshot keeps the backup
// without them (a restore from it leaves the unit's codes as they are), and
// the journal keeps only that they changed.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "bookerror.h"
#include "booklocation.h"
#include "bookrecords.h"
#include "unitbackup.h"

namespace porv {

namespace book {
class BookDb;
}

// Who makes a write: the OS user, the host name and this porv-pro's version.
struct BookActor {
    QString user;
    QString pc;
    QString version;
    static BookActor OfThisProcess();
};

class SiteBook {
public:
    // Opens (and on first use creates) the book. A book of a newer version, a
    // damaged file, a server that cannot be reached or a missing driver gives
    // an error naming the book, and nothing is written to it.
    static BookResult<std::unique_ptr<SiteBook>> Open(const BookLocation &location);
    ~SiteBook();

    const BookLocation &Location() const;
    // Whether the book answers now (a write's caller asks before writing).
    BookError Ping();
    // Who the book's writes name; by default this process's.
    void SetActor(const BookActor &actor) { m_actor = actor; }
    const BookActor &Actor() const { return m_actor; }
    // How many snapshots each unit keeps (the newest; at least one).
    void SetKeptSnapshots(int keep) { m_keep = qMax(1, keep); }
    int KeptSnapshots() const { return m_keep; }
    // The writes that failed since the book was opened, one line each.
    const QStringList &NotRecorded() const { return m_notRecorded; }

    // --- sites ---
    BookResult<qint64> AddSite(const BookSite &site);
    BookError UpdateSite(const BookSite &site);
    BookError RemoveSite(qint64 siteId); // refused while it holds units
    BookResult<QList<BookSite>> Sites();  // by name
    BookResult<BookSite> SiteByName(const QString &name);

    // --- units ---
    BookResult<qint64> AddUnit(const BookUnit &unit);
    // Site, label, how to reach it and notes; what a log-on found stays (MarkReached).
    BookError UpdateUnit(const BookUnit &unit);
    BookError RemoveUnit(qint64 unitId); // with its snapshots and journal
    BookResult<QList<BookUnit>> Units(qint64 siteId = 0); // 0: every site; by site, then label
    BookResult<BookUnit> UnitByLabel(const QString &label);
    BookResult<BookUnit> UnitById(qint64 unitId);
    // What a log-on found: the model line, MemoryLimit, and when.
    BookError MarkReached(qint64 unitId, const QByteArray &modelLine, int memoryLimit,
                          const QDateTime &when = QDateTime());

    // --- snapshots ---
    BookResult<SnapshotInfo> AddSnapshot(qint64 unitId, const UnitBackup &backup, SnapshotOrigin origin);
    // A .qx4b document as it is (refused as the backup reader refuses it,
    // named by documentName).
    BookResult<SnapshotInfo> AddSnapshotDocument(qint64 unitId, const QByteArray &document, SnapshotOrigin origin,
                                                 const QString &documentName);
    BookResult<SnapshotInfo> ImportSnapshot(qint64 unitId, const QString &path);
    BookResult<QList<SnapshotInfo>> Snapshots(qint64 unitId); // newest first
    // The newest snapshot, or the newest taken at or before `at`.
    BookResult<SnapshotInfo> SnapshotAt(qint64 unitId, const QDateTime &at = QDateTime());
    BookResult<UnitBackup> SnapshotBackup(qint64 snapshotId);
    BookResult<QByteArray> SnapshotDocument(qint64 snapshotId);
    // Saves the snapshot as a .qx4b file (owner-only).
    BookError ExportSnapshot(qint64 snapshotId, const QString &path);

    // --- the change journal ---
    BookResult<JournalRecord> Journal(const JournalEntry &entry);
    BookResult<QList<RecordedChange>> JournalChanges(qint64 entryId);
    BookResult<QList<HistoryItem>> History(qint64 unitId, const HistoryFilter &filter = HistoryFilter());

    // --- find ---
    // Every record of every unit's latest snapshot whose name, room or tag
    // holds the text (letters in any case), or whose phone number holds its
    // dial characters (layout ignored on both sides); by site, unit and
    // record, at most `limit`.
    BookResult<QList<FoundRecord>> Find(const QString &text, int limit = 1000);

private:
    explicit SiteBook(std::unique_ptr<book::BookDb> db);
    BookError write(const QString &what, const std::function<void()> &work);
    BookResult<SnapshotInfo> storeSnapshot(qint64 unitId, const UnitBackup &decoded, QByteArray document,
                                           SnapshotOrigin origin);

    std::unique_ptr<book::BookDb> m_db;
    BookActor m_actor;
    int m_keep;
    QStringList m_notRecorded;
};

} // namespace porv
