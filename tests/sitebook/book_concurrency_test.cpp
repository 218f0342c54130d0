// Several processes writing into one book at once lose no entry and double
// none; a server that stops between writes leaves the book whole and says
// what it did not record.
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>

#include "book_fixture.h"
#include "bookdb.h"

namespace porv::test {
namespace {

// The writers end on their own; the cap keeps a wedged one from holding the
// suite for ever.
constexpr int kProcessCapMs = 300000;

class BookConcurrencyTest : public BookTest {};

TEST_P(BookConcurrencyTest, SeveralWritersLoseAndDoubleNothing)
{
    constexpr int kWriters = 4, kEntries = 40, kSnapshots = 4, kKeep = 3;
    qint64 unit = 0;
    {
        std::unique_ptr<SiteBook> book = OpenBook(location);
        ASSERT_TRUE(book);
        unit = AddGateUnit(*book, QStringLiteral("Shared"));
    }
    const QString where = Lite() ? location.file : Postgres()->Url(location.database);
    QList<QProcess *> writers;
    for (int w = 0; w < kWriters; ++w) {
        auto *p = new QProcess;
        p->setProcessChannelMode(QProcess::ForwardedOutputChannel);
        p->start(QStringLiteral(BOOK_WRITER), {where, QStringLiteral("Shared"), QString::number(w), QString::number(kEntries),
                                               QString::number(kSnapshots), QString::number(kKeep)});
        writers.append(p);
    }
    for (QProcess *p : writers) {
        EXPECT_TRUE(p->waitForFinished(kProcessCapMs));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << qPrintable(QString::fromLocal8Bit(p->readAllStandardError()));
        delete p;
    }

    book::BookDb raw(location);
    ASSERT_TRUE(raw.Connect().ok());
    EXPECT_EQ(raw.Value(QStringLiteral("SELECT count(*) FROM journal WHERE unit_id = ?"), {unit}).toInt(), kWriters * kEntries);
    EXPECT_EQ(raw.Value(QStringLiteral("SELECT count(DISTINCT uid) FROM journal")).toInt(), kWriters * kEntries);
    QMap<QString, QSet<QByteArray>> seen;
    QSqlQuery q = raw.Exec(QStringLiteral("SELECT item, after FROM journal_changes"));
    int changes = 0;
    while (q.next()) {
        seen[q.value(0).toString()].insert(q.value(1).toByteArray());
        ++changes;
    }
    EXPECT_EQ(changes, kWriters * kEntries);
    ASSERT_EQ(seen.size(), kWriters);
    for (const QSet<QByteArray> &numbers : seen)
        EXPECT_EQ(numbers.size(), kEntries);

    // The newest kKeep snapshots stay, and find knows the newest's records once.
    EXPECT_EQ(raw.Value(QStringLiteral("SELECT count(*) FROM snapshots")).toInt(), kKeep);
    const qint64 newest = raw.Value(QStringLiteral("SELECT id FROM snapshots ORDER BY taken_ms DESC, id DESC LIMIT 1")).toLongLong();
    EXPECT_EQ(raw.Value(QStringLiteral("SELECT count(*) FROM find_rows")).toInt(), 20);
    EXPECT_EQ(raw.Value(QStringLiteral("SELECT count(*) FROM find_rows WHERE snapshot_id = ?"), {newest}).toInt(), 20);
}

PORV_BOOK_BACKENDS(BookConcurrencyTest);

TEST(BookServerTest, AServerThatStopsMidRunLeavesTheBookWhole)
{
    PgServer *server = Postgres();
    if (!server) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "CI runs the site book on PostgreSQL, and the server cannot start: " << qPrintable(PostgresMissing());
        GTEST_SKIP() << "PostgreSQL HALF SKIPPED: the server cannot start: " << qPrintable(PostgresMissing());
    }
    const BookLocation location = NewBook(BookBackend::PostgreSQL);
    std::unique_ptr<SiteBook> book = OpenBook(location);
    ASSERT_TRUE(book);
    const qint64 site = book->AddSite({0, QStringLiteral("Harbour"), QString(), QString()}).value;
    BookUnit u;
    u.siteId = site;
    u.label = QStringLiteral("Gate A");
    u.address = QStringLiteral("127.0.0.2");
    const qint64 unit = book->AddUnit(u).value;
    const QDateTime t0(QDate(2024, 6, 3), QTime(8, 0), Qt::UTC);
    ASSERT_TRUE(book->Journal({unit, JournalKind::FullUpload, true, {}, {}, t0}).ok());
    ASSERT_TRUE(book->AddSnapshot(unit, SampleBackup(5, QStringLiteral("First"), t0.addSecs(30)), SnapshotOrigin::BeforeWrite).ok());

    QString why;
    ASSERT_TRUE(server->Stop(why)) << qPrintable(why);
    const BookResult<JournalRecord> lost =
        book->Journal({unit, JournalKind::RecordCommitted, true, {{QStringLiteral("record 0100"), QStringLiteral("name"), "a", "b"}}, {}, t0.addSecs(60)});
    EXPECT_EQ(lost.error.kind, BookFailure::Unreachable);
    EXPECT_TRUE(lost.error.message.contains(location.Name())) << qPrintable(lost.error.message);
    EXPECT_TRUE(lost.error.message.contains(QStringLiteral("\"record committed\"")));
    EXPECT_TRUE(lost.error.message.contains(QStringLiteral("was not recorded")));
    EXPECT_EQ(book->AddSnapshot(unit, SampleBackup(5, QStringLiteral("Second"), t0.addSecs(90)), SnapshotOrigin::BeforeWrite).error.kind,
              BookFailure::Unreachable);
    EXPECT_EQ(book->Find(QStringLiteral("First")).error.kind, BookFailure::Unreachable);
    EXPECT_EQ(book->Ping().kind, BookFailure::Unreachable);
    EXPECT_EQ(book->NotRecorded().size(), 2);

    // Back again: the book reconnects, and holds exactly what was recorded.
    ASSERT_TRUE(server->Resume(why)) << qPrintable(why);
    ASSERT_TRUE(book->Journal({unit, JournalKind::ClockSet, true, {}, {}, t0.addSecs(120)}).ok());
    BookResult<QList<HistoryItem>> history = book->History(unit);
    ASSERT_TRUE(history.ok()) << qPrintable(history.error.message);
    ASSERT_EQ(history.value.size(), 3);
    EXPECT_EQ(history.value[0].entry.kind, JournalKind::ClockSet);
    EXPECT_TRUE(history.value[1].isSnapshot);
    EXPECT_EQ(history.value[2].entry.kind, JournalKind::FullUpload);
    EXPECT_EQ(book->Find(QStringLiteral("first")).value.size(), 5);
    EXPECT_TRUE(book->Find(QStringLiteral("second")).value.isEmpty());
}

} // namespace
} // namespace porv::test
