// Find across a SQLite site book of 1000 units of 1000 records each, and the
// cost of journalling a full upload's changes against the upload itself.
//
// The book of a million find rows is built in seconds: its tables by
// SiteBook::Open, one snapshot of 1000 records through AddSnapshot (the
// library's own indexing, timed on its own), and then, in one transaction
// of a second connection, the other 999 units with their snapshots and find
// rows made by INSERT ... SELECT over a counting query, written as the
// library writes them (ASCII fields, so lower() folds them as FoldLatin1
// does); the trigram index fills itself through the find rows' triggers.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include "sitebook.h"

namespace {

constexpr int kUnits = 1000;
constexpr int kRecords = 1000;

porv::UnitBackup unitBackup(int unit)
{
    porv::UnitBackup b;
    b.modelLine = "QX4-1000 V2.1";
    b.memoryLimit = 0x3E7;
    b.taken = QDateTime(QDate(2024, 6, 3), QTime(8, 0), Qt::UTC);
    b.directory.emplace();
    b.tags.emplace();
    for (int j = 0; j < kRecords; ++j) {
        porv::BackupRecord r;
        r.addr = QByteArray::number(0x100 + j, 16).toUpper().rightJustified(4, '0');
        r.name = QStringLiteral("Client %1-%2").arg(j).arg(unit).toLatin1();
        r.room = QByteArray::number(100 + j);
        r.phone = QStringLiteral("0%1 %2").arg(unit, 3, 10, QLatin1Char('0')).arg(j, 6, 10, QLatin1Char('0')).toLatin1();
        b.directory->append(r);
        if (j % 10 == 0)
            b.tags->append({r.room, QStringLiteral("%1").arg(qint64(unit) * 100000 + j, 10, 16, QLatin1Char('0')).toUpper().toLatin1()});
    }
    return b;
}

struct BigBook {
    QTemporaryDir folder;
    porv::BookLocation location;
    std::unique_ptr<porv::SiteBook> book;
    double addSnapshotMs = 0;
    double buildSeconds = 0;

    BigBook()
    {
        QElapsedTimer clock;
        clock.start();
        location.file = folder.filePath(QStringLiteral("big.sqlite"));
        book = std::move(porv::SiteBook::Open(location).value);
        const qint64 site = book->AddSite({0, QStringLiteral("Site 0"), QString(), QString()}).value;
        porv::BookUnit u;
        u.siteId = site;
        u.label = QStringLiteral("Unit 0001");
        u.address = QStringLiteral("10.0.0.1");
        const qint64 first = book->AddUnit(u).value;
        QElapsedTimer add;
        add.start();
        book->AddSnapshot(first, unitBackup(1), porv::SnapshotOrigin::Scheduled);
        addSnapshotMs = add.nsecsElapsed() / 1e6;
        fillOthers();
        buildSeconds = clock.nsecsElapsed() / 1e9;
    }

    void fillOthers()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-fill"));
        db.setDatabaseName(location.file);
        db.open();
        const char *const statements[] = {
            "BEGIN IMMEDIATE",
            "INSERT INTO sites (name) WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < 9) "
            "SELECT 'Site ' || n FROM s",
            "INSERT INTO units (site_id, label, transport, address) WITH RECURSIVE k(n) AS (SELECT 2 UNION ALL "
            "SELECT n + 1 FROM k WHERE n < 1000) SELECT 1 + n % 10, printf('Unit %04d', n), 'udp', '10.0.' || (n / 250) "
            "|| '.' || (n % 250) FROM k",
            "INSERT INTO snapshots (uid, unit_id, taken_ms, recorded_ms, who, pc, version, origin, document) "
            "SELECT 'bench-' || u.id, u.id, s.taken_ms, s.recorded_ms, s.who, s.pc, s.version, s.origin, s.document "
            "FROM units u, snapshots s WHERE u.id > 1 AND s.unit_id = 1",
            "INSERT INTO find_rows (unit_id, snapshot_id, addr, name, room, phone, tag, text, dial) "
            "WITH RECURSIVE j(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM j WHERE n < 999), "
            "r AS (SELECT u.id AS unit, s.id AS snapshot, CAST(substr(u.label, 6) AS INTEGER) AS k, j.n AS n "
            "FROM units u JOIN snapshots s ON s.unit_id = u.id, j WHERE u.id > 1), "
            "f AS (SELECT unit, snapshot, printf('%04X', 256 + n) AS addr, 'Client ' || n || '-' || k AS name, "
            "CAST(100 + n AS TEXT) AS room, printf('0%03d %06d', k, n) AS phone, "
            "CASE WHEN n % 10 = 0 THEN printf('%010X', k * 100000 + n) ELSE '' END AS tag FROM r) "
            "SELECT unit, snapshot, addr, name, room, phone, tag, lower(name) || char(31) || room || char(31) || lower(tag), "
            "replace(phone, ' ', '') FROM f ORDER BY unit, addr",
            "COMMIT",
        };
        for (const char *s : statements) {
            QSqlQuery q(db);
            if (!q.exec(QString::fromLatin1(s)))
                std::fprintf(stderr, "fill: %s\n", qPrintable(q.lastError().text()));
        }
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("bench-fill"));
    }
};

BigBook &bigBook()
{
    static BigBook book;
    return book;
}

void find(benchmark::State &state, const QString &text, int expected)
{
    BigBook &big = bigBook();
    state.counters["build_s"] = big.buildSeconds;
    state.counters["add_snapshot_1000_ms"] = big.addSnapshotMs;
    int found = 0;
    for (auto _ : state) {
        const porv::BookResult<QList<porv::FoundRecord>> r = big.book->Find(text);
        found = int(r.value.size());
        if (!r.ok())
            state.SkipWithError(qPrintable(r.error.message));
    }
    state.counters["found"] = found;
    if (expected >= 0 && found != expected)
        state.SkipWithError("unexpected number of records found");
}

// A name, a number typed with its layout, a tag in lower case, a room of a
// unit the library indexed itself, and texts that hold many records.
void BM_FindName(benchmark::State &state) { find(state, QStringLiteral("client 123-456"), 1); }
void BM_FindNumber(benchmark::State &state) { find(state, QStringLiteral("0456 000-123"), 1); }
void BM_FindTag(benchmark::State &state) { find(state, QStringLiteral("%1").arg(qint64(777) * 100000 + 120, 10, 16, QLatin1Char('0')), 1); }
void BM_FindInTheIndexedUnit(benchmark::State &state) { find(state, QStringLiteral("CLIENT 999-1"), 112); }
void BM_FindManyRecords(benchmark::State &state) { find(state, QStringLiteral("client 12-"), 1000); }
void BM_FindShortText(benchmark::State &state) { find(state, QStringLiteral("9-"), 1000); }
BENCHMARK(BM_FindName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNumber)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindTag)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindInTheIndexedUnit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindManyRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindShortText)->Unit(benchmark::kMillisecond);

// The waits a full upload of 1000 records cannot go below (bench/directory's
// UploadFloorSeconds): journalling its 1000 records of seven fields each
// against that.
void BM_JournalFullUpload1000(benchmark::State &state)
{
    QTemporaryDir folder;
    porv::BookLocation location;
    location.file = folder.filePath(QStringLiteral("journal.sqlite"));
    std::unique_ptr<porv::SiteBook> book = std::move(porv::SiteBook::Open(location).value);
    const qint64 site = book->AddSite({0, QStringLiteral("Harbour"), QString(), QString()}).value;
    porv::BookUnit u;
    u.siteId = site;
    u.label = QStringLiteral("Gate A");
    u.address = QStringLiteral("127.0.0.2");
    const qint64 unit = book->AddUnit(u).value;
    porv::JournalEntry entry;
    entry.unitId = unit;
    entry.kind = porv::JournalKind::FullUpload;
    const porv::UnitBackup uploaded = unitBackup(1);
    for (const porv::BackupRecord &r : *uploaded.directory) {
        const QString item = QStringLiteral("record ") + QString::fromLatin1(r.addr);
        for (const char *field : {"name", "room", "phone", "code1", "code2", "spare", "tag"})
            entry.changes.append({item, QString::fromLatin1(field), QByteArray(), r.name});
    }
    const double floor = (50 + 50 + (1 + 100 + 1 + 100 + 100) + 1000 * (1 + 100) + 10) * 864e-6;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        if (!book->Journal(entry).ok())
            state.SkipWithError("not recorded");
        state.counters["pct_of_upload"] = 100.0 * clock.nsecsElapsed() / 1e9 / floor;
    }
}
BENCHMARK(BM_JournalFullUpload1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
