// porv-cli as an installer runs it: the built program against the simulated
// unit (in this process) over UDP on loopback and over a pseudo-terminal. The
// files it writes are compared with what the window's own operations and
// writers make of the same unit.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <unistd.h>

#include "delay.h"
#include "directorytransfer.h"
#include "eventdownload.h"
#include "image.h"
#include "link.h"
#include "memtable.h"
#include "null_shell.h"
#include "private_environment.h"
#include "procedures.h"
#include "simulated_unit.h"
#include "tablecsv.h"
#include "unit_seed.h"
#include "unit_servers.h"
#include "unit_transport.h"
#include "unitbackup.h"
#include "waiting.h"

namespace {

const QByteArray kPin = "86420";

struct Ran {
    int status = -1;
    QByteArray out;
    QByteArray err;
    // Neither stream shows the PIN.
    bool pinHidden() const { return !out.contains(kPin) && !err.contains(kPin); }
};

QByteArray FileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The unit's whole memory, block for block.
QList<QByteArray> Memory(const qx4::SimulatedUnit &unit)
{
    QList<QByteArray> blocks;
    for (int b = 0; b < qx4::kBlockCount; ++b)
        blocks.append(unit.block(b));
    return blocks;
}

// The commands that change what the unit holds.
int Writes(const qx4::SimulatedUnit &unit)
{
    int n = 0;
    for (const char *kind : {"p", "b", "g", "c", "f5a", "tset"})
        n += unit.commandCount(kind);
    return n;
}

// The window's way to the same data: the core operations its pages run, on a
// link to the unit in this process, and the writers of its File commands.
class WindowPath {
public:
    explicit WindowPath(qx4::SimulatedUnit &unit) : transport(unit)
    {
        link.setNetworkTransport(&transport);
        link.SendCommand("a" + kPin + "\r");
        link.WaitReply(80);
        link.MarkLoggedOn();
    }
    ~WindowPath() { link.CloseLink(); }

    // GetData, then Save As.
    QByteArray phoneList()
    {
        porv::StandaloneDirectory directory;
        porv::DownloadDirectory(link, shell, directory);
        return porv::TableCsvBytes(directory.table);
    }
    // Read All, then Save As.
    QByteArray parametersFile(const QString &path)
    {
        porv::ParametersCore core(link, shell);
        core.ReadAllClick();
        core.SaveToFile(path);
        return FileBytes(path);
    }
    // Down Load, then Save As.
    QByteArray eventsFile(const QString &path)
    {
        porv::MemTable table;
        porv::EventLogDownload download(link, shell, table);
        download.Run();
        porv::SaveEventsFile(path, table, download.Readings());
        return FileBytes(path);
    }

    porv::test::UnitTransport transport;
    porv::Link link;
    porv::test::NullShell shell;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        unit.setTimeScale(porv::TickScale());
        qx4::SeedOptions seed;
        seed.pin = kPin;
        seed.records = 20;
        seed.events = 12;
        seed.tags = 5;
        qx4::seedUnit(unit, seed);
    }

    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    // The program with these arguments after the connection; the unit serves
    // it meanwhile. `started` runs once the program is running.
    Ran run(const QStringList &arguments, const std::function<void(QProcess &)> &started = {},
            QProcessEnvironment env = {})
    {
        if (env.isEmpty()) {
            env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("PORV_PIN"));
            // The automatic backups go into the test's folder.
            env.insert(QStringLiteral("XDG_DATA_HOME"), path("data"));
            // The program's ticks at half their length, unless the test runs
            // it at the unit's real pace. Not shorter: its replies cross from
            // another process, and a wait shorter than that crossing makes it
            // send again what the unit already has.
            if (realTick)
                env.remove(QStringLiteral("PORV_TEST_TICK_SCALE"));
            else
                env.insert(QStringLiteral("PORV_TEST_TICK_SCALE"), QString::number(std::max(porv::TickScale(), 0.5)));
            for (auto it = extraEnv.cbegin(); it != extraEnv.cend(); ++it)
                env.insert(it.key(), it.value());
        }
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        if (childSetup)
            program.setChildProcessModifier(childSetup);
        program.start(QStringLiteral(PORV_CLI_EXECUTABLE), connection + arguments);
        Ran ran;
        if (!program.waitForStarted())
            return ran;
        if (started)
            started(program);
        porv::test::WaitFor([&] { return program.state() == QProcess::NotRunning; }, 120000);
        ran.out = program.readAllStandardOutput();
        ran.err = program.readAllStandardError();
        if (program.exitStatus() == QProcess::NormalExit)
            ran.status = program.exitCode();
        return ran;
    }
    Ran runWithPin(QStringList arguments) { return run(QStringList{QStringLiteral("--pin"), QString::fromLatin1(kPin)} + arguments); }

    qx4::SimulatedUnit unit;
    QTemporaryDir dir;
    QStringList connection;
    std::function<void()> childSetup;
    bool realTick = false;
    QMap<QString, QString> extraEnv; // set on top of the usual environment
};

class CliOverUdp : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        server = std::make_unique<qx4::UdpUnitServer>(&unit);
        ASSERT_TRUE(server->listen(QHostAddress(QLatin1String(porv::test::UnitAddress)), 8000)) << server->errorString().toStdString();
        connection = QStringList{QStringLiteral("--udp"), QLatin1String(porv::test::UnitAddress)};
    }
    std::unique_ptr<qx4::UdpUnitServer> server;
};

class CliOverPty : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        pty = std::make_unique<qx4::PtyUnitServer>(&unit);
        ASSERT_TRUE(pty->open()) << pty->errorString().toStdString();
        connection = QStringList{QStringLiteral("--serial"), pty->slavePath()};
    }
    std::unique_ptr<qx4::PtyUnitServer> pty;
};

} // namespace

TEST_F(CliOverUdp, InfoAsTextAndAsJson)
{
    // One test at the real tick: the program as an installer runs it.
    realTick = true;
    unit.setTimeScale(1.0);
    const Ran text = runWithPin({QStringLiteral("info")});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    const QList<QByteArray> lines = text.out.split('\n');
    ASSERT_EQ(lines.size(), 7) << text.out.toStdString();
    EXPECT_EQ(lines[0], "Model line:   Portavel_1000_Qx4");
    EXPECT_EQ(lines[1], "MemoryLimit:  0x9000 (1024 records)");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Unit clock:   \\d\\d:\\d\\d:\\d\\d \\d\\d/\\d\\d/\\d\\d$"))
                    .match(QString::fromLatin1(lines[2]))
                    .hasMatch())
        << lines[2].toStdString();
    EXPECT_EQ(lines[3], "Records:      20");
    EXPECT_EQ(lines[4], "Tags:         " + QByteArray::number(unit.tagEntries().size()));
    EXPECT_EQ(lines[5], "Events:       12");
    EXPECT_TRUE(text.pinHidden());
    // The link was closed at the end.
    EXPECT_EQ(unit.commandCount("x"), 1);
    EXPECT_FALSE(unit.loggedOn());

    const Ran json = runWithPin({QStringLiteral("info"), QStringLiteral("--json")});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject info = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(info.value(QStringLiteral("modelLine")).toString(), QStringLiteral("Portavel_1000_Qx4"));
    EXPECT_EQ(info.value(QStringLiteral("memoryLimit")).toInt(), 0x9000);
    EXPECT_EQ(info.value(QStringLiteral("records")).toInt(), 20);
    EXPECT_EQ(info.value(QStringLiteral("tags")).toInt(), unit.tagEntries().size());
    EXPECT_EQ(info.value(QStringLiteral("events")).toInt(), 12);
    // The clock in ISO 8601, the unit's own text beside it.
    const QJsonObject unitClock = info.value(QStringLiteral("unitClock")).toObject();
    EXPECT_EQ(unitClock.value(QStringLiteral("date")).toString(), unit.clock().toString(QStringLiteral("dd/MM/yy")));
    const QString iso = info.value(QStringLiteral("clock")).toString();
    EXPECT_EQ(iso, unit.clock().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('T')
                       + unitClock.value(QStringLiteral("time")).toString())
        << json.out.toStdString();
    EXPECT_TRUE(json.pinHidden());
}

TEST_F(CliOverPty, DirectoryGetThenPutLeavesTheUnitAsItWas)
{
    const QList<qx4::DirectoryRecord> held = unit.directoryRecords();
    const Ran got = runWithPin({QStringLiteral("directory"), QStringLiteral("get"), QStringLiteral("-o"), path("list.csv")});
    ASSERT_EQ(got.status, 0) << got.err.toStdString();
    {
        WindowPath window(unit);
        EXPECT_EQ(FileBytes(path("list.csv")), window.phoneList());
    }

    // Without a terminal to ask on, only --yes lets it overwrite the unit.
    unit.resetCounts();
    const Ran refused = runWithPin({QStringLiteral("directory"), QStringLiteral("put"), path("list.csv")});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains("--yes")) << refused.err.toStdString();
    EXPECT_TRUE(unit.commandCounts().isEmpty());

    const Ran put = runWithPin({QStringLiteral("directory"), QStringLiteral("put"), path("list.csv"), QStringLiteral("--yes")});
    ASSERT_EQ(put.status, 0) << put.err.toStdString();
    EXPECT_EQ(unit.commandCount("f5a"), 1);
    EXPECT_EQ(unit.commandCount("b"), 20);
    EXPECT_EQ(unit.directoryRecords(), held);
    // Standard error is no terminal here: no progress, nothing went wrong, and
    // the one line says where the unit's content went before the put.
    EXPECT_EQ(got.err, QByteArray());
    const QByteArray saved = "porv-cli: the unit as it was is saved in ";
    ASSERT_TRUE(put.err.startsWith(saved) && put.err.count('\n') == 1) << put.err.toStdString();
    const QByteArray backupPath = put.err.mid(saved.size()).trimmed();
    EXPECT_TRUE(backupPath.startsWith(path("data").toLocal8Bit())) << backupPath.toStdString();
    EXPECT_TRUE(QFileInfo::exists(QString::fromLocal8Bit(backupPath)));
    EXPECT_TRUE(got.pinHidden() && put.pinHidden());

    // What the upload reports it left out or changed, in porv-cli's words.
    WriteBytes(path("odd.csv"), "Name,RoomNumber,PHnumber,Code1,Code2,spare,RFID,Addr\r\n"
                                "AAA,7b,0123,,,,,\r\nzzz plus,8,+44,,,,,\r\n");
    const Ran odd = runWithPin({QStringLiteral("directory"), QStringLiteral("put"), path("odd.csv"), QStringLiteral("--yes"),
                                QStringLiteral("--no-backup")});
    EXPECT_EQ(odd.status, 4) << odd.err.toStdString();
    EXPECT_TRUE(odd.err.contains("directory put: not written: zzz plus (its phone number holds \"+\", which the unit "
                                 "cannot dial)\n"))
        << odd.err.toStdString();
    EXPECT_TRUE(odd.err.contains("directory put: 1 room number(s) that were no whole number were written as 0\n"));
    EXPECT_EQ(unit.directoryRecords().size(), 1);
}

TEST_F(CliOverPty, ParametersGetThenPutOfTheFilesValues)
{
    const Ran got = runWithPin({QStringLiteral("parameters"), QStringLiteral("get"), QStringLiteral("-o"), path("unit.sys")});
    ASSERT_EQ(got.status, 0) << got.err.toStdString();
    {
        WindowPath window(unit);
        EXPECT_EQ(FileBytes(path("unit.sys")), window.parametersFile(path("window.sys")));
    }

    // A new first message in the file; everything else as the unit holds it.
    porv::ParameterImage image;
    ASSERT_TRUE(porv::LoadParameterFile(image, path("unit.sys")));
    const porv::ImageSlot *msg0 = porv::ParameterImage::Slot("msg0");
    image.writeText(msg0->offset, msg0->capacity, "FROM THE FILE");
    porv::SaveParameterFile(image, path("changed.sys"));
    QList<QByteArray> before;
    for (int block = 0; block < 16; ++block)
        before.append(unit.block(block));

    const Ran put = runWithPin({QStringLiteral("parameters"), QStringLiteral("put"), path("changed.sys"), QStringLiteral("--yes")});
    ASSERT_EQ(put.status, 0) << put.err.toStdString();
    EXPECT_EQ(unit.block(12).left(16), "FROM THE FILE" + QByteArray(3, char(0xFF)));
    EXPECT_EQ(unit.block(12).mid(16), before[12].mid(16));
    for (int block = 0; block < 16; ++block)
        EXPECT_EQ(unit.block(block), block == 12 ? unit.block(12) : before[block]) << block;
    EXPECT_TRUE(got.pinHidden() && put.pinHidden());
}

TEST_F(CliOverPty, EventsGetAndClockSet)
{
    const Ran got = runWithPin({QStringLiteral("events"), QStringLiteral("get"), QStringLiteral("-o"), path("log.Evt")});
    ASSERT_EQ(got.status, 0) << got.err.toStdString();
    QByteArray window;
    {
        WindowPath reference(unit);
        window = reference.eventsFile(path("window.Evt"));
    }
    // The clocks of the two downloads differ; the header's form and the
    // table are the same.
    const QByteArray file = FileBytes(path("log.Evt"));
    const QRegularExpression header(QStringLiteral("^Portavel time when saved was: \\d\\d:\\d\\d:\\d\\d  \\d\\d/\\d\\d/\\d\\d\r\n"
                                                   "Current time when Loaded was: [^\r\n]+  [^\r\n]+\r\n"));
    const QRegularExpressionMatch head = header.match(QString::fromLatin1(file));
    ASSERT_TRUE(head.hasMatch()) << file.left(120).toStdString();
    const int windowHead = int(window.indexOf("\r\n", window.indexOf("\r\n") + 2)) + 2;
    EXPECT_EQ(file.mid(head.capturedLength()), window.mid(windowHead));
    EXPECT_EQ(file.count("\r\n"), 2 + 1 + 12);

    unit.setClock(QDateTime(QDate(2001, 1, 1), QTime(0, 0)));
    const Ran set = runWithPin({QStringLiteral("clock"), QStringLiteral("set")});
    ASSERT_EQ(set.status, 0) << set.err.toStdString();
    EXPECT_EQ(unit.commandCount("tset"), 1);
    EXPECT_LT(std::abs(unit.clock().secsTo(QDateTime::currentDateTime())), 60);

    // A unit that says OK and keeps its clock: read back, the clock did not take.
    unit.setClock(QDateTime(QDate(2015, 12, 25), QTime(14, 10, 30)));
    unit.faults().ignoreClockSet = true;
    const Ran ignored = runWithPin({QStringLiteral("clock"), QStringLiteral("set")});
    unit.faults().ignoreClockSet = false;
    EXPECT_EQ(ignored.status, 3) << ignored.err.toStdString();
    EXPECT_TRUE(ignored.err.contains("clock set: the unit's clock reads 14:10:3")) << ignored.err.toStdString();
    EXPECT_TRUE(ignored.err.contains(" 25/12/15 after setting it to ")) << ignored.err.toStdString();
    EXPECT_TRUE(ignored.err.contains("the unit did not take the setting")) << ignored.err.toStdString();
    EXPECT_TRUE(set.pinHidden() && ignored.pinHidden());
}

// How it ends when it cannot do what it was asked: the status says which
// kind of trouble, the message which step; the PIN is never shown.
TEST_F(CliOverPty, ExitStatusesNameTheTrouble)
{
    // Usage: nothing is sent to the unit.
    const QStringList connected = connection;
    connection.clear();
    const Ran bare = runWithPin({QStringLiteral("info")});
    connection = connected;
    EXPECT_EQ(bare.status, 2);
    EXPECT_TRUE(bare.err.contains("Usage: porv-cli")) << bare.err.toStdString();
    EXPECT_EQ(runWithPin({QStringLiteral("directory"), QStringLiteral("get")}).status, 2);
    EXPECT_EQ(run({QStringLiteral("--pin"), QStringLiteral("12\r34"), QStringLiteral("info")}).status, 2);
    const Ran noPin = run({QStringLiteral("info")});
    EXPECT_EQ(noPin.status, 2);
    EXPECT_TRUE(noPin.err.contains("no PIN")) << noPin.err.toStdString();
    const Ran diffKind = runWithPin({QStringLiteral("diff"), path("list.txt")});
    EXPECT_EQ(diffKind.status, 2);
    EXPECT_TRUE(diffKind.err.contains(".qx4b")) << diffKind.err.toStdString();
    // A file that is no phone list: named, before the unit is asked for anything.
    WriteBytes(path("noise.csv"), QByteArray::fromHex("8b1f3a00ff17c3e2") + QByteArray(300, '\x91') + "\r\n\x02\x03,\r\n");
    const Ran noise = runWithPin({QStringLiteral("diff"), path("noise.csv")});
    EXPECT_EQ(noise.status, 4) << noise.err.toStdString();
    EXPECT_TRUE(noise.err.contains(path("noise.csv").toLocal8Bit())) << noise.err.toStdString();
    // A parameters file cut short: the same.
    WriteBytes(path("short.sys"), QByteArray(100, '\x01'));
    const Ran cut = runWithPin({QStringLiteral("diff"), path("short.sys")});
    EXPECT_EQ(cut.status, 4) << cut.err.toStdString();
    EXPECT_TRUE(cut.err.contains(path("short.sys").toLocal8Bit())) << cut.err.toStdString();
    // A file it cannot write: before the unit is asked for anything.
    QFile plain(path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const Ran unwritable = runWithPin({QStringLiteral("events"), QStringLiteral("get"), QStringLiteral("-o"), path("plain") + QStringLiteral("/log.Evt")});
    EXPECT_EQ(unwritable.status, 4) << unwritable.err.toStdString();
    EXPECT_TRUE(unit.commandCounts().isEmpty());

    // A wrong PIN, given in the environment.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PORV_PIN"), QStringLiteral("86421"));
    unit.setPin("86421x");
    Ran wrong = run({QStringLiteral("info")}, {}, env);
    unit.setPin(kPin);
    EXPECT_EQ(wrong.status, 3);
    EXPECT_TRUE(wrong.err.contains("log-on: Failed to Connect: Check PIN")) << wrong.err.toStdString();
    EXPECT_FALSE(wrong.out.contains("86421") || wrong.err.contains("86421"));
    EXPECT_EQ(unit.commandCount("x"), 1);

    // A silent unit.
    unit.faults().silent = true;
    const Ran silent = runWithPin({QStringLiteral("info")});
    unit.faults().silent = false;
    EXPECT_EQ(silent.status, 3);
    EXPECT_TRUE(silent.err.contains("log-on: No Reponse from Portavel")) << silent.err.toStdString();
    EXPECT_TRUE(silent.pinHidden());

    // On a terminal the PIN is asked for, and what is typed is not shown.
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    childSetup = [slave] { ::dup2(slave, STDIN_FILENO); };
    QByteArray shown;
    const Ran typed = run({QStringLiteral("clock"), QStringLiteral("set")}, [&](QProcess &program) {
        QByteArray err;
        porv::test::WaitFor([&] {
            err += program.readAllStandardError();
            return err.contains("PIN: ");
        });
        const QByteArray line = kPin + "\n";
        EXPECT_EQ(::write(master, line.constData(), size_t(line.size())), line.size());
        porv::test::WaitFor([&] { return program.state() == QProcess::NotRunning; }, 60000);
        // What the terminal showed of the typing.
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        char buffer[256];
        ssize_t n;
        while ((n = ::read(master, buffer, sizeof buffer)) > 0)
            shown.append(buffer, int(n));
    });
    childSetup = nullptr;
    ::close(slave);
    ::close(master);
    EXPECT_EQ(typed.status, 0) << typed.err.toStdString();
    EXPECT_EQ(unit.commandCount("tset"), 1);
    EXPECT_FALSE(shown.contains(kPin));
    EXPECT_TRUE(typed.pinHidden());
}

TEST_F(CliTest, HelpAndVersionWithoutADisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    const Ran version = run({QStringLiteral("--version")}, {}, env);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "porv-cli 8.4\n");
    const Ran help = run({QStringLiteral("--help")}, {}, env);
    EXPECT_EQ(help.status, 0);
    for (const char *item : {"--udp HOST", "--serial DEVICE", "--modem DEVICE --number DIGITS", "--pin PIN", "PORV_PIN",
                             "info [--json]", "directory get -o FILE.csv", "directory put FILE.csv", "--changes-only",
                             "parameters get -o FILE.sys", "parameters put FILE.sys", "events get -o FILE.Evt",
                             "clock set", "backup -o FILE.qx4b", "restore FILE.qx4b", "diff FILE.qx4b|FILE.csv",
                             "Exit status", "  3    the unit did not answer", "--pin-file FILE", "--pin -",
                             "process list", "--no-backup", "-o - writes it to"})
        EXPECT_TRUE(help.out.contains(item)) << item;
    // Its examples never put a PIN where every user sees it.
    EXPECT_FALSE(QString::fromLatin1(help.out).contains(QRegularExpression(QStringLiteral("--pin \\d"))));
    EXPECT_EQ(run({QStringLiteral("help")}, {}, env).out, help.out);

    // One command's help, asked for either way; nothing but its words is needed.
    const Ran diff = run({QStringLiteral("help"), QStringLiteral("diff")}, {}, env);
    EXPECT_EQ(diff.status, 0);
    EXPECT_TRUE(diff.out.startsWith("Usage: porv-cli CONNECTION [PIN] diff FILE.qx4b|FILE.csv|FILE.sys [--json]\n")) << diff.out.toStdString();
    for (const char *item : {"Arguments:", "--json", "--udp HOST"})
        EXPECT_TRUE(diff.out.contains(item)) << item;
    EXPECT_FALSE(diff.out.contains("restore"));
    const Ran asked = run({QStringLiteral("--udp"), QStringLiteral("127.0.0.2"), QStringLiteral("diff"), QStringLiteral("--help")}, {}, env);
    EXPECT_EQ(asked.status, 0);
    EXPECT_EQ(asked.out, diff.out);
    const Ran unknown = run({QStringLiteral("help"), QStringLiteral("bogus")}, {}, env);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.startsWith("porv-cli: unknown command 'bogus'\n")) << unknown.err.toStdString();
    EXPECT_TRUE(unknown.out.isEmpty());
}

// The whole unit: a backup, the changes made since, shown by diff and undone
// by restore, block for block.
TEST_F(CliOverUdp, BackupDiffAndRestoreGiveTheMemoryBack)
{
    const QList<QByteArray> before = Memory(unit);
    const Ran backup = runWithPin({QStringLiteral("backup"), QStringLiteral("-o"), path("site.qx4b")});
    ASSERT_EQ(backup.status, 0) << backup.err.toStdString();
    const porv::BackupReadResult saved = porv::LoadBackupFile(path("site.qx4b"));
    ASSERT_TRUE(saved.ok()) << saved.error.toStdString();
    EXPECT_EQ(saved.backup->directory->size(), 20);
    EXPECT_EQ(saved.backup->events->size(), 12);
    EXPECT_EQ(saved.backup->tags->size(), 5);
    EXPECT_EQ(QFile::permissions(path("site.qx4b")) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);

    // Since then: one client's phone and the tag of that client's room, one
    // client gone, the ring count.
    const QList<qx4::DirectoryRecord> records = unit.directoryRecords();
    QList<qx4::SimulatedUnit::TagEntry> tags = unit.tagEntries();
    ASSERT_FALSE(tags.isEmpty());
    const auto tagged = std::find_if(records.begin(), records.end(), [&](const auto &r) { return r.room == tags[0].room; });
    ASSERT_NE(tagged, records.end());
    qx4::DirectoryRecord changed = *tagged;
    changed.phone = "0999<1??????????";
    unit.setDirectoryRecord(changed);
    tags[0].code = "0A0B0C0D0E";
    unit.setTagEntries(tags);
    const qx4::DirectoryRecord gone = records.at(tagged == records.begin() + 7 ? 8 : 7);
    unit.setBlock(gone.block, QByteArray());
    QByteArray settings = unit.block(0);
    settings[4] = 9;
    unit.setBlock(0, settings);

    const Ran text = runWithPin({QStringLiteral("diff"), path("site.qx4b")});
    EXPECT_EQ(text.status, 1) << text.err.toStdString();
    for (const char *line : {"Phone list: 1 added, 0 removed, 1 changed", "Parameters: 1 differ", "Tags: 1 added, 1 removed"})
        EXPECT_TRUE(text.out.contains(line)) << line << "\n" << text.out.toStdString();
    const Ran json = runWithPin({QStringLiteral("diff"), path("site.qx4b"), QStringLiteral("--json")});
    EXPECT_EQ(json.status, 1);
    const QJsonObject diff = QJsonDocument::fromJson(json.out).object();
    ASSERT_FALSE(diff.isEmpty()) << json.out.toStdString();
    EXPECT_FALSE(diff.value(QStringLiteral("same")).toBool());
    const QJsonArray recordChanges = diff.value(QStringLiteral("records")).toArray();
    ASSERT_EQ(recordChanges.size(), 2);
    const int first = changed.block < gone.block ? 0 : 1;
    const QJsonObject phone = recordChanges[first].toObject();
    EXPECT_EQ(phone.value(QStringLiteral("change")).toString(), QStringLiteral("changed"));
    EXPECT_EQ(phone.value(QStringLiteral("addr")).toString(), QString::number(changed.address(), 16).toUpper());
    const QJsonArray fields = phone.value(QStringLiteral("fields")).toArray();
    ASSERT_EQ(fields.size(), 2);
    EXPECT_EQ(fields[0].toObject().value(QStringLiteral("unit")).toString(), QStringLiteral("0999p1"));
    EXPECT_EQ(fields[1].toObject().value(QStringLiteral("field")).toString(), QStringLiteral("tag"));
    EXPECT_EQ(recordChanges[1 - first].toObject().value(QStringLiteral("change")).toString(), QStringLiteral("added"));
    EXPECT_EQ(recordChanges[1 - first].toObject().value(QStringLiteral("name")).toString(), QString::fromLatin1(gone.name));
    const QJsonArray parameters = diff.value(QStringLiteral("parameters")).toArray();
    ASSERT_EQ(parameters.size(), 1);
    EXPECT_EQ(parameters[0].toObject().value(QStringLiteral("unit")).toString(), QStringLiteral("9"));
    EXPECT_TRUE(diff.value(QStringLiteral("access")).toArray().isEmpty());
    EXPECT_EQ(diff.value(QStringLiteral("tags")).toObject().value(QStringLiteral("added")).toArray().size(), 1);
    EXPECT_EQ(diff.value(QStringLiteral("tags")).toObject().value(QStringLiteral("removed")).toArray().size(), 1);
    EXPECT_EQ(Writes(unit), 0);

    // Restored without a terminal: the changes on standard output, the
    // automatic backup's place on standard error.
    const Ran restore = runWithPin({QStringLiteral("restore"), path("site.qx4b"), QStringLiteral("--yes")});
    ASSERT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_TRUE(restore.out.contains("Phone list: 1 added, 0 removed, 1 changed")) << restore.out.toStdString();
    const QStringList automatic = QDir(path("data/porv-pro/backups")).entryList({QStringLiteral("*.qx4b")}, QDir::Files);
    ASSERT_EQ(automatic.size(), 1);
    EXPECT_TRUE(restore.err.contains(automatic.first().toLocal8Bit())) << restore.err.toStdString();
    const QList<QByteArray> after = Memory(unit);
    for (int b = 0; b < qx4::kBlockCount; ++b)
        ASSERT_EQ(after.at(b).toHex().toStdString(), before.at(b).toHex().toStdString()) << "block " << b;

    const Ran same = runWithPin({QStringLiteral("diff"), path("site.qx4b")});
    EXPECT_EQ(same.status, 0) << same.err.toStdString();
    EXPECT_TRUE(same.out.startsWith("Nothing differs.")) << same.out.toStdString();
    for (const Ran *ran : {&backup, &text, &json, &restore, &same})
        EXPECT_TRUE(ran->pinHidden());
}

// The phone list's changes alone: one write per record that differs.
TEST_F(CliOverUdp, ChangesOnlyWritesEachChangedRecordOnce)
{
    ASSERT_EQ(runWithPin({QStringLiteral("directory"), QStringLiteral("get"), QStringLiteral("-o"), path("list.csv")}).status, 0);
    porv::MemTable table;
    porv::LoadPhoneList(table, path("list.csv"));
    ASSERT_EQ(table.RecordCount(), 20);
    // Eight new phone numbers, one new client at an address of its own, one
    // client gone.
    for (int row = 1; row <= 8; ++row) {
        table.SetPosition(row * 2);
        table.Edit();
        table.SetFieldText(QByteArrayLiteral("PHnumber"), "0123456" + QByteArray::number(row));
        table.Post();
    }
    table.SetPosition(19);
    const QByteArray gone = table.FieldText(QByteArrayLiteral("Addr"));
    ASSERT_TRUE(table.Delete());
    table.AppendRecord({"NEW CLIENT", "777", "0555", "4321", "", "", "", "8000"});
    WriteBytes(path("edited.csv"), porv::TableCsvBytes(table));

    const Ran diff = runWithPin({QStringLiteral("diff"), path("edited.csv"), QStringLiteral("--json")});
    EXPECT_EQ(diff.status, 1) << diff.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(diff.out).object().value(QStringLiteral("records")).toArray().size(), 10)
        << diff.out.toStdString();

    unit.resetCounts();
    const Ran put = runWithPin({QStringLiteral("directory"), QStringLiteral("put"), path("edited.csv"),
                                QStringLiteral("--changes-only"), QStringLiteral("--yes")});
    ASSERT_EQ(put.status, 0) << put.err.toStdString();
    EXPECT_EQ(unit.commandCount("b"), 10);
    EXPECT_EQ(Writes(unit), 10);
    const QList<qx4::DirectoryRecord> held = unit.directoryRecords();
    EXPECT_EQ(held.size(), 20);
    EXPECT_FALSE(std::any_of(held.begin(), held.end(), [&](const auto &r) { return r.address() == gone.toInt(nullptr, 16); }));
    EXPECT_EQ(held.last().name, "NEW CLIENT");
    EXPECT_EQ(held.last().address(), 0x8000);

    // Nothing left to change: nothing written.
    unit.resetCounts();
    const Ran again = runWithPin({QStringLiteral("directory"), QStringLiteral("put"), path("edited.csv"),
                                  QStringLiteral("--changes-only"), QStringLiteral("--yes")});
    EXPECT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.startsWith("Nothing differs.")) << again.out.toStdString();
    EXPECT_EQ(Writes(unit), 0);
    EXPECT_EQ(runWithPin({QStringLiteral("diff"), path("edited.csv")}).status, 0);
}

// Backup files it must not restore: the unit is left as it was.
TEST_F(CliOverUdp, RefusedRestoresLeaveTheUnitAsItWas)
{
    qx4::SeedOptions seed;
    seed.model = qx4::Model::Qx4_100;
    seed.pin = kPin;
    seed.records = 10;
    qx4::seedUnit(unit, seed);
    const QList<QByteArray> before = Memory(unit);
    const auto fixture = [](const char *name) { return QStringLiteral(BACKUP_FIXTURES "/") + QLatin1String(name); };

    unit.resetCounts();
    const Ran cut = runWithPin({QStringLiteral("restore"), fixture("cut-short.qx4b"), QStringLiteral("--yes")});
    EXPECT_EQ(cut.status, 4);
    EXPECT_TRUE(cut.err.contains("is damaged or cut short")) << cut.err.toStdString();
    const Ran newer = runWithPin({QStringLiteral("restore"), fixture("newer-version.qx4b"), QStringLiteral("--yes")});
    EXPECT_EQ(newer.status, 4);
    EXPECT_TRUE(newer.err.contains("newer")) << newer.err.toStdString();
    EXPECT_EQ(runWithPin({QStringLiteral("diff"), fixture("cut-short.qx4b")}).status, 4);
    // Without a terminal to answer on and without --yes: refused at once.
    const Ran unasked = runWithPin({QStringLiteral("restore"), fixture("bigger-model.qx4b")});
    EXPECT_EQ(unasked.status, 2);
    EXPECT_TRUE(unasked.err.contains("--yes")) << unasked.err.toStdString();
    EXPECT_TRUE(unit.commandCounts().isEmpty());

    // A bigger model's phone list: refused once the unit's model is known.
    const Ran bigger = runWithPin({QStringLiteral("restore"), fixture("bigger-model.qx4b"), QStringLiteral("--yes")});
    EXPECT_EQ(bigger.status, 4);
    EXPECT_TRUE(bigger.err.contains("beyond this unit's directory")) << bigger.err.toStdString();
    EXPECT_EQ(Writes(unit), 0);
    EXPECT_EQ(Memory(unit), before);
    EXPECT_FALSE(QDir(path("data/porv-pro/backups")).exists());
}

TEST_F(CliOverPty, BackupThenDiffFindsNothing)
{
    const Ran backup = runWithPin({QStringLiteral("backup"), QStringLiteral("-o"), path("site.qx4b")});
    ASSERT_EQ(backup.status, 0) << backup.err.toStdString();
    EXPECT_EQ(backup.err, QByteArray());
    const Ran diff = runWithPin({QStringLiteral("diff"), path("site.qx4b")});
    EXPECT_EQ(diff.status, 0) << diff.err.toStdString();
    EXPECT_TRUE(diff.out.startsWith("Nothing differs.")) << diff.out.toStdString();
    EXPECT_EQ(Writes(unit), 0);
}

// An option's value is never another option, and no message repeats the
// PIN or lets an argument's control characters reach the terminal.
TEST_F(CliTest, AnOptionWithoutItsValueIsAUsageErrorThatNeverShowsThePin)
{
    const QString secret = QStringLiteral("4711secret");
    const Ran swallowed = run({QStringLiteral("--udp"), QStringLiteral("--pin"), secret, QStringLiteral("info")});
    EXPECT_EQ(swallowed.status, 2);
    EXPECT_TRUE(swallowed.err.startsWith("porv-cli: --udp needs a value\n")) << swallowed.err.toStdString();
    const Ran last = run({QStringLiteral("--udp"), QLatin1String(porv::test::UnitAddress), QStringLiteral("info"), QStringLiteral("--pin")});
    EXPECT_EQ(last.status, 2);
    EXPECT_TRUE(last.err.startsWith("porv-cli: --pin needs a value\n")) << last.err.toStdString();
    const Ran joined = run({QStringLiteral("--udp"), QLatin1String(porv::test::UnitAddress), QStringLiteral("--pin") + secret,
                            QStringLiteral("info")});
    EXPECT_EQ(joined.status, 2);
    EXPECT_TRUE(joined.err.startsWith("porv-cli: unknown option beginning with --pin\n")) << joined.err.toStdString();
    const Ran repeated = run({QStringLiteral("--udp"), QLatin1String(porv::test::UnitAddress), QStringLiteral("--pin=") + secret,
                              QStringLiteral("info"), secret});
    EXPECT_EQ(repeated.status, 2);
    EXPECT_TRUE(repeated.err.startsWith("porv-cli: unexpected argument (an argument) after info\n")) << repeated.err.toStdString();
    const Ran control = run({QStringLiteral("--udp"), QLatin1String(porv::test::UnitAddress), QStringLiteral("--pin=") + secret,
                             QStringLiteral("info\x1b[2J\r")});
    EXPECT_EQ(control.status, 2);
    EXPECT_TRUE(control.err.startsWith("porv-cli: unknown command 'info\\x1b[2J\\r'\n")) << control.err.toStdString();
    for (const Ran *ran : {&swallowed, &last, &joined, &repeated, &control})
        EXPECT_FALSE(ran->err.contains(secret.toLatin1()) || ran->err.contains('\x1b')) << ran->err.toStdString();
}

// A PIN given as an argument is in every user's process list: once the
// program has read it, the list shows it overwritten.
TEST_F(CliOverPty, ThePinLeavesTheProcessList)
{
    unit.faults().silent = true;
    QByteArray listed;
    const Ran ran = run({QStringLiteral("--pin"), QString::fromLatin1(kPin), QStringLiteral("info")}, [&](QProcess &program) {
        porv::test::WaitFor([&] { return unit.commandCount("prompt") > 0; }, 60000);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(program.processId()));
        if (cmdline.open(QIODevice::ReadOnly))
            listed = cmdline.readAll();
    });
    EXPECT_EQ(ran.status, 3);
    EXPECT_TRUE(listed.contains("--pin")) << listed.toStdString();
    EXPECT_FALSE(listed.contains(kPin)) << listed.toStdString();
}

// The PIN from a file only its owner can read, or as one line on standard
// input; never from a file that others can read.
TEST_F(CliOverPty, ThePinFromAFileOrStandardInput)
{
    const QString file = path("pin");
    WriteBytes(file, kPin + "\n");
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    const Ran open = run({QStringLiteral("--pin-file"), file, QStringLiteral("clock"), QStringLiteral("set")});
    EXPECT_EQ(open.status, 2);
    EXPECT_TRUE(open.err.contains("--pin-file: other users can read " + file.toLocal8Bit())) << open.err.toStdString();
    EXPECT_TRUE(unit.commandCounts().isEmpty());

    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const Ran owned = run({QStringLiteral("--pin-file"), file, QStringLiteral("clock"), QStringLiteral("set")});
    EXPECT_EQ(owned.status, 0) << owned.err.toStdString();
    const Ran piped = run({QStringLiteral("--pin"), QStringLiteral("-"), QStringLiteral("clock"), QStringLiteral("set")},
                          [](QProcess &program) {
                              program.write(kPin + "\nnot read\n");
                              program.closeWriteChannel();
                          });
    EXPECT_EQ(piped.status, 0) << piped.err.toStdString();
    EXPECT_EQ(unit.commandCount("tset"), 2);
    for (const Ran *ran : {&open, &owned, &piped})
        EXPECT_TRUE(ran->pinHidden());
}

// -o - writes the file's bytes to standard output, as the file would hold them.
TEST_F(CliOverPty, GetCommandsAndBackupWriteToStandardOutput)
{
    const auto got = [&](const char *what, const char *kind) {
        return runWithPin({QLatin1String(what), QLatin1String(kind), QStringLiteral("-o"), QStringLiteral("-")});
    };
    const Ran list = got("directory", "get");
    EXPECT_EQ(list.status, 0) << list.err.toStdString();
    const Ran parameters = got("parameters", "get");
    EXPECT_EQ(parameters.status, 0) << parameters.err.toStdString();
    {
        WindowPath window(unit);
        EXPECT_EQ(list.out, window.phoneList());
        EXPECT_EQ(parameters.out, window.parametersFile(path("window.sys")));
    }
    const Ran events = got("events", "get");
    EXPECT_EQ(events.status, 0) << events.err.toStdString();
    EXPECT_TRUE(events.out.startsWith("Portavel time when saved was: ")) << events.out.left(80).toStdString();
    EXPECT_EQ(events.out.count("\r\n"), 2 + 1 + 12);
    const Ran backup = runWithPin({QStringLiteral("backup"), QStringLiteral("-o"), QStringLiteral("-")});
    ASSERT_EQ(backup.status, 0) << backup.err.toStdString();
    WriteBytes(path("out.qx4b"), backup.out);
    const porv::BackupReadResult read = porv::LoadBackupFile(path("out.qx4b"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.backup->directory->size(), 20);
    EXPECT_FALSE(QFileInfo::exists(path("-")));
}

// With --yes nobody is asked whether to write without an automatic backup:
// where none can be saved, the command refuses (naming the folder) unless
// --no-backup says to write without one.
TEST_F(CliOverPty, WithoutAFolderForTheAutomaticBackupYesRefusesToOverwrite)
{
    ASSERT_EQ(runWithPin({QStringLiteral("directory"), QStringLiteral("get"), QStringLiteral("-o"), path("list.csv")}).status, 0);
    ASSERT_EQ(runWithPin({QStringLiteral("parameters"), QStringLiteral("get"), QStringLiteral("-o"), path("unit.sys")}).status, 0);
    ASSERT_EQ(runWithPin({QStringLiteral("backup"), QStringLiteral("-o"), path("site.qx4b")}).status, 0);
    // The data folder is a plain file: no folder can be made in it, not even by root.
    WriteBytes(path("nodata"), "a file");
    extraEnv.insert(QStringLiteral("XDG_DATA_HOME"), path("nodata"));
    const QByteArray folder = path("nodata/porv-pro/backups").toLocal8Bit();
    const QList<QByteArray> before = Memory(unit);
    unit.resetCounts();
    for (const QStringList &command : {QStringList{QStringLiteral("directory"), QStringLiteral("put"), path("list.csv")},
                                       QStringList{QStringLiteral("parameters"), QStringLiteral("put"), path("unit.sys")},
                                       QStringList{QStringLiteral("restore"), path("site.qx4b")}}) {
        const Ran refused = runWithPin(command + QStringList{QStringLiteral("--yes")});
        EXPECT_EQ(refused.status, 4) << command.join(QLatin1Char(' ')).toStdString() << ": " << refused.err.toStdString();
        EXPECT_TRUE(refused.err.contains(folder)) << refused.err.toStdString();
        EXPECT_TRUE(refused.err.contains("--no-backup")) << refused.err.toStdString();
    }
    EXPECT_EQ(Writes(unit), 0);
    EXPECT_EQ(Memory(unit), before);

    const Ran written = runWithPin({QStringLiteral("directory"), QStringLiteral("put"), path("list.csv"),
                                    QStringLiteral("--yes"), QStringLiteral("--no-backup")});
    EXPECT_EQ(written.status, 0) << written.err.toStdString();
    EXPECT_EQ(unit.commandCount("f5a"), 1);
    EXPECT_EQ(unit.commandCount("b"), 20);
}

// What keeps the network link from the unit is said as it is: a name that
// does not resolve, at once; another program holding the WiFi port, by its
// name and process; never a serial port's error.
TEST_F(CliOverUdp, TheNetworkLinkSaysWhatKeepsItFromTheUnit)
{
    connection = QStringList{QStringLiteral("--udp"), QStringLiteral("no-such-unit.invalid")};
    const Ran unknown = runWithPin({QStringLiteral("info")});
    EXPECT_EQ(unknown.status, 3);
    EXPECT_TRUE(unknown.err.contains("porv-cli: cannot resolve no-such-unit.invalid\n")) << unknown.err.toStdString();

    connection = QStringList{QStringLiteral("--udp"), QLatin1String(porv::test::UnitAddress)};
    QLockFile held(QDir(QDir::tempPath()).filePath(QStringLiteral("porv-pro-udp8000.lock")));
    ASSERT_TRUE(held.tryLock(0));
    const Ran busy = runWithPin({QStringLiteral("info")});
    held.unlock();
    EXPECT_EQ(busy.status, 3);
    const QByteArray holder = QCoreApplication::applicationName().toLocal8Bit() + " (process "
        + QByteArray::number(QCoreApplication::applicationPid()) + ") is using the WiFi port";
    EXPECT_TRUE(busy.err.contains("log-on: " + holder)) << busy.err.toStdString();
    EXPECT_FALSE(busy.err.contains("Serial")) << busy.err.toStdString();
    EXPECT_TRUE(unit.commandCounts().isEmpty());
    EXPECT_EQ(runWithPin({QStringLiteral("info")}).status, 0);
}

// What no page shows comes back too: a name with a comma, digits after a "?",
// the unit's digits "=" and ">", bytes of blocks no page uses, a message with
// a control byte; and the unit's own phone list goes back as it was read.
TEST_F(CliOverUdp, TheBackupKeepsTheBytesNoPageShows)
{
    qx4::SeedOptions seed;
    seed.pin = kPin;
    seed.records = 12;
    seed.tags = 3;
    seed.events = 2;
    seed.oddities = true;
    qx4::seedUnit(unit, seed);
    const QList<QByteArray> before = Memory(unit);
    const Ran backup = runWithPin({QStringLiteral("backup"), QStringLiteral("-o"), path("site.qx4b")});
    ASSERT_EQ(backup.status, 0) << backup.err.toStdString();
    ASSERT_EQ(runWithPin({QStringLiteral("directory"), QStringLiteral("get"), QStringLiteral("-o"), path("list.csv")}).status, 0);
    unit.resetCounts();
    const Ran own = runWithPin({QStringLiteral("directory"), QStringLiteral("put"), path("list.csv"),
                                QStringLiteral("--changes-only"), QStringLiteral("--yes")});
    EXPECT_EQ(own.status, 0) << own.err.toStdString();
    EXPECT_TRUE(own.out.startsWith("Nothing differs.")) << own.out.toStdString();
    EXPECT_EQ(Writes(unit), 0);

    qx4::DirectoryRecord cut = unit.directoryRecords().at(1);
    const QByteArray whole = cut.name;
    cut.name = cut.name.left(cut.name.indexOf(','));
    unit.setDirectoryRecord(cut);
    QByteArray unused = unit.block(4);
    unused[9] = char(0x42);
    unit.setBlock(4, unused);
    const Ran diff = runWithPin({QStringLiteral("diff"), path("site.qx4b")});
    EXPECT_EQ(diff.status, 1) << diff.err.toStdString();
    for (const QByteArray &line : {"Name  unit: " + cut.name + "  file: " + whole, QByteArray("  other bytes of block 0004 differ (1 byte)")})
        EXPECT_TRUE(diff.out.contains(line)) << line.toStdString() << "\n" << diff.out.toStdString();

    unit.resetCounts();
    const Ran restore = runWithPin({QStringLiteral("restore"), path("site.qx4b"), QStringLiteral("--yes")});
    ASSERT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_EQ(unit.commandCount("b"), 1);
    EXPECT_EQ(unit.commandCount("p"), 1) << "block 0004 alone";
    const QList<QByteArray> after = Memory(unit);
    for (int b = 0; b < qx4::kBlockCount; ++b)
        ASSERT_EQ(after.at(b).toHex().toStdString(), before.at(b).toHex().toStdString()) << "block " << b;
}

// A unit that falls silent in the middle of a restore: three writes without
// an answer, then it stops and says what was written and what not.
TEST_F(CliOverUdp, RestoreStopsWhenTheUnitFallsSilent)
{
    ASSERT_EQ(runWithPin({QStringLiteral("backup"), QStringLiteral("-o"), path("site.qx4b")}).status, 0);
    for (qx4::DirectoryRecord r : unit.directoryRecords()) {
        r.phone = "0999????????????";
        unit.setDirectoryRecord(r);
    }
    unit.resetCounts();
    unit.faults().silentAfterWrites = 4;
    const Ran restore = runWithPin({QStringLiteral("restore"), path("site.qx4b"), QStringLiteral("--yes")});
    EXPECT_EQ(restore.status, 3) << restore.err.toStdString();
    EXPECT_LE(unit.commandCount("b"), 4 + 3);
    for (const char *said : {"The unit stopped answering", "Written: ", "Not written: "})
        EXPECT_TRUE(restore.err.contains(said)) << said << "\n" << restore.err.toStdString();
    EXPECT_TRUE(restore.pinHidden());
}
