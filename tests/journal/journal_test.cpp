// The site book journals every write to a unit of the book, from the real
// window (driven by its controls' names) and from porv-cli (the built
// program), against simulated units over UDP on loopback; on a SQLite file
// and on a PostgreSQL server this executable starts.
#include <QDir>
#include <QProcess>
#include <QTest>

#include "backupstore.h"
#include "bookrecorder.h"
#include "delay.h"
#include "booksetting.h"
#include "directory_page_fixture.h"
#include "pgserver.h"
#include "sitebook.h"

namespace {

using porv::BookBackend;
using porv::test::WaitFor;
using shelltest::Click;

std::unique_ptr<porv::test::PgServer> server;
QString serverMissing;
int databases = 0;

// One server for the executable, started before the first test.
class PostgresEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        server = std::make_unique<porv::test::PgServer>();
        if (!server->Start(serverMissing))
            server.reset();
    }
    void TearDown() override { server.reset(); }
};
const auto *const registered = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);

constexpr char kCode[] = "1234";

// A porv-cli run in the background: the test's event queue serves its unit meanwhile.
struct CliRun {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    bool finished() const { return process->state() == QProcess::NotRunning; }
    int status() const { return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1; }
    QString err() const { return QString::fromLocal8Bit(process->readAllStandardError()); }
};

class JournalTest : public dirtest::DirectoryPageTest, public ::testing::WithParamInterface<BookBackend> {
protected:
    void SetUp() override
    {
        DirectoryPageTest::SetUp();
        if (GetParam() == BookBackend::PostgreSQL && !server) {
            if (qEnvironmentVariableIsSet("CI"))
                FAIL() << "CI runs the site book on PostgreSQL, and the server cannot start: " << qPrintable(serverMissing);
            GTEST_SKIP() << "PostgreSQL HALF SKIPPED: the server cannot start: " << qPrintable(serverMissing);
        }
        if (GetParam() == BookBackend::SQLite) {
            bookText = dir.filePath(QStringLiteral("book.sqlite"));
        } else {
            const QString name = QStringLiteral("journal%1").arg(++databases);
            QString why;
            ASSERT_TRUE(server->CreateDatabase(name, why)) << qPrintable(why);
            bookText = server->Url(name);
        }
        ASSERT_TRUE(porv::KeepBookLocationSetting(bookText).ok());
        book = openBook();
        ASSERT_TRUE(book);
        site = book->AddSite({0, QStringLiteral("Harbour"), {}, {}}).value;
        gateA = addUnit(QStringLiteral("Gate A"), QLatin1String(porv::test::UnitAddress));
    }
    void TearDown() override
    {
        book.reset();
        porv::KeepBookLocationSetting(QString());
        DirectoryPageTest::TearDown();
    }

    std::unique_ptr<porv::SiteBook> openBook()
    {
        porv::BookResult<std::unique_ptr<porv::SiteBook>> opened = porv::SiteBook::Open(porv::ParseBookLocation(bookText).value);
        EXPECT_TRUE(opened.ok()) << qPrintable(opened.error.message);
        return std::move(opened.value);
    }
    qint64 addUnit(const QString &label, const QString &address)
    {
        porv::BookUnit u;
        u.siteId = site;
        u.label = label;
        u.address = address;
        const porv::BookResult<qint64> id = book->AddUnit(u);
        EXPECT_TRUE(id.ok()) << qPrintable(id.error.message);
        return id.value;
    }

    QList<porv::JournalRecord> journal(qint64 unitId)
    {
        porv::HistoryFilter onlyJournal;
        onlyJournal.snapshots = false;
        QList<porv::JournalRecord> entries;
        for (const porv::HistoryItem &item : book->History(unitId, onlyJournal).value)
            entries.append(item.entry);
        return entries;
    }
    const porv::RecordedChange *change(const QList<porv::RecordedChange> &changes, const QString &field)
    {
        for (const porv::RecordedChange &c : changes)
            if (c.field == field)
                return &c;
        return nullptr;
    }

    // porv-cli on the unit at `unitAddress`, its own side of the link on `toolAddress`.
    CliRun startCli(const QStringList &arguments, const QString &unitAddress, const QString &toolAddress,
                    const QString &bookAt = QString())
    {
        CliRun run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PORV_PIN"), QLatin1String(kCode));
        env.insert(QStringLiteral("PORV_BOOK"), bookAt.isEmpty() ? bookText : bookAt);
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("PORV_TEST_UDP_ADDRESS"), toolAddress);
        // Each on its own address, with its own lock of the network link.
        const QString tmp = dir.filePath(QStringLiteral("tmp-") + toolAddress);
        QDir().mkpath(tmp);
        env.insert(QStringLiteral("TMPDIR"), tmp);
        env.insert(QStringLiteral("PORV_TEST_TICK_SCALE"), QString::number(std::max(porv::TickScale(), 0.5)));
        run.process->setProcessEnvironment(env);
        run.process->start(QStringLiteral(PORV_CLI_EXECUTABLE), QStringList{QStringLiteral("--udp"), unitAddress} + arguments);
        EXPECT_TRUE(run.process->waitForStarted());
        return run;
    }
    int runCli(const QStringList &arguments, QString *err = nullptr, const QString &bookAt = QString())
    {
        CliRun run = startCli(arguments, QLatin1String(porv::test::UnitAddress), QStringLiteral("127.0.80.11"), bookAt);
        EXPECT_TRUE(WaitFor([&] { return run.finished(); }, 120000));
        if (err)
            *err = run.err();
        return run.status();
    }

    // The window logged on to Gate A, its phone list downloaded, changes written through.
    void windowOnGateA(int records = 4)
    {
        loggedOn(qx4::Model::Qx4_1000, records);
        clickGetData();
        ASSERT_TRUE(WaitFor([&] { return control<QCheckBox>("WrtChg")->isEnabled(); }));
        ASSERT_TRUE(control<QCheckBox>("WrtChg")->isChecked());
    }
    // The first record's name (and release code 1) changed in the boxes, then OK.
    void commitFirst(const QString &name, const QString &code1 = QString())
    {
        Click(navButton("nbFirst"));
        box("Namef")->setText(name);
        if (!code1.isEmpty())
            box("Code1")->setText(code1);
        Click(pushButton("NavOk"));
    }

    QString bookText;
    std::unique_ptr<porv::SiteBook> book;
    qint64 site = 0;
    qint64 gateA = 0;
};

TEST_P(JournalTest, WritesFromTheWindowAndPorvCliAreJournalledWithWhoWhenAndTheirFields)
{
    windowOnGateA();
    const QByteArray before = unit.directoryRecords().first().name;
    const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-1);
    // Back up unit: the file, and the unit's snapshot in the book.
    window->seam().queueFileName(dir.filePath(QStringLiteral("gate.qx4b")));
    action("BackUpUnit1")->trigger();
    commitFirst(QStringLiteral("JOURNAL W"), QStringLiteral("4321"));
    ASSERT_EQ(unit.directoryRecords().first().name, QByteArray("JOURNAL W"));

    // A full upload backs the unit up first: a snapshot of Gate A, no loose file.
    window->seam().queueAnswer(true); // replace all numbers
    Click(pushButton("WriteData"));
    ASSERT_TRUE(WaitFor([&] { return pushButton("WriteData")->isEnabled(); }));
    closeWindow();
    EXPECT_TRUE(QDir(porv::BackupStoreFolder()).entryList({QStringLiteral("*.qx4b")}).isEmpty());
    const QList<porv::SnapshotInfo> snapshots = book->Snapshots(gateA).value;
    ASSERT_EQ(snapshots.size(), 2);
    EXPECT_EQ(snapshots[0].origin, porv::SnapshotOrigin::BeforeWrite);
    EXPECT_EQ(snapshots[1].origin, porv::SnapshotOrigin::Manual);
    // The snapshot before the upload holds the committed record.
    EXPECT_EQ(book->SnapshotBackup(snapshots[0].id).value.directory->first().name, QByteArray("JOURNAL W"));

    QString err;
    EXPECT_EQ(runCli({QStringLiteral("clock"), QStringLiteral("set")}, &err), 0) << qPrintable(err);

    const QList<porv::JournalRecord> entries = journal(gateA);
    ASSERT_EQ(entries.size(), 3);
    const porv::BookActor me = porv::BookActor::OfThisProcess();
    EXPECT_EQ(entries[0].kind, porv::JournalKind::ClockSet);
    EXPECT_EQ(entries[1].kind, porv::JournalKind::FullUpload);
    EXPECT_EQ(entries[2].kind, porv::JournalKind::RecordCommitted);
    for (const porv::JournalRecord &e : entries) {
        EXPECT_TRUE(e.confirmed);
        EXPECT_EQ(e.who, me.user);
        EXPECT_EQ(e.pc, me.pc);
        EXPECT_GE(e.at, start);
        EXPECT_LE(e.at, QDateTime::currentDateTimeUtc());
    }
    const QList<porv::RecordedChange> commit = book->JournalChanges(entries[2].id).value;
    const porv::RecordedChange *name = change(commit, QStringLiteral("Name"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->item, QStringLiteral("record 1000"));
    EXPECT_EQ(name->before, before);
    EXPECT_EQ(name->after, QByteArray("JOURNAL W"));
    const porv::RecordedChange *code = change(commit, QStringLiteral("Code1"));
    ASSERT_NE(code, nullptr);
    EXPECT_TRUE(code->secret);
    EXPECT_TRUE(code->before.isEmpty() && code->after.isEmpty());
    const QList<porv::RecordedChange> clock = book->JournalChanges(entries[0].id).value;
    ASSERT_EQ(clock.size(), 1);
    EXPECT_EQ(clock.first().item, QStringLiteral("clock"));
    // No entry keeps the release code.
    for (const porv::JournalRecord &e : entries)
        for (const porv::RecordedChange &c : book->JournalChanges(e.id).value)
            EXPECT_FALSE(c.before.contains("4321") || c.after.contains("4321")) << qPrintable(c.field);
}

TEST_P(JournalTest, AWriteTheUnitDidNotConfirmIsJournalledAsSuch)
{
    windowOnGateA();
    unit.faults().refuseB.count = -1;
    commitFirst(QStringLiteral("REFUSED"));
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("Failed to Write")));
    const QList<porv::JournalRecord> entries = journal(gateA);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_FALSE(entries.first().confirmed);
    EXPECT_EQ(entries.first().kind, porv::JournalKind::RecordCommitted);
}

TEST_P(JournalTest, TwoPorvCliProcessesAndTheWindowLoseNoEntry)
{
    constexpr int kRuns = 3;
    // Two more units, each served on an address of its own.
    qx4::SimulatedUnit units[2];
    std::unique_ptr<qx4::UdpUnitServer> servers[2];
    qint64 ids[2];
    const QString addresses[2] = {QStringLiteral("127.0.80.3"), QStringLiteral("127.0.80.4")};
    for (int i = 0; i < 2; ++i) {
        units[i].setTimeScale(porv::TickScale());
        qx4::seedUnit(units[i], qx4::SeedOptions{});
        servers[i] = std::make_unique<qx4::UdpUnitServer>(&units[i]);
        ASSERT_TRUE(servers[i]->listen(QHostAddress(addresses[i]), 8000));
        ids[i] = addUnit(QStringLiteral("Gate %1").arg(QChar('B' + i)), addresses[i]);
    }
    windowOnGateA();
    CliRun runs[2];
    int started[2] = {0, 0};
    auto startNext = [&](int i) {
        runs[i] = startCli({QStringLiteral("clock"), QStringLiteral("set")}, addresses[i], QStringLiteral("127.0.80.1%1").arg(i + 1));
        ++started[i];
    };
    startNext(0);
    startNext(1);
    int commits = 0;
    for (;;) {
        bool running = false;
        for (int i = 0; i < 2; ++i) {
            if (!runs[i].finished()) {
                running = true;
                continue;
            }
            ASSERT_EQ(runs[i].status(), 0) << qPrintable(runs[i].err());
            if (started[i] < kRuns) {
                startNext(i);
                running = true;
            }
        }
        if (!running)
            break;
        commitFirst(QStringLiteral("WINDOW %1").arg(++commits));
    }
    ASSERT_GT(commits, 0);
    EXPECT_EQ(journal(gateA).size(), commits);
    for (qint64 id : ids)
        EXPECT_EQ(journal(id).size(), kRuns);
}

// A book that cannot be reached, whatever the backend the test set up first.
class JournalUnreachableTest : public JournalTest {};

TEST_P(JournalUnreachableTest, TheWindowAsksAndNoWritesNothingPorvCliRefusesWithoutYes)
{
    windowOnGateA();
    const QByteArray before = unit.directoryRecords().first().name;
    const int writes = unit.commandCount("b");
    // A book that cannot be made: its folder is a file.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    QFile(blocked).open(QIODevice::WriteOnly);
    ASSERT_TRUE(porv::KeepBookLocationSetting(blocked + QStringLiteral("/book.sqlite")).ok());
    window->seam().queueAnswer(false);
    commitFirst(QStringLiteral("NOT WRITTEN"));
    const QStringList asked = window->seam().texts();
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_TRUE(asked.last().startsWith(QStringLiteral("The change could not be recorded in the site book (")));
    EXPECT_TRUE(asked.last().endsWith(QStringLiteral("). Write anyway?")));
    EXPECT_TRUE(asked.last().contains(blocked));
    EXPECT_EQ(unit.commandCount("b"), writes);
    EXPECT_EQ(unit.directoryRecords().first().name, before);

    // And porv-cli refuses without --yes, naming the book.
    closeWindow();
    const int clockSets = unit.commandCount("t");
    QString err;
    EXPECT_EQ(runCli({QStringLiteral("clock"), QStringLiteral("set")}, &err, blocked + QStringLiteral("/book.sqlite")), 4);
    EXPECT_TRUE(err.contains(blocked)) << qPrintable(err);
    EXPECT_TRUE(err.contains(QStringLiteral("--yes"))) << qPrintable(err);
    EXPECT_EQ(unit.commandCount("t"), clockSets);
}

INSTANTIATE_TEST_SUITE_P(Backends, JournalTest, ::testing::Values(BookBackend::SQLite, BookBackend::PostgreSQL),
                         [](const ::testing::TestParamInfo<BookBackend> &info) {
                             return std::string(info.param == BookBackend::SQLite ? "SQLite" : "PostgreSQL");
                         });
INSTANTIATE_TEST_SUITE_P(File, JournalUnreachableTest, ::testing::Values(BookBackend::SQLite));

// A book server that stops mid-run: the write it cannot record is asked
// about, and said to be unrecorded; the unit has what was written, the book
// what it recorded, both whole.
class JournalServerTest : public JournalTest {};

TEST_P(JournalServerTest, AServerThatStopsMidRunLeavesUnitAndBookConsistent)
{
    windowOnGateA();
    commitFirst(QStringLiteral("RECORDED"));
    ASSERT_EQ(journal(gateA).size(), 1);
    book.reset();
    QString why;
    ASSERT_TRUE(server->Stop(why)) << qPrintable(why);
    window->seam().clearTexts();
    window->seam().queueAnswer(true);
    commitFirst(QStringLiteral("UNRECORDED"));
    EXPECT_EQ(unit.directoryRecords().first().name, QByteArray("UNRECORDED"));
    const QStringList texts = window->seam().texts();
    ASSERT_GE(texts.size(), 2);
    EXPECT_TRUE(texts.first().startsWith(QStringLiteral("The change could not be recorded in the site book")));
    EXPECT_TRUE(texts.last().contains(QStringLiteral("did not record the record committed"))) << qPrintable(texts.last());
    closeWindow();
    const int clockSets = unit.commandCount("t");
    QString err;
    EXPECT_EQ(runCli({QStringLiteral("clock"), QStringLiteral("set")}, &err), 4);
    EXPECT_TRUE(err.contains(QStringLiteral("--yes"))) << qPrintable(err);
    EXPECT_EQ(unit.commandCount("t"), clockSets);
    ASSERT_TRUE(server->Resume(why)) << qPrintable(why);
    book = openBook();
    const QList<porv::JournalRecord> entries = journal(gateA);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(book->JournalChanges(entries.first().id).value.first().after, QByteArray("RECORDED"));
}

INSTANTIATE_TEST_SUITE_P(Server, JournalServerTest, ::testing::Values(BookBackend::PostgreSQL));

} // namespace
