// The site book from porv-cli, as scripts and scheduled jobs use it: the
// built program through QProcess, on a SQLite book and on a PostgreSQL
// server the executable starts, against simulated units (qx4-unit
// processes, each on a loopback address of its own, UDP port 8000).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "bookdb.h"
#include "delay.h"
#include "pgserver.h"
#include "private_environment.h"
#include "sitebook.h"
#include "unitbackup.h"
#include "waiting.h"

namespace {

using porv::BookBackend;

constexpr char kPin[] = "4321";

std::unique_ptr<porv::test::PgServer> g_server;
QString g_serverMissing;

// The executable's server, started once before the first test (not for a
// listing of the tests) and stopped at the end.
class PostgresEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_server = std::make_unique<porv::test::PgServer>();
        if (!g_server->Start(g_serverMissing)) {
            std::fprintf(stderr, "\n*** The PostgreSQL half of the fleet tests cannot run: %s ***\n\n",
                         qPrintable(g_serverMissing));
            g_server.reset();
        }
    }
    void TearDown() override { g_server.reset(); }
};

struct Ran {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// A simulated unit in a process of its own, listening on `address`.
class UnitProcess {
public:
    bool start(const QString &address, const QStringList &extra = {})
    {
        m_process.start(QStringLiteral(QX4_UNIT_EXECUTABLE),
                        QStringList{QStringLiteral("--udp"), address, QStringLiteral("--pin"), QLatin1String(kPin),
                                    QStringLiteral("--time-scale"), QString::number(porv::TickScale())} +
                            extra);
        if (!m_process.waitForStarted())
            return false;
        QByteArray out;
        return porv::test::WaitFor([&] {
            out += m_process.readAllStandardOutput();
            return out.contains("udp: listening on");
        });
    }
    ~UnitProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

private:
    QProcess m_process;
};

// porv-cli in folders of its own, on a book of the backend the test names.
class BookCliTest : public ::testing::Test {
protected:
    virtual BookBackend backend() const { return BookBackend::SQLite; }

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        if (backend() == BookBackend::PostgreSQL) {
            if (!g_server) {
                if (qEnvironmentVariableIsSet("CI"))
                    FAIL() << "CI runs the site book on PostgreSQL, and the server cannot start: "
                           << qPrintable(g_serverMissing);
                GTEST_SKIP() << "PostgreSQL HALF SKIPPED: the server cannot start: " << qPrintable(g_serverMissing);
            }
            static int databases = 0;
            const QString name = QStringLiteral("fleet%1").arg(++databases);
            QString why;
            ASSERT_TRUE(g_server->CreateDatabase(name, why)) << qPrintable(why);
            book = g_server->Url(name);
        }
        // Without PORV_BOOK (SQLite) the book is the default file of the data folder.
        env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("PORV_PIN"));
        env.remove(QStringLiteral("PORV_BOOK"));
        if (!book.isEmpty())
            env.insert(QStringLiteral("PORV_BOOK"), book);
        env.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path("config"));
        // Its replies cross from other processes: the program at half its
        // tick at the shortest (a shorter wait would send again what a unit has).
        env.insert(QStringLiteral("PORV_TEST_TICK_SCALE"), QString::number(std::max(porv::TickScale(), 0.5)));
    }

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    Ran run(std::initializer_list<const char *> words)
    {
        QStringList arguments;
        for (const char *word : words)
            arguments.append(QString::fromUtf8(word));
        return run(arguments);
    }
    Ran run(const QStringList &arguments)
    {
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.setStandardInputFile(QProcess::nullDevice());
        program.start(QStringLiteral(PORV_CLI_EXECUTABLE), arguments);
        Ran ran;
        if (!program.waitForStarted())
            return ran;
        porv::test::WaitFor([&] { return program.state() == QProcess::NotRunning; }, 300000);
        ran.out = program.readAllStandardOutput();
        ran.err = program.readAllStandardError();
        if (program.exitStatus() == QProcess::NormalExit)
            ran.status = program.exitCode();
        return ran;
    }

    // The pins file, one line a unit, with these permissions.
    void writePins(const QByteArray &lines, QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner)
    {
        QDir().mkpath(path("config/porv-pro"));
        QFile file(path("config/porv-pro/pins"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines);
        file.close();
        ASSERT_TRUE(file.setPermissions(permissions));
    }

    // The book the program used, opened here.
    std::unique_ptr<porv::SiteBook> openBook()
    {
        const QString text = book.isEmpty() ? path("data/porv-pro/sitebook.sqlite") : book;
        auto opened = porv::SiteBook::Open(porv::ParseBookLocation(text).value);
        EXPECT_TRUE(opened.ok()) << qPrintable(opened.error.message);
        return std::move(opened.value);
    }

    static QJsonArray json(const Ran &ran)
    {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(ran.out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << ran.out.toStdString();
        EXPECT_TRUE(doc.isArray()) << ran.out.toStdString();
        return doc.array();
    }

    QTemporaryDir dir;
    QString book; // empty: the SQLite file of the data folder
    QProcessEnvironment env;
};

// What runs on either book.
class FleetTest : public BookCliTest, public ::testing::WithParamInterface<BookBackend> {
protected:
    BookBackend backend() const override { return GetParam(); }
};

std::string Backend(const ::testing::TestParamInfo<BookBackend> &info)
{
    return info.param == BookBackend::SQLite ? "SQLite" : "PostgreSQL";
}

#define EXPECT_RAN(ran, expected)                                                                     \
    EXPECT_EQ((ran).status, expected) << (ran).err.toStdString() << (ran).out.toStdString()

QStringList Keys(const QJsonValue &value) { return value.toObject().keys(); }

QJsonValue V(const char *text) { return QJsonValue(QString::fromUtf8(text)); }
QStringList Words(std::initializer_list<const char *> words)
{
    QStringList list;
    for (const char *word : words)
        list.append(QString::fromUtf8(word));
    return list;
}

} // namespace

// Sites and units added, a unit reached by its label with its PIN from the
// pins file, its backup imported and found, its history, and a snapshot out
// again; the JSON of each as scripts read it; the book's refusals.
TEST_P(FleetTest, BookCommandsEndToEnd)
{
    UnitProcess unit;
    ASSERT_TRUE(unit.start(QStringLiteral("127.0.81.1")));
    EXPECT_RAN(run({"book", "add-site", "Harbour", "--address", "1 Quay Street"}), 0);
    const Ran taken = run({"book", "add-site", "Harbour"});
    EXPECT_RAN(taken, 2);
    EXPECT_TRUE(taken.err.contains("\"Harbour\"")) << taken.err.toStdString();
    EXPECT_RAN(run({"book", "add-unit", "Gate A", "--site", "Harbour", "--udp", "127.0.81.1"}), 0);
    EXPECT_RAN(run({"book", "add-unit", "Back door", "--site", "Harbour", "--modem", "/dev/ttyS0", "--number", "0123"}), 0);
    EXPECT_RAN(run({"book", "add-unit", "Nowhere", "--site", "Harbour"}), 2);
    EXPECT_RAN(run({"book", "add-unit", "Gate B", "--site", "Hill", "--udp", "127.0.81.2"}), 2);

    const QJsonArray sites = json(run({"book", "sites", "--json"}));
    const QJsonObject harbour{{QStringLiteral("name"), V("Harbour")},
                              {QStringLiteral("address"), V("1 Quay Street")},
                              {QStringLiteral("notes"), V("")},
                              {QStringLiteral("units"), 2}};
    EXPECT_EQ(sites, QJsonArray({harbour}));

    // Reached as the book says, the PIN from the pins file; the book then
    // knows the model line and when.
    writePins(QByteArray("# label PIN\nBack door 1111\nGate A ") + kPin + "\n");
    const Ran backup = run({"--unit", "Gate A", "backup", "-o", "gate.qx4b"});
    ASSERT_EQ(backup.status, 0) << backup.err.toStdString();
    EXPECT_FALSE((backup.out + backup.err).contains(kPin));
    const porv::BackupReadResult file = porv::LoadBackupFile(path("gate.qx4b"));
    ASSERT_TRUE(file.ok()) << qPrintable(file.error);
    const QJsonArray units = json(run({"book", "units", "--site", "Harbour", "--json"}));
    ASSERT_EQ(units.size(), 2);
    const QStringList unitKeys =
        Words({"address", "connection", "lastReached", "memoryLimit", "model", "notes", "number", "site", "unit"});
    EXPECT_EQ(Keys(units[0]), unitKeys);
    EXPECT_EQ(units[0][QLatin1String("unit")], V("Back door"));
    EXPECT_EQ(units[0][QLatin1String("connection")], V("modem"));
    EXPECT_EQ(units[0][QLatin1String("number")], V("0123"));
    EXPECT_TRUE(units[0][QLatin1String("lastReached")].isNull());
    EXPECT_EQ(units[1][QLatin1String("unit")], V("Gate A"));
    EXPECT_EQ(units[1][QLatin1String("connection")], V("udp"));
    EXPECT_EQ(units[1][QLatin1String("address")], V("127.0.81.1"));
    EXPECT_EQ(units[1][QLatin1String("model")], QString::fromLatin1(file.backup->modelLine));
    EXPECT_EQ(units[1][QLatin1String("memoryLimit")], file.backup->memoryLimit);
    EXPECT_FALSE(units[1][QLatin1String("lastReached")].toString().isEmpty());

    EXPECT_RAN(run({"book", "import", "Gate A", "gate.qx4b"}), 0);
    EXPECT_RAN(run({"book", "import", "Gate C", "gate.qx4b"}), 2);
    // A record whose name no other record holds, found by part of it in any case.
    const porv::BackupRecord wanted = file.backup->directory->at(3);
    const QString name = QString::fromLatin1(wanted.name).trimmed();
    const QJsonArray found = json(run(Words({"book", "find"}) + QStringList{name.toLower(), QStringLiteral("--json")}));
    ASSERT_GE(found.size(), 1);
    EXPECT_EQ(Keys(found[0]), Words({"name", "phone", "room", "site", "tag", "unit"}));
    bool listed = false;
    for (const QJsonValue &match : found) {
        EXPECT_EQ(match[QLatin1String("site")], V("Harbour"));
        EXPECT_EQ(match[QLatin1String("unit")], V("Gate A"));
        EXPECT_TRUE(match[QLatin1String("name")].toString().contains(name, Qt::CaseInsensitive));
        listed = listed || (match[QLatin1String("room")] == QString::fromLatin1(wanted.room).trimmed() &&
                            match[QLatin1String("phone")] == QString::fromLatin1(wanted.phone).trimmed());
    }
    EXPECT_TRUE(listed);

    // The backup taken with --unit is a snapshot too; the import is the newest.
    const QJsonArray history = json(run({"book", "history", "Gate A", "--json"}));
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history[1][QLatin1String("origin")], V("manual"));
    EXPECT_EQ(history[0][QLatin1String("kind")], V("snapshot"));
    EXPECT_EQ(history[0][QLatin1String("origin")], V("imported"));
    EXPECT_EQ(history[0][QLatin1String("what")], V("snapshot (imported)"));
    EXPECT_EQ(history[0][QLatin1String("who")], porv::BookActor::OfThisProcess().user);
    EXPECT_EQ(history[0][QLatin1String("pc")], porv::BookActor::OfThisProcess().pc);
    EXPECT_FALSE(history[0][QLatin1String("when")].toString().isEmpty());

    // Out again: what the unit holds, without its PINs.
    EXPECT_RAN(run({"book", "export", "Gate A", "-o", "out.qx4b"}), 0);
    const porv::BackupReadResult out = porv::LoadBackupFile(path("out.qx4b"));
    ASSERT_TRUE(out.ok()) << qPrintable(out.error);
    EXPECT_EQ(*out.backup->directory, *file.backup->directory);
    EXPECT_EQ(*out.backup->tags, *file.backup->tags);
    EXPECT_FALSE(out.backup->access.has_value());
    EXPECT_RAN(run({"book", "export", "Gate A", "--at", "2001-01-01", "-o", "old.qx4b"}), 2);
    EXPECT_FALSE(QFile::exists(path("old.qx4b")));
}

// The pins file that others can read is not used (its PIN never shown); a
// PIN given otherwise comes before the pins file.
TEST_F(BookCliTest, PinsFileOthersCanReadIsRefused)
{
    UnitProcess unit;
    ASSERT_TRUE(unit.start(QStringLiteral("127.0.81.1")));
    EXPECT_RAN(run({"book", "add-site", "Harbour"}), 0);
    EXPECT_RAN(run({"book", "add-unit", "Gate A", "--site", "Harbour", "--udp", "127.0.81.1"}), 0);
    writePins("Gate A 9988\n", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    const Ran refused = run({"--unit", "Gate A", "info"});
    EXPECT_RAN(refused, 2);
    EXPECT_TRUE(refused.err.contains("chmod 600")) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QFile::encodeName(path("config/porv-pro/pins"))));
    EXPECT_FALSE((refused.out + refused.err).contains("9988"));

    env.insert(QStringLiteral("PORV_PIN"), QLatin1String(kPin));
    const Ran given = run({"--unit", "Gate A", "info"});
    EXPECT_RAN(given, 0);
    EXPECT_TRUE(given.out.contains("Records:")) << given.out.toStdString();
    const Ran unknown = run({"--unit", "Gate Z", "info"});
    EXPECT_RAN(unknown, 2);
    EXPECT_TRUE(unknown.err.contains("\"Gate Z\"")) << unknown.err.toStdString();
}

// A book of a newer porv-pro, a damaged file and a server that cannot be
// reached: named, status 5, nothing written.
TEST_P(FleetTest, BookThatCannotBeUsedIsNamed)
{
    if (GetParam() == BookBackend::PostgreSQL) {
        const QString gone = QStringLiteral("postgresql://porv@%2Fnowhere%2Fat%2Fall/book");
        for (const QStringList &line : {Words({"book", "sites", "--book"}) + QStringList{gone},
                                        Words({"--unit", "Gate A", "info", "--book"}) + QStringList{gone}}) {
            const Ran ran = run(line);
            EXPECT_RAN(ran, 5);
            EXPECT_TRUE(ran.err.contains("postgresql://porv@")) << ran.err.toStdString();
        }
        return;
    }
    // A book of a newer version: made here, then its version raised.
    const QString newer = path("newer.sqlite");
    {
        auto made = porv::SiteBook::Open(porv::ParseBookLocation(newer).value);
        ASSERT_TRUE(made.ok());
    }
    {
        porv::book::BookDb raw(porv::ParseBookLocation(newer).value);
        ASSERT_TRUE(raw.Connect().ok());
        raw.Database().exec(QStringLiteral("UPDATE book_schema SET version = 99"));
    }
    QFile damaged(path("damaged.sqlite"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(8192, '\x5A'));
    damaged.close();
    for (const QString &file : {newer, path("damaged.sqlite")}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        const Ran ran = run(Words({"book", "add-site", "Harbour", "--book"}) + QStringList{file});
        EXPECT_RAN(ran, 5);
        EXPECT_TRUE(ran.err.contains(QFile::encodeName(file))) << ran.err.toStdString();
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);
    }
}


// Twenty units on two sites, one of them silent: each backed up in turn into
// a scheduled snapshot, one line each, the silent one named, status 3.
TEST_F(BookCliTest, FleetBackupOfTwentyUnitsNamesTheSilentOne)
{
    constexpr int kUnits = 20, kSilent = 13;
    std::vector<std::unique_ptr<UnitProcess>> units;
    QByteArray pins;
    {
        auto opened = porv::SiteBook::Open(porv::ParseBookLocation(book.isEmpty() ? path("data/porv-pro/sitebook.sqlite") : book).value);
        ASSERT_TRUE(opened.ok()) << qPrintable(opened.error.message);
        porv::SiteBook &b = *opened.value;
        const qint64 harbour = b.AddSite({0, QStringLiteral("Harbour"), {}, {}}).value;
        const qint64 hill = b.AddSite({0, QStringLiteral("Hill"), {}, {}}).value;
        for (int n = 1; n <= kUnits; ++n) {
            const QString address = QStringLiteral("127.0.81.%1").arg(n);
            units.push_back(std::make_unique<UnitProcess>());
            QStringList extra = {QStringLiteral("--records"), QString::number(n), QStringLiteral("--events"), QStringLiteral("2")};
            if (n == kSilent)
                extra.append(QStringLiteral("--silent"));
            ASSERT_TRUE(units.back()->start(address, extra)) << qPrintable(address);
            porv::BookUnit unit;
            unit.siteId = n <= kUnits / 2 ? harbour : hill;
            unit.label = QStringLiteral("Gate %1").arg(n);
            unit.address = address;
            ASSERT_TRUE(b.AddUnit(unit).ok());
            pins += unit.label.toLatin1() + ' ' + kPin + '\n';
        }
    }
    writePins(pins);

    // Twenty backups in turn: the program at a quarter of its tick, short
    // enough for the run to stay short, long enough for reads (which a late
    // reply does not spoil as it would a write) across processes.
    env.insert(QStringLiteral("PORV_TEST_TICK_SCALE"), QString::number(std::max(porv::TickScale(), 0.25)));
    const Ran ran = run({"fleet", "backup"});
    EXPECT_RAN(ran, 3);
    const QList<QByteArray> lines = ran.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), kUnits + 1) << ran.out.toStdString();
    EXPECT_TRUE(lines.last().startsWith("19 of 20 units backed up")) << lines.last().toStdString();
    EXPECT_TRUE(lines.last().endsWith("; not backed up: Gate 13")) << lines.last().toStdString();
    EXPECT_FALSE((ran.out + ran.err).contains(kPin));

    const std::unique_ptr<porv::SiteBook> b = openBook();
    ASSERT_TRUE(b);
    int snapshots = 0;
    for (const porv::BookUnit &unit : b->Units().value) {
        const QList<porv::SnapshotInfo> kept = b->Snapshots(unit.id).value;
        const bool silent = unit.label == QStringLiteral("Gate %1").arg(kSilent);
        bool said = false;
        for (const QByteArray &l : lines)
            said = said || l.startsWith(unit.label.toLatin1() + (silent ? ": not backed up: " : ": backed up, "));
        EXPECT_TRUE(said) << qPrintable(unit.label) << "\n" << ran.out.toStdString();
        EXPECT_EQ(kept.size(), silent ? 0 : 1) << qPrintable(unit.label);
        for (const porv::SnapshotInfo &s : kept) {
            EXPECT_EQ(s.origin, porv::SnapshotOrigin::Scheduled);
            // Each unit's own contents: as many records as its number.
            const porv::UnitBackup backed = b->SnapshotBackup(s.id).value;
            EXPECT_EQ(backed.directory ? backed.directory->size() : -1, unit.label.mid(5).toInt()) << qPrintable(unit.label);
        }
        snapshots += int(kept.size());
    }
    EXPECT_EQ(snapshots, kUnits - 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, FleetTest, ::testing::Values(BookBackend::SQLite, BookBackend::PostgreSQL), Backend);

int main(int argc, char **argv)
{
    const porv::test::PrivateEnvironment environment(argv[0]);
    QCoreApplication app(argc, argv);
    bool ok = false;
    const double scale = qEnvironmentVariable("PORV_TEST_TICK_SCALE").toDouble(&ok);
    porv::SetTickScale(ok && scale > 0 ? scale : 0.05);
    porv::SetWaitsSkipRunQueue(true);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);
    const int status = RUN_ALL_TESTS();
    g_server.reset();
    return status;
}
