// The whole-unit commands of the File menu in the real window, against the
// simulated unit over UDP on loopback: Back up unit, Restore unit, Compare
// with unit (with Write changes), and the automatic backup a Write All takes
// first.
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QPushButton>

#include "backupstore.h"
#include "directorypage.h"
#include "memtable.h"
#include "shell_fixture.h"
#include "transferform.h"
#include "unit_seed.h"
#include "unit_state.h"
#include "unitbackup.h"

using namespace shelltest;

namespace {

porv::DialogSeam::DialogScript ClickButton(const char *button)
{
    return [button](QDialog &d) {
        if (auto *b = d.findChild<QPushButton *>(QLatin1String(button)))
            Click(b);
    };
}

} // namespace

class WindowBackup : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        ports = QStringList{QStringLiteral("ttyS9")};
    }

    void loggedOn(const qx4::SeedOptions &seed)
    {
        qx4::seedUnit(unit, seed);
        logOnOverUdp();
    }

    QList<QByteArray> memory() const { return porv::test::UnitBlocks(unit); }
    int writes() const { return porv::test::UnitWrites(unit); }

    QStringList storedBackups() const
    {
        return QDir(porv::BackupStoreFolder()).entryList({QStringLiteral("*.qx4b")}, QDir::Files);
    }

    // Runs a File command; it must be there and enabled.
    void run(const char *name)
    {
        QAction *a = action(name);
        ASSERT_NE(a, nullptr) << name;
        ASSERT_TRUE(a->isEnabled()) << name;
        a->trigger();
    }

    QString backupFile(const char *name) const { return dir.filePath(QLatin1String(name)); }
    porv::DirectoryPage &page() const { return *window->hostedPage<porv::DirectoryPage>(); }
};

TEST_F(WindowBackup, BackUpUnitSavesEverythingTheUnitHoldsOrSaysWhichStepFailed)
{
    qx4::SeedOptions seed;
    seed.records = 12;
    seed.tags = 3;
    seed.events = 4;
    qx4::seedUnit(unit, seed);
    ASSERT_TRUE(startUdpUnit());
    writeRecord(true, porv::test::UnitAddress, QByteArray());
    makeWindow();
    for (const char *name : {"BackUpUnit1", "RestoreUnit1", "CompareUnit1"}) {
        ASSERT_NE(action(name), nullptr) << name;
        EXPECT_FALSE(action(name)->isEnabled()) << name << " while logged off";
    }
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn());

    const QString file = backupFile("site.qx4b");
    // While the unit is read no record can be edited (a commit would write
    // through between the reads); afterwards the page works again.
    QLineEdit *spare = window->findChild<QLineEdit *>(QStringLiteral("Spare"));
    ASSERT_NE(spare, nullptr);
    bool editableDuringRead = true;
    QTimer::singleShot(0, window.get(), [&] { editableDuringRead = spare->isEnabled(); });
    window->seam().queueFileName(file);
    run("BackUpUnit1");
    const porv::BackupReadResult saved = porv::LoadBackupFile(file);
    ASSERT_TRUE(saved.ok()) << saved.error.toStdString() << " / " << lastMessage().toStdString();
    EXPECT_EQ(saved.backup->directory->size(), 12);
    EXPECT_EQ(saved.backup->directory->first().name, unit.directoryRecords().first().name);
    EXPECT_EQ(saved.backup->tags->size(), 3);
    EXPECT_EQ(saved.backup->events->size(), 4);
    EXPECT_EQ(saved.backup->access->pins.first(), QByteArray("1234"));
    EXPECT_EQ(saved.backup->parameters->size(), 467);
    EXPECT_EQ(saved.backup->memoryLimit, 0x9000);
    EXPECT_EQ(window->seam().fileRequests().last().filter, porv::BackupFileFilter());
    EXPECT_FALSE(editableDuringRead);
    EXPECT_TRUE(spare->isEnabled());
    EXPECT_TRUE(window->statusText(0).contains(QStringLiteral("site.qx4b")));
    EXPECT_FALSE(window->transferForm().isVisible());
    EXPECT_TRUE(action("FileNew1")->isEnabled());

    // A unit that stops answering: the step is named and no file is asked for.
    const QString other = backupFile("other.qx4b");
    window->seam().queueFileName(other);
    unit.faults().silent = true;
    run("BackUpUnit1");
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("Reading the phone list"))) << lastMessage().toStdString();
    EXPECT_FALSE(QFileInfo::exists(other));
    EXPECT_TRUE(action("BackUpUnit1")->isEnabled());
}

// What the restore says (the changes it asks about, the Yes and No, the
// automatic backup and Cancel are the workflow tests', run through the window
// too): the pages no longer mirror the unit, and a unit that falls silent on
// the way is named with what was written and what not.
TEST_F(WindowBackup, RestoreSaysWhatItDidAndStopsWhenTheUnitFallsSilent)
{
    qx4::SeedOptions seed;
    seed.records = 15;
    seed.tags = 2;
    loggedOn(seed);
    const QString file = backupFile("site.qx4b");
    window->seam().queueFileName(file);
    run("BackUpUnit1");
    ASSERT_TRUE(QFileInfo::exists(file)) << lastMessage().toStdString();

    qx4::DirectoryRecord changed = unit.directoryRecords().at(2);
    changed.phone = "0999<1??????????";
    unit.setDirectoryRecord(changed);
    window->seam().queueFileName(file);
    window->seam().queueDialog(ClickButton("RestoreYes"));
    run("RestoreUnit1");
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("now holds the backup"))) << lastMessage().toStdString();
    EXPECT_FALSE(page().State().DirectorySynced);
    EXPECT_FALSE(window->transferForm().isVisible());

    for (int i = 0; i < 6; ++i) {
        qx4::DirectoryRecord r = unit.directoryRecords().at(i);
        r.phone = "0888????????????";
        unit.setDirectoryRecord(r);
    }
    unit.faults().silentAfterWrites = 2;
    window->seam().queueFileName(file);
    window->seam().queueDialog(ClickButton("RestoreYes"));
    run("RestoreUnit1");
    for (const char *said : {"The unit stopped answering", "Written: ", "Not written: "})
        EXPECT_TRUE(lastMessage().contains(QLatin1String(said))) << said << " in " << lastMessage().toStdString();
}

TEST_F(WindowBackup, RestoreRefusesDamagedFilesAndABiggerModelsBackupBeforeWriting)
{
    qx4::SeedOptions seed;
    seed.model = qx4::Model::Qx4_100;
    seed.records = 10;
    loggedOn(seed);
    const QList<QByteArray> before = memory();
    unit.resetCounts();

    window->seam().queueFileName(QStringLiteral(BACKUP_FIXTURES "/cut-short.qx4b"));
    run("RestoreUnit1");
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("cut-short.qx4b"))) << lastMessage().toStdString();

    window->seam().queueFileName(QStringLiteral(BACKUP_FIXTURES "/bigger-model.qx4b"));
    run("RestoreUnit1");
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("beyond this unit's directory"))) << lastMessage().toStdString();
    EXPECT_EQ(window->seam().pendingDialogs(), 0);
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(memory(), before);
}

TEST_F(WindowBackup, WriteAllOfThePhoneListTakesTheAutomaticBackupOrAsks)
{
    qx4::SeedOptions seed;
    seed.records = 6;
    loggedOn(seed);
    const QList<qx4::DirectoryRecord> before = unit.directoryRecords();
    page().DirectoryTable().AppendRecord({"ZED", "77", "555"});

    window->seam().queueAnswer(true);
    Click(window->findChild<QPushButton *>(QStringLiteral("WriteData")));
    const QStringList stored = storedBackups();
    ASSERT_EQ(stored.size(), 1) << lastMessage().toStdString();
    const porv::BackupReadResult taken = porv::LoadBackupFile(porv::BackupStoreFolder() + QLatin1Char('/') + stored.first());
    ASSERT_TRUE(taken.ok());
    ASSERT_EQ(taken.backup->directory->size(), before.size());
    EXPECT_EQ(taken.backup->directory->first().name, before.first().name);
    EXPECT_EQ(unit.directoryRecords().size(), 1) << "the write went ahead";

    // The parameters page's Write All takes one too, after its questions.
    window->seam().queueAnswer(true);
    window->seam().queueAnswer(true); // values never read
    window->findChild<QPushButton *>(QStringLiteral("WriteAll"))->click();
    EXPECT_EQ(storedBackups().size(), 2);
    EXPECT_GT(unit.commandCount("p"), 0);

    // No answer from the unit: the question, and No writes nothing.
    unit.resetCounts();
    unit.faults().silent = true;
    window->seam().clearTexts();
    window->seam().queueAnswer(true);
    window->seam().queueAnswer(false);
    Click(window->findChild<QPushButton *>(QStringLiteral("WriteData")));
    ASSERT_EQ(window->seam().texts().size(), 2) << window->seam().texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(window->seam().texts().at(1).startsWith(QStringLiteral("The unit could not be backed up")));
    EXPECT_TRUE(window->seam().texts().at(1).endsWith(QStringLiteral("Write anyway?")));
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(storedBackups().size(), 2);
}
