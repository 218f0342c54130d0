#include "bookindex.h"

#include <QSqlQuery>

#include "booktext.h"
#include "clientfilter.h"
#include "directorytable.h"
#include "directorytransfer.h"
#include "memtable.h"
#include "tagbinding.h"

namespace porv::book {

namespace {

// Columns of the directory table as a tag download fills them.
constexpr int kNameField = 0;
constexpr int kRoomField = 1;
constexpr int kPhoneField = 2;
constexpr int kTagField = 6;
constexpr int kAddrField = 7;

constexpr int kRowsPerInsert = 100;

void insertRows(BookDb &db, qint64 unitId, qint64 snapshotId, const QList<IndexRow> &rows)
{
    const QString head = QStringLiteral(
        "INSERT INTO find_rows (unit_id, snapshot_id, addr, name, room, phone, tag, text, dial) VALUES ");
    const QString one = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (int start = 0; start < rows.size(); start += kRowsPerInsert) {
        const int count = qMin(kRowsPerInsert, int(rows.size()) - start);
        QStringList tuples;
        QVariantList values;
        values.reserve(count * 9);
        for (int i = start; i < start + count; ++i) {
            const IndexRow &r = rows[i];
            tuples.append(one);
            values << unitId << snapshotId << book::Text(r.addr) << book::Text(r.name) << book::Text(r.room) << book::Text(r.phone)
                   << book::Text(r.tag) << FoldedText(r) << DialText(r.phone);
        }
        db.Exec(head + tuples.join(QLatin1String(", ")), values);
    }
}

} // namespace

QList<IndexRow> IndexRowsOf(const UnitBackup &backup)
{
    StandaloneDirectory directory;
    MemTable &table = directory.table;
    if (backup.directory) {
        for (const BackupRecord &r : *backup.directory)
            table.AppendRecord({r.name, r.room, r.phone, r.code1, r.code2, r.spare, QByteArray(), r.addr});
    }
    if (backup.tags) {
        QList<TagEntry> entries;
        for (const BackupTag &t : *backup.tags)
            entries.append({t.room, t.code.toUpper()});
        TaggedAddresses tagged;
        BindTags(table, entries, tagged);
    }
    QList<IndexRow> rows;
    rows.reserve(table.RecordCount());
    const int records = backup.directory ? int(backup.directory->size()) : 0;
    for (int row = 0; row < table.RecordCount(); ++row) {
        // Records a binding made for a tag come after the backup's own and
        // carry a placeholder address, which is not the unit's.
        const QByteArray addr = row < records ? table.RowText(row, kAddrField) : QByteArray();
        rows.append({addr, table.RowText(row, kNameField), table.RowText(row, kRoomField),
                     table.RowText(row, kPhoneField), table.RowText(row, kTagField)});
    }
    return rows;
}

QString FoldedText(const IndexRow &row)
{
    return book::Text(FoldLatin1(row.name)) + QLatin1Char(kFieldSeparator) + book::Text(FoldLatin1(row.room))
         + QLatin1Char(kFieldSeparator) + book::Text(FoldLatin1(row.tag));
}

QString DialText(const QByteArray &phone)
{
    QByteArray dial = DialNumber(phone);
    for (char &c : dial) {
        if (c == 'P' || c == ':')
            c = 'p';
    }
    return book::Text(dial);
}

bool SnapshotIndexed(BookDb &db, qint64 unitId, qint64 snapshotId)
{
    const QVariant indexed = db.Value(QStringLiteral("SELECT snapshot_id FROM find_rows WHERE unit_id = ? LIMIT 1"), {unitId});
    return indexed.isValid() && indexed.toLongLong() == snapshotId;
}

void IndexLatestSnapshot(BookDb &db, qint64 unitId)
{
    QSqlQuery latest = db.Exec(QStringLiteral("SELECT id, document FROM snapshots WHERE unit_id = ? "
                                              "ORDER BY taken_ms DESC, id DESC LIMIT 1"),
                               {unitId});
    if (!latest.next()) {
        db.Exec(QStringLiteral("DELETE FROM find_rows WHERE unit_id = ?"), {unitId});
        return;
    }
    const qint64 snapshotId = latest.value(0).toLongLong();
    const QByteArray document = latest.value(1).toByteArray();
    latest.finish();
    if (SnapshotIndexed(db, unitId, snapshotId))
        return;
    db.Exec(QStringLiteral("DELETE FROM find_rows WHERE unit_id = ?"), {unitId});
    // A document the backup reader refuses (the book keeps only documents it
    // read, so only a damaged row) gives no rows rather than stopping the
    // book's other work.
    const BackupReadResult read = BackupFromJson(document, QStringLiteral("snapshot %1").arg(snapshotId));
    if (read.ok())
        insertRows(db, unitId, snapshotId, IndexRowsOf(*read.backup));
}

} // namespace porv::book
