// The snapshots of a unit: each backup of it, with who took it, where and
// when, kept newest first, the newest N per unit.
#include "sitebook.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QUuid>

#include "bookdb.h"
#include "bookindex.h"
#include "booksnapshotrows.h"
#include "booktext.h"
#include "failures.h"
#include "savefile.h"

namespace porv {

using book::BookAbort;

namespace {

constexpr qint64 kMaxDocumentBytes = 32 * 1024 * 1024;

// The document without the PINs and emergency codes; every other member as
// it was.
QByteArray withoutAccessCodes(const QByteArray &document)
{
    QJsonObject doc = QJsonDocument::fromJson(document).object();
    doc.insert(QStringLiteral("access"), QJsonValue());
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

SnapshotOrigin originOf(const QString &key);

} // namespace

namespace book {

const char *OriginKey(SnapshotOrigin origin)
{
    switch (origin) {
    case SnapshotOrigin::Manual:
        return "manual";
    case SnapshotOrigin::BeforeWrite:
        return "before-write";
    case SnapshotOrigin::Scheduled:
        return "scheduled";
    case SnapshotOrigin::Imported:
        return "imported";
    }
    return "manual";
}

const char *const kSnapshotColumns =
    "SELECT id, unit_id, taken_ms, recorded_ms, who, pc, version, origin FROM snapshots ";

SnapshotInfo ReadSnapshotInfo(const QSqlQuery &q)
{
    SnapshotInfo s;
    s.id = q.value(0).toLongLong();
    s.unitId = q.value(1).toLongLong();
    s.taken = book::TimeOf(q.value(2));
    s.recorded = book::TimeOf(q.value(3));
    s.who = q.value(4).toString();
    s.pc = q.value(5).toString();
    s.version = q.value(6).toString();
    s.origin = originOf(q.value(7).toString());
    return s;
}

} // namespace book

namespace {

SnapshotOrigin originOf(const QString &key)
{
    for (SnapshotOrigin o : {SnapshotOrigin::Manual, SnapshotOrigin::BeforeWrite, SnapshotOrigin::Scheduled,
                             SnapshotOrigin::Imported}) {
        if (key == QLatin1String(book::OriginKey(o)))
            return o;
    }
    return SnapshotOrigin::Manual;
}

} // namespace

QString SnapshotOriginName(SnapshotOrigin origin)
{
    switch (origin) {
    case SnapshotOrigin::Manual:
        return QStringLiteral("manual");
    case SnapshotOrigin::BeforeWrite:
        return QStringLiteral("before write");
    case SnapshotOrigin::Scheduled:
        return QStringLiteral("scheduled");
    case SnapshotOrigin::Imported:
        return QStringLiteral("imported");
    }
    return QString();
}

BookResult<SnapshotInfo> SiteBook::AddSnapshot(qint64 unitId, const UnitBackup &backup, SnapshotOrigin origin)
{
    UnitBackup kept = backup;
    kept.access.reset();
    // Only what the backup reader reads back goes into the book.
    const QByteArray document = BackupToJson(kept);
    const BackupReadResult read = BackupFromJson(document, QStringLiteral("the backup"));
    if (!read.ok())
        return BookError::Fail(BookFailure::Invalid, read.error);
    return storeSnapshot(unitId, *read.backup, document, origin);
}

BookResult<SnapshotInfo> SiteBook::AddSnapshotDocument(qint64 unitId, const QByteArray &document, SnapshotOrigin origin,
                                                       const QString &documentName)
{
    BackupReadResult read = BackupFromJson(document, documentName);
    if (!read.ok())
        return BookError::Fail(BookFailure::File, read.error);
    if (!read.backup->access)
        return storeSnapshot(unitId, *read.backup, document, origin);
    read.backup->access.reset();
    return storeSnapshot(unitId, *read.backup, withoutAccessCodes(document), origin);
}

BookResult<SnapshotInfo> SiteBook::ImportSnapshot(qint64 unitId, const QString &path)
{
    QByteArray bytes;
    try {
        bytes = ReadFileCapped(path, kMaxDocumentBytes);
    } catch (const FileError &e) {
        return BookError::Fail(BookFailure::File, e.message());
    }
    return AddSnapshotDocument(unitId, bytes, SnapshotOrigin::Imported, path);
}

BookResult<SnapshotInfo> SiteBook::storeSnapshot(qint64 unitId, const UnitBackup &decoded, QByteArray document,
                                                 SnapshotOrigin origin)
{
    SnapshotInfo info;
    info.unitId = unitId;
    info.taken = decoded.taken.isValid() ? decoded.taken.toUTC() : QDateTime::currentDateTimeUtc();
    info.recorded = QDateTime::currentDateTimeUtc();
    info.who = m_actor.user;
    info.pc = m_actor.pc;
    info.version = m_actor.version;
    info.origin = origin;
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString what = QStringLiteral("the snapshot of %1").arg(info.taken.toString(Qt::ISODate));
    const BookError e = write(what, [&] {
        // One writer at a time per unit, so that the newest snapshot and its
        // find rows are decided once.
        const QString lock = m_db->Backend() == BookBackend::PostgreSQL ? QStringLiteral(" FOR UPDATE") : QString();
        if (!m_db->Value(QStringLiteral("SELECT id FROM units WHERE id = ?") + lock, {unitId}).isValid())
            throw BookAbort{BookError::Fail(BookFailure::NotFound, QStringLiteral("The unit is not in the book."))};
        // A retry after a commit whose answer was lost finds its row.
        QVariant id = m_db->Value(QStringLiteral("SELECT id FROM snapshots WHERE uid = ?"), {uid});
        if (id.isValid()) {
            info.id = id.toLongLong();
            return;
        }
        info.id = m_db->Value(QStringLiteral("INSERT INTO snapshots (uid, unit_id, taken_ms, recorded_ms, who, pc, version, "
                                             "origin, document) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
                              {uid, unitId, info.taken.toMSecsSinceEpoch(), info.recorded.toMSecsSinceEpoch(), info.who,
                               info.pc, info.version, QString::fromLatin1(book::OriginKey(origin)), document})
                      .toLongLong();
        book::IndexLatestSnapshot(*m_db, unitId);
        // The newest m_keep stay, this one always among them.
        QSqlQuery older = m_db->Exec(QStringLiteral("SELECT id FROM snapshots WHERE unit_id = ? AND id <> ? "
                                                    "ORDER BY taken_ms DESC, id DESC"),
                                     {unitId, info.id});
        QVariantList pruned;
        for (int kept = 1; older.next();) {
            if (kept < m_keep)
                ++kept;
            else
                pruned.append(older.value(0));
        }
        older.finish();
        for (const QVariant &old : pruned)
            m_db->Exec(QStringLiteral("DELETE FROM snapshots WHERE id = ?"), {old});
    });
    if (!e.ok())
        return e;
    return info;
}

BookResult<QList<SnapshotInfo>> SiteBook::Snapshots(qint64 unitId)
{
    QList<SnapshotInfo> list;
    const BookError e = m_db->Read(QStringLiteral("the snapshots"), [&] {
        list.clear();
        QSqlQuery q = m_db->Exec(QString::fromLatin1(book::kSnapshotColumns)
                                     + QStringLiteral("WHERE unit_id = ? ORDER BY taken_ms DESC, id DESC"),
                                 {unitId});
        while (q.next())
            list.append(book::ReadSnapshotInfo(q));
    });
    if (!e.ok())
        return e;
    return list;
}

BookResult<SnapshotInfo> SiteBook::SnapshotAt(qint64 unitId, const QDateTime &at)
{
    std::optional<SnapshotInfo> found;
    const BookError e = m_db->Read(QStringLiteral("the snapshot"), [&] {
        found.reset();
        QSqlQuery q = at.isValid()
                          ? m_db->Exec(QString::fromLatin1(book::kSnapshotColumns)
                                           + QStringLiteral("WHERE unit_id = ? AND taken_ms <= ? "
                                                            "ORDER BY taken_ms DESC, id DESC LIMIT 1"),
                                       {unitId, at.toMSecsSinceEpoch()})
                          : m_db->Exec(QString::fromLatin1(book::kSnapshotColumns)
                                           + QStringLiteral("WHERE unit_id = ? ORDER BY taken_ms DESC, id DESC LIMIT 1"),
                                       {unitId});
        if (q.next())
            found = book::ReadSnapshotInfo(q);
    });
    if (!e.ok())
        return e;
    if (!found)
        return BookError::Fail(BookFailure::NotFound,
                               at.isValid() ? QStringLiteral("The unit has no snapshot taken at or before %1.")
                                                  .arg(at.toUTC().toString(Qt::ISODate))
                                            : QStringLiteral("The unit has no snapshot."));
    return *found;
}

BookResult<QByteArray> SiteBook::SnapshotDocument(qint64 snapshotId)
{
    QVariant document;
    const BookError e = m_db->Read(QStringLiteral("the snapshot"), [&] {
        document = m_db->Value(QStringLiteral("SELECT document FROM snapshots WHERE id = ?"), {snapshotId});
    });
    if (!e.ok())
        return e;
    if (!document.isValid())
        return BookError::Fail(BookFailure::NotFound, QStringLiteral("The snapshot is not in the book."));
    return document.toByteArray();
}

BookResult<UnitBackup> SiteBook::SnapshotBackup(qint64 snapshotId)
{
    const BookResult<QByteArray> document = SnapshotDocument(snapshotId);
    if (!document.ok())
        return document.error;
    BackupReadResult read = BackupFromJson(document.value, QStringLiteral("the snapshot %1 of the site book %2")
                                                               .arg(snapshotId)
                                                               .arg(Location().Name()));
    if (!read.ok())
        return BookError::Fail(BookFailure::Damaged, read.error);
    return *read.backup;
}

BookError SiteBook::ExportSnapshot(qint64 snapshotId, const QString &path)
{
    const BookResult<UnitBackup> backup = SnapshotBackup(snapshotId);
    if (!backup.ok())
        return backup.error;
    try {
        SaveBackupFile(backup.value, path);
    } catch (const FileError &e) {
        return BookError::Fail(BookFailure::File, e.message());
    }
    return {};
}

} // namespace porv
