// The whole-unit workflows, the same cases three ways against the simulated
// unit over UDP on loopback: the workflow layer with a scripted interaction,
// the real window driven by objectName, and porv-cli as a process. Each way
// must show the same changes, write the same and keep the same automatic
// backups; a Cancel stops between two blocks and leaves the link logged on.
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <pty.h>
#include <unistd.h>

#include "delay.h"
#include "directorypage.h"
#include "directorytransfer.h"
#include "link.h"
#include "logon.h"
#include "memtable.h"
#include "null_shell.h"
#include "procedures.h"
#include "session.h"
#include "shell_fixture.h"
#include "tablecsv.h"
#include "transferform.h"
#include "unit_seed.h"
#include "unit_state.h"
#include "unit_transport.h"
#include "unitfiles.h"
#include "unitread.h"
#include "unitworkflows.h"

using namespace shelltest;

namespace {

const QByteArray kPin = "1234";

// What one way of running a workflow showed.
struct Outcome {
    bool asked = false;  // the question whether to write came
    QStringList changes; // the changes listed (with the question, or by the comparison)
    QString said;        // what it said at the end (the message, standard error)
};

class Rig;

// One way of running the workflows.
class Front {
public:
    virtual ~Front() = default;
    virtual void start(Rig &rig) = 0;
    virtual bool loggedOn() = 0;
    virtual Outcome restore(const QString &file, bool yes) = 0;
    virtual Outcome compare(const QString &file) = 0;
    virtual Outcome writeChanges(const QString &phoneList, bool yes) = 0;
    // A parameters file against the unit's parameters.
    virtual Outcome compareParameters(const QString &file) = 0;
    // A restore with Yes, Cancel asked once the first record is written.
    virtual Outcome restoreCancelled(const QString &file) = 0;
};

class Rig : public ShellTest {
public:
    void TestBody() override {}
    using ShellTest::SetUp;
    using ShellTest::button;
    using ShellTest::TearDown;
    using ShellTest::dir;
    using ShellTest::lastMessage;
    using ShellTest::logOnOverUdp;
    using ShellTest::startUdpUnit;
    using ShellTest::unit;
    using ShellTest::window;

    QString file(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QStringList storedBackups() const
    {
        return QDir(porv::BackupStoreFolder()).entryList({QStringLiteral("*.qx4b")}, QDir::Files);
    }
    // The unit read whole by a link of the test's own, saved as a backup file.
    void saveBackup(const QString &path)
    {
        Helper h(unit);
        const porv::UnitReadResult read = porv::ReadWholeUnit(h.link, h.shell, {unit.modelLine(), 0x9000, QString()});
        ASSERT_TRUE(read.ok()) << read.message().toStdString();
        porv::SaveBackupFile(*read.backup, path);
    }
    // Its phone list, with the phones of the `edited` rows changed, as a
    // phone list file.
    void savePhoneList(const QString &path, const QList<int> &edited)
    {
        Helper h(unit);
        porv::StandaloneDirectory directory;
        ASSERT_TRUE(porv::DownloadDirectory(h.link, h.shell, directory).complete);
        for (int row : edited) {
            directory.table.SetPosition(row);
            directory.table.Edit();
            directory.table.SetFieldText(QByteArrayLiteral("PHnumber"), "0123 " + QByteArray::number(row));
            directory.table.Post();
        }
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(porv::TableCsvBytes(directory.table));
    }

    // The unit's parameters as a parameters file, with message 0 made `message`.
    void saveParameters(const QString &path, const QByteArray &message)
    {
        Helper h(unit);
        porv::ParametersCore core(h.link, h.shell);
        core.ReadAllClick();
        core.SaveToFile(path);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        bytes.replace(45, 1 + message.size(), char(message.size()) + message);
        file.seek(0);
        file.write(bytes);
    }

private:
    struct Helper {
        explicit Helper(qx4::SimulatedUnit &unit) : transport(unit)
        {
            link.setNetworkTransport(&transport);
            link.SendCommand("a" + kPin + "\r");
            link.WaitReply(80);
            link.MarkLoggedOn();
        }
        ~Helper() { link.CloseLink(); }
        porv::test::UnitTransport transport;
        porv::Link link;
        porv::test::NullShell shell;
    };
};

// --- the workflow layer with a scripted interaction --------------------------------------

class ScriptedInteraction : public porv::UnitInteraction {
public:
    bool Ask(const porv::UnitQuestion &q) override
    {
        asked.append(q);
        return answer;
    }
    void Tell(const porv::UnitNotice &) override {}
    void Progress(const porv::StepProgress &p) override
    {
        if (cancelAtFirstRecord && p.step == QLatin1String(porv::restorestep::kDirectory) && p.done >= 1)
            cancel = true;
    }
    bool CancelRequested() override { return cancel; }

    bool answer = false;
    bool cancelAtFirstRecord = false;
    bool cancel = false;
    QList<porv::UnitQuestion> asked;
};

class WorkflowFront : public Front {
public:
    void start(Rig &rig) override
    {
        ASSERT_TRUE(rig.startUdpUnit());
        session.NetworkSelected = true;
        poll.setInterval(std::max(1, int(50 * porv::TickScale())));
        QObject::connect(&poll, &QTimer::timeout, &session, [this] {
            if (session.NetworkOpen())
                session.PollNetwork();
        });
        poll.start();
        porv::LogOnDetails details;
        details.pin = kPin;
        details.address = porv::test::UnitAddress;
        const porv::LogOnResult result = porv::RunLogOn(session, details);
        ASSERT_EQ(result.outcome, porv::LogOnOutcome::Connected) << result.message().toStdString();
        identity = {result.modelLine, result.memoryLimit, porv::ConnectionDescription(session)};
    }
    ~WorkflowFront() override
    {
        poll.stop();
        link.CloseLink();
    }
    bool loggedOn() override { return link.LoggedOn(); }

    Outcome restore(const QString &file, bool yes) override
    {
        ScriptedInteraction ui;
        ui.answer = yes;
        return ran(ui, porv::RestoreBackupFile(link, identity, ui, file));
    }
    Outcome compare(const QString &file) override
    {
        ScriptedInteraction ui;
        const porv::CompareReport report = porv::CompareWithBackupFile(link, identity, ui, file);
        return {false, porv::DiffLines(report.diff), report.problem};
    }
    Outcome writeChanges(const QString &phoneList, bool yes) override
    {
        ScriptedInteraction ui;
        ui.answer = yes;
        porv::StandaloneDirectory directory;
        EXPECT_TRUE(porv::LoadPhoneListFile(directory, phoneList, phoneList).isEmpty());
        return ran(ui, porv::WritePhoneListChanges(link, identity, ui, directory));
    }
    Outcome compareParameters(const QString &file) override
    {
        ScriptedInteraction ui;
        const porv::CompareReport report = porv::CompareWithParametersFile(link, identity, ui, file);
        return {false, porv::DiffLines(report.diff), report.problem};
    }
    Outcome restoreCancelled(const QString &file) override
    {
        ScriptedInteraction ui;
        ui.answer = true;
        ui.cancelAtFirstRecord = true;
        return ran(ui, porv::RestoreBackupFile(link, identity, ui, file));
    }

private:
    Outcome ran(const ScriptedInteraction &ui, const porv::UnitWriteReport &report)
    {
        Outcome o;
        o.asked = !ui.asked.isEmpty();
        o.changes = porv::DiffLines(o.asked ? ui.asked.first().changes : report.changes);
        if (report.restore)
            o.said = report.restore->Problems().join(QLatin1Char('\n'));
        else if (report.directory && report.directory->cancelled)
            o.said = QStringLiteral("Cancelled");
        return o;
    }

    porv::Link link;
    porv::Session session{link};
    QTimer poll;
    porv::UnitIdentity identity;
};

// --- the window, by objectName ------------------------------------------------------------

QStringList listedChanges(QDialog &d)
{
    QStringList lines;
    if (auto *list = d.findChild<QListWidget *>(QStringLiteral("ChangesList")))
        for (int i = 0; i < list->count(); ++i)
            lines.append(list->item(i)->text());
    return lines;
}

class WindowFront : public Front {
public:
    void start(Rig &rig) override
    {
        m_rig = &rig;
        rig.logOnOverUdp();
    }
    bool loggedOn() override { return window().link().LoggedOn(); }

    Outcome restore(const QString &file, bool yes) override
    {
        seam().queueFileName(file);
        return run("RestoreUnit1", {changes(yes ? "RestoreYes" : "RestoreNo")});
    }
    Outcome compare(const QString &file) override
    {
        seam().queueDialog(click("CompareBackupFile"));
        seam().queueFileName(file);
        Outcome o = run("CompareUnit1", {changes("CloseChanges")});
        o.asked = false;
        return o;
    }
    Outcome writeChanges(const QString &phoneList, bool yes) override
    {
        porv::LoadPhoneList(window().hostedPage<porv::DirectoryPage>()->DirectoryTable(), phoneList);
        seam().queueDialog(click("ComparePhoneList"));
        if (yes)
            seam().queueAnswer(true);
        return run("CompareUnit1", {changes(yes ? "WriteChanges" : "CloseChanges")});
    }
    // The parameters page read from the unit, the file opened on it, then
    // the parameters on the PC compared.
    Outcome compareParameters(const QString &file) override
    {
        Click(m_rig->button("Pbutt"));
        Click(window().findChild<QPushButton *>(QStringLiteral("ReadAll")));
        seam().queueFileName(file);
        window().findChild<QAction *>(QStringLiteral("FileOpen1"))->trigger();
        seam().queueDialog(click("CompareParameters"));
        return run("CompareUnit1", {changes("CloseChanges")});
    }
    Outcome restoreCancelled(const QString &file) override
    {
        // Cancel, as a user clicks it once the transfer window counts the
        // first record written.
        porv::TransferForm &transfer = window().transferForm();
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, &transfer, [&] {
            auto *cancel = transfer.findChild<QPushButton *>(QStringLiteral("CancelTransfer"));
            if (transfer.stepText() == QLatin1String(porv::restorestep::kDirectory)
                && transfer.progressText().startsWith(QStringLiteral("1 of")) && cancel && cancel->isVisible()) {
                Click(cancel);
                watch.stop();
            }
        });
        watch.start();
        seam().queueFileName(file);
        return run("RestoreUnit1", {changes("RestoreYes")});
    }

private:
    porv::TporvForm &window() { return *m_rig->window; }
    porv::DialogSeam &seam() { return window().seam(); }
    porv::DialogSeam::DialogScript click(const char *button)
    {
        return [button](QDialog &d) {
            if (auto *b = d.findChild<QPushButton *>(QLatin1String(button)))
                Click(b);
        };
    }
    porv::DialogSeam::DialogScript changes(const char *button)
    {
        return [this, button](QDialog &d) {
            auto *b = d.findChild<QPushButton *>(QLatin1String(button));
            if (!b)
                return;
            m_listed = listedChanges(d);
            m_shown = true;
            Click(b);
        };
    }
    Outcome run(const char *action, const QList<porv::DialogSeam::DialogScript> &dialogs)
    {
        for (const auto &d : dialogs)
            seam().queueDialog(d);
        seam().clearTexts();
        m_shown = false;
        m_listed.clear();
        QAction *a = window().findChild<QAction *>(QLatin1String(action));
        EXPECT_TRUE(a && a->isEnabled()) << action;
        if (a)
            a->trigger();
        Outcome o;
        o.asked = m_shown;
        o.changes = m_listed;
        o.said = seam().texts().join(QLatin1Char('\n'));
        // A dialog that did not come is not left for the next command.
        while (seam().pendingDialogs() > 0) {
            QDialog none;
            seam().execDialog(none);
        }
        return o;
    }

    Rig *m_rig = nullptr;
    bool m_shown = false;
    QStringList m_listed;
};

// --- porv-cli as a process ----------------------------------------------------------------

class CliFront : public Front {
public:
    void start(Rig &rig) override
    {
        m_rig = &rig;
        ASSERT_TRUE(rig.startUdpUnit());
    }
    // Each command logs on and off again; the unit listens still.
    bool loggedOn() override { return true; }

    Outcome restore(const QString &file, bool yes) override { return run({QStringLiteral("restore"), file}, yes); }
    Outcome compare(const QString &file) override { return run({QStringLiteral("diff"), file}, false); }
    Outcome writeChanges(const QString &phoneList, bool yes) override
    {
        return run({QStringLiteral("directory"), QStringLiteral("put"), phoneList, QStringLiteral("--changes-only")}, yes);
    }
    Outcome compareParameters(const QString &file) override { return run({QStringLiteral("diff"), file}, false); }
    Outcome restoreCancelled(const QString &) override { return {}; }

private:
    // On a terminal (standard input a pseudo-terminal), where the question
    // is asked and answered as a user types it.
    Outcome run(const QStringList &arguments, bool yes)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("PORV_PIN"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_rig->file("data"));
        env.insert(QStringLiteral("PORV_TEST_TICK_SCALE"), QString::number(std::max(porv::TickScale(), 0.5)));
        int master = -1, slave = -1;
        EXPECT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(m_rig->dir.path());
        program.setChildProcessModifier([slave] { ::dup2(slave, STDIN_FILENO); });
        program.start(QStringLiteral(PORV_CLI_EXECUTABLE),
                      QStringList{QStringLiteral("--udp"), QLatin1String(porv::test::UnitAddress), QStringLiteral("--pin"),
                                  QString::fromLatin1(kPin)}
                          + arguments);
        Outcome o;
        QByteArray err;
        if (program.waitForStarted()) {
            const auto asked = [&] {
                err += program.readAllStandardError();
                return err.contains("[y/N]") || program.state() == QProcess::NotRunning;
            };
            porv::test::WaitFor(asked, 120000);
            o.asked = err.contains("Write these changes to the unit? [y/N]");
            if (o.asked) {
                const QByteArray answer = yes ? "y\n" : "n\n";
                EXPECT_EQ(::write(master, answer.constData(), size_t(answer.size())), answer.size());
            }
            porv::test::WaitFor([&] { return program.state() == QProcess::NotRunning; }, 120000);
        }
        ::close(slave);
        ::close(master);
        o.said = QString::fromLocal8Bit(err + program.readAllStandardError());
        o.changes = QString::fromLocal8Bit(program.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return o;
    }

    Rig *m_rig = nullptr;
};

} // namespace

template <class F>
class UnitWorkflows : public ::testing::Test {
protected:
    void SetUp() override { rig.SetUp(); }
    void TearDown() override
    {
        front.reset();
        rig.TearDown();
    }
    void started(const qx4::SeedOptions &seed)
    {
        qx4::seedUnit(rig.unit, seed);
        front = std::make_unique<F>();
        front->start(rig);
    }
    QList<QByteArray> memory() const { return porv::test::UnitBlocks(rig.unit); }
    int writes() const { return porv::test::UnitWrites(rig.unit); }

    Rig rig;
    std::unique_ptr<Front> front;
};

using Fronts = ::testing::Types<WorkflowFront, WindowFront, CliFront>;
TYPED_TEST_SUITE(UnitWorkflows, Fronts);

// The changes a restore asks about are what the comparison shows, bytes no
// page shows among them; No writes nothing and keeps no backup; Yes puts
// every block back and keeps the read as the one automatic backup; then a
// restore finds nothing to write and asks nothing.
TYPED_TEST(UnitWorkflows, RestoreAsksWithWhatCompareShowsWritesOnYesThenFindsNothingToWrite)
{
    qx4::SeedOptions seed;
    seed.records = 15;
    seed.tags = 2;
    qx4::seedUnit(this->rig.unit, seed);
    const QString file = this->rig.file("site.qx4b");
    this->rig.saveBackup(file);
    const QList<QByteArray> original = this->memory();
    this->started(seed);

    qx4::SimulatedUnit &unit = this->rig.unit;
    QList<qx4::DirectoryRecord> records = unit.directoryRecords();
    qx4::DirectoryRecord changed = records.at(2);
    changed.phone = "0999<1??????????";
    unit.setDirectoryRecord(changed);
    unit.setBlock(records.at(7).block, QByteArray());
    QByteArray unused = unit.block(4);
    unused[0] = char(0x21);
    unit.setBlock(4, unused);
    const QList<QByteArray> changedMemory = this->memory();
    unit.resetCounts();

    const Outcome compared = this->front->compare(file);
    ASSERT_FALSE(compared.changes.isEmpty()) << compared.said.toStdString();
    EXPECT_EQ(compared.changes.first(), QStringLiteral("Phone list: 1 added, 0 removed, 1 changed"));
    EXPECT_TRUE(compared.changes.contains(QStringLiteral("  other bytes of block 0004 differ (1 byte)")))
        << compared.changes.join(QLatin1Char('|')).toStdString();

    const Outcome declined = this->front->restore(file, false);
    EXPECT_TRUE(declined.asked) << declined.said.toStdString();
    EXPECT_EQ(declined.changes, compared.changes);
    EXPECT_EQ(this->writes(), 0);
    EXPECT_EQ(this->memory(), changedMemory);
    EXPECT_TRUE(this->rig.storedBackups().isEmpty()) << "a declined restore keeps no automatic backup";

    const Outcome restored = this->front->restore(file, true);
    EXPECT_TRUE(restored.asked);
    const QList<QByteArray> after = this->memory();
    for (int b = 0; b < qx4::kBlockCount; ++b)
        ASSERT_EQ(after.at(b).toHex(), original.at(b).toHex()) << "block " << b << "\n" << restored.said.toStdString();
    EXPECT_EQ(this->rig.storedBackups().size(), 1) << "the read, kept after the Yes";
    EXPECT_TRUE(this->front->loggedOn());

    unit.resetCounts();
    const Outcome again = this->front->restore(file, true);
    EXPECT_FALSE(again.asked);
    EXPECT_EQ(this->writes(), 0);
    EXPECT_EQ(this->rig.storedBackups().size(), 1);
}

// Write changes reads the unit once (that read is the automatic backup),
// writes only the records that differ, and nothing on No.
TYPED_TEST(UnitWorkflows, WriteChangesReadsTheUnitOnceAndWritesOnlyTheChangedRecords)
{
    qx4::SeedOptions seed;
    seed.records = 20;
    seed.tags = 0;
    qx4::seedUnit(this->rig.unit, seed);
    const QString list = this->rig.file("edited.csv");
    this->rig.savePhoneList(list, {4, 11});
    this->started(seed);
    qx4::SimulatedUnit &unit = this->rig.unit;
    unit.resetCounts();

    const Outcome declined = this->front->writeChanges(list, false);
    EXPECT_TRUE(declined.changes.contains(QStringLiteral("Phone list: 0 added, 0 removed, 2 changed")))
        << declined.changes.join(QLatin1Char('|')).toStdString() << declined.said.toStdString();
    EXPECT_EQ(this->writes(), 0);
    EXPECT_TRUE(this->rig.storedBackups().isEmpty());

    unit.resetCounts();
    const Outcome written = this->front->writeChanges(list, true);
    EXPECT_TRUE(written.asked) << written.said.toStdString();
    EXPECT_EQ(unit.commandCount("b"), 2);
    EXPECT_EQ(this->writes(), 2);
    // The directory's dump and the two group reads of the parameters: once.
    EXPECT_EQ(unit.commandCount("d"), 3);
    EXPECT_EQ(this->rig.storedBackups().size(), 1);
    const QList<qx4::DirectoryRecord> records = unit.directoryRecords();
    EXPECT_TRUE(records.at(3).phone.startsWith("01234")) << records.at(3).phone.toStdString();
    EXPECT_TRUE(records.at(10).phone.startsWith("012311")) << records.at(10).phone.toStdString();
}

// Cancel once the first record is written: the restore stops between two
// blocks, says what was written and what not, and the link stays logged on.
// (porv-cli has no Cancel: Ctrl+C closes its link.)
TYPED_TEST(UnitWorkflows, CancelStopsBetweenTwoBlocksAndSaysWhatWasWritten)
{
    if (std::is_same_v<TypeParam, CliFront>)
        GTEST_SKIP() << "porv-cli is stopped by Ctrl+C, which closes the link";
    qx4::SeedOptions seed;
    seed.records = 30;
    seed.tags = 0;
    qx4::seedUnit(this->rig.unit, seed);
    const QString file = this->rig.file("site.qx4b");
    this->rig.saveBackup(file);
    this->started(seed);
    qx4::SimulatedUnit &unit = this->rig.unit;
    for (int i = 0; i < 12; ++i) {
        qx4::DirectoryRecord r = unit.directoryRecords().at(i);
        r.phone = "0888????????????";
        unit.setDirectoryRecord(r);
    }
    unit.resetCounts();

    const Outcome cancelled = this->front->restoreCancelled(file);
    EXPECT_TRUE(cancelled.asked);
    EXPECT_GE(unit.commandCount("b"), 1);
    EXPECT_LT(unit.commandCount("b"), 12) << cancelled.said.toStdString();
    for (const char *said : {"Cancelled: the rest was not sent.", "Written: ", "Not written: "})
        EXPECT_TRUE(cancelled.said.contains(QLatin1String(said))) << said << " in " << cancelled.said.toStdString();
    EXPECT_TRUE(this->front->loggedOn());
    EXPECT_EQ(this->rig.storedBackups().size(), 1);
}

// A parameters file against the unit: the one field it changes, both values.
TYPED_TEST(UnitWorkflows, CompareWithAParametersFileShowsTheFieldItChanges)
{
    qx4::SeedOptions seed;
    seed.records = 4;
    qx4::seedUnit(this->rig.unit, seed);
    const QString file = this->rig.file("site.sys");
    this->rig.saveParameters(file, "HELLO");
    this->started(seed);
    this->rig.unit.resetCounts();

    const Outcome compared = this->front->compareParameters(file);
    ASSERT_EQ(compared.changes.size(), 2) << compared.changes.join(QLatin1Char('|')).toStdString()
                                          << compared.said.toStdString();
    EXPECT_EQ(compared.changes.first(), QStringLiteral("Parameters: 1 differ"));
    EXPECT_TRUE(compared.changes.at(1).endsWith(QStringLiteral(": HELLO"))) << compared.changes.at(1).toStdString();
    EXPECT_EQ(this->writes(), 0);
}
