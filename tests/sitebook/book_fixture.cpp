#include "book_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

#include "private_environment.h"

namespace porv::test {

namespace {

std::unique_ptr<QTemporaryDir> folder;
std::unique_ptr<PgServer> server;
QString serverMissing;
int books = 0;

// Starts the server once for the executable and stops it at its end.
class PostgresEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        server = std::make_unique<PgServer>();
        QString why;
        if (!server->Start(why)) {
            serverMissing = why;
            server.reset();
            std::fprintf(stderr, "\n*** The PostgreSQL half of the site book tests cannot run: %s ***\n\n",
                         qPrintable(why));
        }
    }
    void TearDown() override { server.reset(); }
};

} // namespace

PgServer *Postgres()
{
    return server.get();
}

QString PostgresMissing()
{
    return serverMissing;
}

QString TestFolder()
{
    return folder->path();
}

BookLocation NewBook(BookBackend backend)
{
    const QString name = QStringLiteral("book%1").arg(++books);
    if (backend == BookBackend::SQLite) {
        BookLocation l;
        l.file = TestFolder() + QLatin1Char('/') + name + QStringLiteral(".sqlite");
        return l;
    }
    QString why;
    if (!server || !server->CreateDatabase(name, why))
        ADD_FAILURE() << "no database " << qPrintable(name) << ": " << qPrintable(why);
    return ParseBookLocation(server ? server->Url(name) : QString()).value;
}

UnitBackup SampleBackup(int records, const QString &prefix, const QDateTime &taken)
{
    UnitBackup b;
    b.modelLine = "QX4-1000 V2.1";
    b.memoryLimit = 0x3E7;
    b.connection = QStringLiteral("udp 127.0.0.2");
    b.taken = taken;
    b.directory.emplace();
    b.tags.emplace();
    for (int i = 0; i < records; ++i) {
        BackupRecord r;
        r.addr = QByteArray::number(0x100 + i, 16).toUpper().rightJustified(4, '0');
        r.name = (prefix + QStringLiteral(" %1").arg(i)).toLatin1();
        r.room = QByteArray::number(100 + i);
        r.phone = "0123 45" + QByteArray::number(i);
        r.code1 = "1" + QByteArray::number(i);
        b.directory->append(r);
        if (i % 10 == 0)
            b.tags->append({r.room, QByteArray::number(0xA1B2C3D400LL + i, 16).toUpper()});
    }
    return b;
}

QByteArray BookFileBytes(const BookLocation &location)
{
    QStringList files;
    if (location.backend == BookBackend::SQLite) {
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            files.append(location.file + QLatin1String(suffix));
    } else {
        // The database's own folder and the write-ahead log.
        QSqlDatabase admin = QSqlDatabase::database(QStringLiteral("porv-test-pg-admin"));
        QSqlQuery q(admin);
        q.exec(QStringLiteral("CHECKPOINT"));
        q.prepare(QStringLiteral("SELECT oid FROM pg_database WHERE datname = ?"));
        q.addBindValue(location.database);
        if (!q.exec() || !q.next())
            ADD_FAILURE() << "no database " << qPrintable(location.database);
        for (const QString &sub : {QStringLiteral("/base/") + q.value(0).toString(), QStringLiteral("/pg_wal")}) {
            QDirIterator it(server->DataFolder() + sub, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files.append(it.next());
        }
    }
    QByteArray all;
    for (const QString &f : files) {
        QFile file(f);
        if (file.open(QIODevice::ReadOnly))
            all += file.readAll();
    }
    return all;
}

std::unique_ptr<SiteBook> OpenBook(const BookLocation &location)
{
    BookResult<std::unique_ptr<SiteBook>> opened = SiteBook::Open(location);
    EXPECT_TRUE(opened.ok()) << qPrintable(opened.error.message);
    return std::move(opened.value);
}

void BookTest::SetUp()
{
    if (GetParam() == BookBackend::PostgreSQL && !server) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "CI runs the site book on PostgreSQL, and the server cannot start: " << qPrintable(serverMissing);
        GTEST_SKIP() << "PostgreSQL HALF SKIPPED: the server cannot start: " << qPrintable(serverMissing);
    }
    location = NewBook(GetParam());
}

qint64 BookTest::AddGateUnit(SiteBook &book, const QString &label)
{
    BookResult<BookSite> site = book.SiteByName(QStringLiteral("Harbour"));
    qint64 siteId = site.value.id;
    if (!site.ok())
        siteId = book.AddSite({0, QStringLiteral("Harbour"), QStringLiteral("1 Quay Street"), QString()}).value;
    BookUnit unit;
    unit.siteId = siteId;
    unit.label = label;
    unit.address = QStringLiteral("127.0.0.2");
    const BookResult<qint64> id = book.AddUnit(unit);
    EXPECT_TRUE(id.ok()) << qPrintable(id.error.message);
    return id.value;
}

std::string BackendName(const ::testing::TestParamInfo<BookBackend> &info)
{
    return info.param == BookBackend::SQLite ? "SQLite" : "PostgreSQL";
}

} // namespace porv::test

int main(int argc, char **argv)
{
    const porv::test::PrivateEnvironment environment(argv[0]);
    QCoreApplication app(argc, argv);
    // Data and configuration folders of the executable's own.
    porv::test::folder = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", QFile::encodeName(porv::test::folder->filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(porv::test::folder->filePath(QStringLiteral("config"))));
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new porv::test::PostgresEnvironment);
    const int status = RUN_ALL_TESTS();
    porv::test::server.reset();
    porv::test::folder.reset();
    return status;
}
