// The change journal: one entry for every write the tool made to a unit,
// with who, when, from which PC, whether the unit confirmed it, and each
// field before and after; of PINs and emergency codes only that they
// changed. And a unit's history: its snapshots and entries, newest first.
#include "sitebook.h"

#include <QSqlQuery>
#include <QUuid>

#include <algorithm>
#include <limits>

#include "bookdb.h"
#include "booksnapshotrows.h"
#include "booktext.h"

namespace porv {

using book::BookAbort;

namespace {

constexpr int kChangesPerInsert = 100;

struct KindKey {
    JournalKind kind;
    const char *key;
    const char *name;
};
const KindKey kKinds[] = {
    {JournalKind::RecordCommitted, "record-committed", "record committed"},
    {JournalKind::RecordInserted, "record-inserted", "record inserted"},
    {JournalKind::RecordDeleted, "record-deleted", "record deleted"},
    {JournalKind::FullUpload, "full-upload", "full upload"},
    {JournalKind::ParametersWrite, "parameters-write", "parameters write"},
    {JournalKind::ParametersWriteAll, "parameters-write-all", "parameters write all"},
    {JournalKind::PinsWritten, "pins-written", "PINs written"},
    {JournalKind::TagsWritten, "tags-written", "tags written"},
    {JournalKind::TagsErased, "tags-erased", "tags erased"},
    {JournalKind::ClockSet, "clock-set", "clock set"},
    {JournalKind::WriteChanges, "write-changes", "write changes"},
    {JournalKind::Restore, "restore", "restore"},
};

const KindKey &keyOf(JournalKind kind)
{
    for (const KindKey &k : kKinds) {
        if (k.kind == kind)
            return k;
    }
    return kKinds[0];
}

// A field or item that names what only may be said to have changed: the
// PINs (NewPin .. NewPin4), the emergency codes (EmgyCode1 ..), the access
// codes block 0003 that holds both.
bool namesSecret(const QString &text)
{
    const QString t = text.toLower();
    return t.contains(QLatin1String("pin")) || t.contains(QLatin1String("emgy")) || t.contains(QLatin1String("emergency"))
        || t.contains(QLatin1String("access")) || t.contains(QLatin1String("0003"));
}

const char *const kEntryColumns =
    "SELECT j.id, j.uid, j.unit_id, j.at_ms, j.who, j.pc, j.version, j.kind, j.confirmed, "
    "(SELECT count(*) FROM journal_changes c WHERE c.entry_id = j.id) FROM journal j ";

JournalRecord readEntry(const QSqlQuery &q)
{
    JournalRecord r;
    r.id = q.value(0).toLongLong();
    r.uid = q.value(1).toString();
    r.unitId = q.value(2).toLongLong();
    r.at = book::TimeOf(q.value(3));
    r.who = q.value(4).toString();
    r.pc = q.value(5).toString();
    r.version = q.value(6).toString();
    const QString key = q.value(7).toString();
    r.kindName = key;
    for (const KindKey &k : kKinds) {
        if (key == QLatin1String(k.key)) {
            r.kind = k.kind;
            r.kindName = QString::fromLatin1(k.name);
        }
    }
    r.confirmed = q.value(8).toInt() != 0;
    r.changeCount = q.value(9).toInt();
    return r;
}

} // namespace

QString JournalKindName(JournalKind kind)
{
    return QString::fromLatin1(keyOf(kind).name);
}

QString SecretCodeName(SecretCode code)
{
    const int n = int(code);
    return n < 4 ? QStringLiteral("PIN %1").arg(n + 1) : QStringLiteral("emergency code %1").arg(n - 3);
}

BookResult<JournalRecord> SiteBook::Journal(const JournalEntry &entry)
{
    for (const JournalChange &c : entry.changes) {
        if (!c.secret && (namesSecret(c.item) || namesSecret(c.field)))
            return BookError::Fail(BookFailure::Invalid,
                                   QStringLiteral("The change of %1 %2 names a PIN or an emergency code: the journal keeps "
                                                  "only that those changed, never their values.")
                                       .arg(book::Printable(c.item), book::Printable(c.field)));
    }
    JournalRecord record;
    record.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    record.unitId = entry.unitId;
    record.at = entry.at.isValid() ? entry.at.toUTC() : QDateTime::currentDateTimeUtc();
    record.who = m_actor.user;
    record.pc = m_actor.pc;
    record.version = m_actor.version;
    record.kind = entry.kind;
    record.kindName = JournalKindName(entry.kind);
    record.confirmed = entry.confirmed;
    record.changeCount = int(entry.changes.size() + entry.secretsChanged.size());

    const QString what = QStringLiteral("the journal entry \"%1\"%2 of %3")
                             .arg(record.kindName, entry.confirmed ? QString() : QStringLiteral(" (not confirmed)"),
                                  record.at.toString(Qt::ISODateWithMs));
    const BookError e = write(what, [&] {
        if (!m_db->Value(QStringLiteral("SELECT id FROM units WHERE id = ?"), {entry.unitId}).isValid())
            throw BookAbort{BookError::Fail(BookFailure::NotFound, QStringLiteral("The unit is not in the book."))};
        // A retry after a commit whose answer was lost finds its entry whole.
        if (const QVariant id = m_db->Value(QStringLiteral("SELECT id FROM journal WHERE uid = ?"), {record.uid}); id.isValid()) {
            record.id = id.toLongLong();
            return;
        }
        record.id = m_db->Value(QStringLiteral("INSERT INTO journal (uid, unit_id, at_ms, who, pc, version, kind, confirmed) "
                                               "VALUES (?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
                                {record.uid, entry.unitId, record.at.toMSecsSinceEpoch(), record.who, record.pc,
                                 record.version, QString::fromLatin1(keyOf(entry.kind).key), entry.confirmed ? 1 : 0})
                        .toLongLong();
        QList<QVariantList> rows;
        int seq = 0;
        const QVariant none(QMetaType(QMetaType::QByteArray));
        for (const JournalChange &c : entry.changes) {
            if (c.secret)
                rows.append({record.id, seq++, c.item, c.field, 1, none, none});
            else
                rows.append({record.id, seq++, c.item, c.field, 0, c.before, c.after});
        }
        for (SecretCode s : entry.secretsChanged)
            rows.append({record.id, seq++, QStringLiteral("access codes"), SecretCodeName(s), 1, none, none});
        for (int start = 0; start < rows.size(); start += kChangesPerInsert) {
            const int count = qMin(kChangesPerInsert, int(rows.size()) - start);
            QStringList tuples;
            QVariantList values;
            for (int i = start; i < start + count; ++i) {
                tuples.append(QStringLiteral("(?, ?, ?, ?, ?, ?, ?)"));
                values += rows[i];
            }
            m_db->Exec(QStringLiteral("INSERT INTO journal_changes (entry_id, seq, item, field, secret, before, after) VALUES ")
                           + tuples.join(QLatin1String(", ")),
                       values);
        }
    });
    if (!e.ok())
        return e;
    return record;
}

BookResult<QList<RecordedChange>> SiteBook::JournalChanges(qint64 entryId)
{
    QList<RecordedChange> changes;
    const BookError e = m_db->Read(QStringLiteral("the journal entry"), [&] {
        changes.clear();
        QSqlQuery q = m_db->Exec(QStringLiteral("SELECT item, field, secret, before, after FROM journal_changes "
                                                "WHERE entry_id = ? ORDER BY seq"),
                                 {entryId});
        while (q.next()) {
            RecordedChange c;
            c.item = q.value(0).toString();
            c.field = q.value(1).toString();
            c.secret = q.value(2).toInt() != 0;
            if (!c.secret) {
                c.before = q.value(3).toByteArray();
                c.after = q.value(4).toByteArray();
            }
            changes.append(c);
        }
    });
    if (!e.ok())
        return e;
    return changes;
}

BookResult<QList<HistoryItem>> SiteBook::History(qint64 unitId, const HistoryFilter &filter)
{
    QList<HistoryItem> items;
    const QString range = QStringLiteral("%1 >= ? AND %1 <= ?");
    const QVariantList bounds{filter.from.isValid() ? filter.from.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min(),
                              filter.to.isValid() ? filter.to.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max()};
    const BookError e = m_db->Read(QStringLiteral("the unit's history"), [&] {
        items.clear();
        if (filter.snapshots && filter.kinds.isEmpty()) {
            QSqlQuery q = m_db->Exec(QString::fromLatin1(book::kSnapshotColumns) + QStringLiteral("WHERE unit_id = ? AND ")
                                         + range.arg(QStringLiteral("taken_ms")),
                                     QVariantList{unitId} + bounds);
            while (q.next()) {
                HistoryItem item;
                item.isSnapshot = true;
                item.snapshot = book::ReadSnapshotInfo(q);
                item.at = item.snapshot.taken;
                items.append(item);
            }
        }
        if (filter.journal) {
            QString sql = QString::fromLatin1(kEntryColumns) + QStringLiteral("WHERE j.unit_id = ? AND ")
                        + range.arg(QStringLiteral("j.at_ms"));
            QVariantList values = QVariantList{unitId} + bounds;
            if (!filter.kinds.isEmpty()) {
                QStringList marks;
                for (JournalKind k : filter.kinds) {
                    marks.append(QStringLiteral("?"));
                    values.append(QString::fromLatin1(keyOf(k).key));
                }
                sql += QStringLiteral(" AND j.kind IN (%1)").arg(marks.join(QLatin1String(", ")));
            }
            QSqlQuery q = m_db->Exec(sql, values);
            while (q.next()) {
                HistoryItem item;
                item.entry = readEntry(q);
                item.at = item.entry.at;
                items.append(item);
            }
        }
    });
    if (!e.ok())
        return e;
    // Newest first; of the same moment, the later written first.
    std::stable_sort(items.begin(), items.end(), [](const HistoryItem &a, const HistoryItem &b) {
        if (a.at != b.at)
            return a.at > b.at;
        if (a.isSnapshot != b.isSnapshot)
            return !a.isSnapshot;
        return (a.isSnapshot ? a.snapshot.id : a.entry.id) > (b.isSnapshot ? b.snapshot.id : b.entry.id);
    });
    if (filter.limit > 0 && items.size() > filter.limit)
        items.resize(filter.limit);
    return items;
}

} // namespace porv
