#include "bookschema.h"

#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

#include "bookindex.h"

namespace porv::book {

namespace {

// A key PostgreSQL's advisory lock takes while one process creates or
// migrates the tables ("porv" in ASCII).
constexpr qint64 kSchemaLockKey = 0x706f7276;

// The newest tables. A book migrated from an older version ends with the same
// columns, types and defaults (the tests compare them), so the two never
// drift apart.
const char *const kTables[] = {
    "CREATE TABLE book_schema (version INTEGER NOT NULL)",
    "CREATE TABLE sites (id %ID%, name TEXT NOT NULL UNIQUE, address TEXT NOT NULL DEFAULT '', "
    "notes TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE units (id %ID%, site_id BIGINT NOT NULL REFERENCES sites(id), label TEXT NOT NULL UNIQUE, "
    "transport TEXT NOT NULL, address TEXT NOT NULL, number TEXT NOT NULL DEFAULT '', "
    "model_line TEXT NOT NULL DEFAULT '', memory_limit INTEGER NOT NULL DEFAULT -1, last_reached_ms BIGINT, "
    "notes TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE snapshots (id %ID%, unit_id BIGINT NOT NULL REFERENCES units(id), taken_ms BIGINT NOT NULL, "
    "who TEXT NOT NULL, pc TEXT NOT NULL, version TEXT NOT NULL, origin TEXT NOT NULL, document %BLOB% NOT NULL, "
    "uid TEXT, recorded_ms BIGINT NOT NULL DEFAULT 0)",
    "CREATE TABLE journal (id %ID%, unit_id BIGINT NOT NULL REFERENCES units(id), at_ms BIGINT NOT NULL, "
    "who TEXT NOT NULL, pc TEXT NOT NULL, kind TEXT NOT NULL, confirmed INTEGER NOT NULL, uid TEXT, "
    "version TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE journal_changes (id %ID%, entry_id BIGINT NOT NULL REFERENCES journal(id), item TEXT NOT NULL, "
    "field TEXT NOT NULL, secret INTEGER NOT NULL, before %BLOB%, after %BLOB%, seq INTEGER NOT NULL DEFAULT 0)",
};

// What version 2 added to the first tables: the sites' notes, the units' model,
// memory limit, last contact and notes, the identifiers that keep a retried
// write from being doubled, the indexes of the history and the find rows.
const char *const kVersion2Columns[] = {
    "ALTER TABLE sites ADD COLUMN notes TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE units ADD COLUMN model_line TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE units ADD COLUMN memory_limit INTEGER NOT NULL DEFAULT -1",
    "ALTER TABLE units ADD COLUMN last_reached_ms BIGINT",
    "ALTER TABLE units ADD COLUMN notes TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE snapshots ADD COLUMN uid TEXT",
    "ALTER TABLE snapshots ADD COLUMN recorded_ms BIGINT NOT NULL DEFAULT 0",
    "UPDATE snapshots SET uid = 'book-snapshot-' || id, recorded_ms = taken_ms",
    "ALTER TABLE journal ADD COLUMN uid TEXT",
    "ALTER TABLE journal ADD COLUMN version TEXT NOT NULL DEFAULT ''",
    "UPDATE journal SET uid = 'book-entry-' || id",
    "ALTER TABLE journal_changes ADD COLUMN seq INTEGER NOT NULL DEFAULT 0",
    "UPDATE journal_changes SET seq = id",
};

// The indexes and the find rows, the same in a new book and a migrated one.
const char *const kVersion2Indexes[] = {
    "CREATE UNIQUE INDEX snapshots_uid ON snapshots(uid)",
    "CREATE INDEX snapshots_unit ON snapshots(unit_id, taken_ms)",
    "CREATE UNIQUE INDEX journal_uid ON journal(uid)",
    "CREATE INDEX journal_unit ON journal(unit_id, at_ms)",
    "CREATE INDEX journal_changes_entry ON journal_changes(entry_id, seq)",
    "CREATE TABLE find_rows (id %ID%, unit_id BIGINT NOT NULL REFERENCES units(id), "
    "snapshot_id BIGINT NOT NULL REFERENCES snapshots(id), addr TEXT NOT NULL, name TEXT NOT NULL, "
    "room TEXT NOT NULL, phone TEXT NOT NULL, tag TEXT NOT NULL, text TEXT NOT NULL, dial TEXT NOT NULL)",
    "CREATE INDEX find_rows_unit ON find_rows(unit_id)",
};

// SQLite's trigram index over the find rows' search texts, kept by triggers.
const char *const kSqliteFind[] = {
    "CREATE VIRTUAL TABLE find_fts USING fts5(text, dial, content='find_rows', content_rowid='id', "
    "tokenize='trigram case_sensitive 1')",
    "CREATE TRIGGER find_rows_added AFTER INSERT ON find_rows BEGIN "
    "INSERT INTO find_fts(rowid, text, dial) VALUES (new.id, new.text, new.dial); END",
    "CREATE TRIGGER find_rows_removed AFTER DELETE ON find_rows BEGIN "
    "INSERT INTO find_fts(find_fts, rowid, text, dial) VALUES ('delete', old.id, old.text, old.dial); END",
};

template <std::size_t N>
void execAll(BookDb &db, const char *const (&statements)[N])
{
    for (const char *s : statements)
        db.Exec(SqlFor(db.Backend(), QString::fromLatin1(s)));
}

void createIndexes(BookDb &db)
{
    execAll(db, kVersion2Indexes);
    if (db.Backend() == BookBackend::SQLite)
        execAll(db, kSqliteFind);
}

void createTables(BookDb &db)
{
    execAll(db, kTables);
    createIndexes(db);
    db.Exec(QStringLiteral("INSERT INTO book_schema (version) VALUES (?)"), {kBookSchemaVersion});
}

void migrate1to2(BookDb &db)
{
    execAll(db, kVersion2Columns);
    createIndexes(db);
    QSqlQuery units = db.Exec(QStringLiteral("SELECT id FROM units ORDER BY id"));
    QList<qint64> ids;
    while (units.next())
        ids.append(units.value(0).toLongLong());
    units.finish();
    for (qint64 id : ids)
        IndexLatestSnapshot(db, id);
}

bool hasTable(BookDb &db, const QString &table)
{
    if (db.Backend() == BookBackend::SQLite)
        return db.Value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"), {table}).toInt() > 0;
    return db.Value(QStringLiteral("SELECT count(*) FROM information_schema.tables "
                                   "WHERE table_schema = current_schema() AND table_name = ?"),
                    {table})
               .toInt() > 0;
}

BookError refusal(BookFailure kind, const QString &message)
{
    return BookError::Fail(kind, message);
}

} // namespace

const QList<SchemaStep> &BookSchemaSteps()
{
    static const QList<SchemaStep> steps{{1, migrate1to2}};
    return steps;
}

int ReadSchemaVersion(BookDb &db)
{
    if (!hasTable(db, QStringLiteral("book_schema"))) {
        if (db.Backend() == BookBackend::SQLite && db.Value(QStringLiteral("SELECT count(*) FROM sqlite_master")).toInt() > 0)
            return -1;
        return 0;
    }
    const QVariant v = db.Value(QStringLiteral("SELECT max(version) FROM book_schema"));
    return v.isNull() ? -1 : v.toInt();
}

BookResult<int> PrepareBookSchema(BookDb &db, const QList<SchemaStep> &steps, int target)
{
    const QString name = db.Location().Name();
    const QString untouched = QStringLiteral("it is not opened, and nothing is written to it.");
    int found = 0;
    // First without writing: what is there.
    if (BookError e = db.Read(QStringLiteral("its version"), [&] { found = ReadSchemaVersion(db); }); !e.ok()) {
        if (e.kind == BookFailure::Damaged)
            return refusal(BookFailure::Damaged,
                           QStringLiteral("The site book %1 is damaged or is not a database: %2").arg(name, untouched));
        return e;
    }
    if (found > target)
        return refusal(BookFailure::Newer,
                       QStringLiteral("The site book %1 was written by a newer porv-pro (its version is %2; this "
                                      "porv-pro reads up to version %3): %4")
                           .arg(name, QString::number(found), QString::number(target), untouched));
    if (found < 0)
        return refusal(BookFailure::NotABook,
                       QStringLiteral("The file %1 is a database of another program, not a site book: %2").arg(name, untouched));

    if (db.Backend() == BookBackend::SQLite) {
        // Readers never wait for a writer, writers wait for each other (the
        // busy timeout); every commit is on the disk before it returns.
        db.Database().exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        db.Database().exec(QStringLiteral("PRAGMA synchronous = FULL"));
        db.Database().exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    }
    if (found == target)
        return target;

    int from = 0;
    const BookError e = db.Write(QStringLiteral("the update of its tables"), [&] {
        if (db.Backend() == BookBackend::PostgreSQL)
            db.Exec(QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kSchemaLockKey});
        // Another process may have done it meanwhile.
        from = ReadSchemaVersion(db);
        if (from == 0) {
            createTables(db);
            return;
        }
        if (from > target || from < 0)
            throw BookAbort{refusal(BookFailure::Newer, QStringLiteral("The site book %1 changed while it was opened: %2")
                                                            .arg(name, untouched))};
        for (int v = from; v < target; ++v) {
            const auto step = std::find_if(steps.begin(), steps.end(), [v](const SchemaStep &s) { return s.from == v; });
            if (step == steps.end())
                throw BookAbort{refusal(BookFailure::Migration,
                                        QStringLiteral("The site book %1 is of version %2, which this porv-pro cannot "
                                                       "update: it is left as it was.")
                                            .arg(name, QString::number(v)))};
            step->run(db);
        }
        db.Exec(QStringLiteral("UPDATE book_schema SET version = ?"), {target});
    });
    if (!e.ok()) {
        if (e.kind == BookFailure::Unreachable || e.kind == BookFailure::Busy || e.kind == BookFailure::Newer
            || e.kind == BookFailure::Migration)
            return e;
        if (from == 0)
            return refusal(BookFailure::Migration,
                           QStringLiteral("The site book %1 could not be created: %2").arg(name, e.message));
        return refusal(BookFailure::Migration,
                       QStringLiteral("The site book %1 (version %2) could not be brought up to version %3, and is "
                                      "left as it was: %4")
                           .arg(name, QString::number(from), QString::number(target), e.message));
    }
    return target;
}

} // namespace porv::book
