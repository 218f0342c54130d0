// The whole unit against the simulated unit over UDP on loopback, logged on by
// the core log-on: backup, compare, restore to the same memory block for
// block; the directory's changes alone; refused backups that write nothing;
// the store of automatic backups.
#include <QDir>
#include <QHash>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "backup_fixture.h"
#include "backupstore.h"
#include "directorychanges.h"
#include "directorytransfer.h"
#include "headless_fixture.h"
#include "null_shell.h"
#include "restore.h"
#include "unit_seed.h"
#include "unit_state.h"
#include "unitcompare.h"
#include "unitread.h"

using backuptest::BackupUnit;

namespace {

QList<porv::BackupRecord> recordsOf(const porv::MemTable &table)
{
    QList<porv::BackupRecord> out;
    for (const porv::TargetRecord &t : porv::TargetRecordsOfTable(table))
        out.append(t.record);
    return out;
}

} // namespace

TEST_F(BackupUnit, BackupThenChangesCompareExactlyAndRestoreGivesTheSameMemory)
{
    qx4::SeedOptions seed;
    seed.records = 40;
    seed.tags = 6;
    seed.events = 5;
    const porv::UnitIdentity identity = seedAndLogOn(seed);
    const QList<QByteArray> before = memory();

    QStringList steps;
    const porv::UnitReadResult read = porv::ReadWholeUnit(link, shell, identity, {}, {[&steps](const porv::StepProgress &p) {
        if (steps.isEmpty() || steps.last() != p.step)
            steps.append(p.step);
    }, {}});
    ASSERT_TRUE(read.ok()) << read.message().toStdString();
    EXPECT_EQ(steps, QStringList({QStringLiteral("Reading the phone list"), QStringLiteral("Reading the parameters"),
                                  QStringLiteral("Reading the PINs and emergency codes"),
                                  QStringLiteral("Reading the tags"), QStringLiteral("Reading the event log")}));
    EXPECT_EQ(read.backup->directory->size(), 40);
    EXPECT_EQ(read.backup->tags->size(), 6);
    EXPECT_EQ(read.backup->events->size(), 5);
    EXPECT_EQ(read.backup->access->pins.first(), QByteArray("1234"));
    EXPECT_TRUE(read.backup->clock && read.backup->clock->startsWith("20"));
    EXPECT_TRUE(shell.messages.isEmpty()) << shell.messages.join(QLatin1Char('|')).toStdString();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("site.qx4b"));
    porv::SaveBackupFile(*read.backup, file);
    const porv::BackupReadResult saved = porv::LoadBackupFile(file);
    ASSERT_TRUE(saved.ok()) << saved.error.toStdString();

    // The unit changes: one client's phone, one client gone, one new; the
    // ring count and a message; the second PIN; one tag.
    QList<qx4::DirectoryRecord> records = unit.directoryRecords();
    qx4::DirectoryRecord changed = records.at(3);
    changed.phone = "0999<1??????????";
    unit.setDirectoryRecord(changed);
    unit.setBlock(records.at(10).block, QByteArray());
    qx4::DirectoryRecord added{200, "777", "4321", "", "", "0555????????????", "NEW CLIENT"};
    unit.setDirectoryRecord(added);
    QByteArray settings = unit.block(0);
    settings[4] = 9;
    unit.setBlock(0, settings);
    unit.setBlock(13, QByteArray("SEE YOU SOON").leftJustified(32, char(0xFF)));
    QByteArray access = unit.block(3);
    access[4] = char(0x98);
    access[5] = char(0x76);
    unit.setBlock(3, access);
    QList<qx4::SimulatedUnit::TagEntry> tags = unit.tagEntries();
    tags[3].code = "0A0B0C0D0E"; // the changed client's room
    unit.setTagEntries(tags);

    const porv::UnitReadResult now = porv::ReadWholeUnit(link, shell, identity, {false});
    ASSERT_TRUE(now.ok()) << now.message().toStdString();
    const porv::UnitDiff diff = porv::CompareUnit(*now.backup, *saved.backup);
    ASSERT_EQ(diff.records.size(), 3) << porv::DiffLines(diff).join(QLatin1Char('\n')).toStdString();
    const QByteArray changedAddr = QByteArray::number(changed.address(), 16).toUpper();
    EXPECT_EQ(diff.records[0].kind, porv::RecordChange::Kind::Changed);
    EXPECT_EQ(diff.records[0].addr, changedAddr);
    ASSERT_EQ(diff.records[0].fields.size(), 2); // the phone, and the tag its room no longer has
    EXPECT_EQ(diff.records[0].fields[0].field, QByteArray("phone"));
    EXPECT_EQ(diff.records[0].fields[0].unit, QByteArray("0999p1"));
    EXPECT_EQ(diff.records[0].fields[1].field, QByteArray("tag"));
    EXPECT_EQ(diff.records[1].kind, porv::RecordChange::Kind::Added);
    EXPECT_EQ(diff.records[1].name, records.at(10).name);
    EXPECT_EQ(diff.records[2].kind, porv::RecordChange::Kind::Removed);
    EXPECT_EQ(diff.records[2].addr, QByteArray("1900"));
    ASSERT_EQ(diff.parameters.size(), 2);
    EXPECT_EQ(diff.parameters[0].label, QStringLiteral("Auto-Answer Ring count"));
    EXPECT_EQ(diff.parameters[0].unit, QByteArray("9"));
    EXPECT_EQ(diff.parameters[0].pc, QByteArray("2"));
    EXPECT_EQ(diff.parameters[1].label, QStringLiteral("Scroll1"));
    EXPECT_EQ(diff.accessDiffer, QStringList({QStringLiteral("PIN 2")}));
    EXPECT_EQ(diff.tagsAdded.size(), 1);
    EXPECT_EQ(diff.tagsRemoved.size(), 1);
    EXPECT_FALSE(diff.Same());
    const QString printed = porv::DiffLines(diff).join(QLatin1Char('\n'));
    EXPECT_TRUE(printed.contains(QStringLiteral("PIN 2 differ")));
    EXPECT_FALSE(printed.contains(QStringLiteral("9876"))) << "a PIN shown: " << printed.toStdString();
    EXPECT_FALSE(porv::DiffToJson(diff).value(QStringLiteral("same")).toBool());

    const porv::RestoreReport restored =
        porv::RestoreUnit(link, shell, *saved.backup, identity, *now.backup);
    EXPECT_TRUE(restored.ok()) << restored.Problems().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(restored.directory->written, 2);
    EXPECT_EQ(restored.directory->erased, 1);
    const QList<QByteArray> after = memory();
    for (int b = 0; b < qx4::kBlockCount; ++b)
        ASSERT_EQ(after.at(b).toHex(), before.at(b).toHex()) << "block " << b;
    const porv::UnitReadResult again = porv::ReadWholeUnit(link, shell, identity, {false});
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(porv::CompareUnit(*again.backup, *saved.backup).Same());
}

TEST_F(BackupUnit, WriteChangesSendsOnlyTheTenEditedRecords)
{
    qx4::SeedOptions seed;
    seed.records = 1000;
    seed.tags = 0;
    seed.events = 0;
    seedAndLogOn(seed);
    porv::StandaloneDirectory directory;
    ASSERT_TRUE(porv::DownloadDirectory(link, shell, directory).complete);
    porv::MemTable &table = directory.table;
    const QList<porv::BackupRecord> unitNow = recordsOf(table);

    // Eight changed, two new (one with a tag download's placeholder address);
    // and one the unit cannot dial, which alone is left out.
    for (int row = 0; row < 8; ++row) {
        table.SetPosition(row * 100 + 1);
        table.Edit();
        table.SetFieldText(QByteArrayLiteral("PHnumber"), "01 23-45 " + QByteArray::number(row));
        table.Post();
    }
    table.AppendRecord({"NEW ONE", "3001", "0111", "", "", "", "", ""});
    table.AppendRecord({"NEW TWO", "3002", "0222", "12", "", "", "", "p2"});
    table.AppendRecord({"BAD, PHONE", "3003", "0123+44", "", "", "", "", ""});
    unit.resetCounts();
    const porv::DirectoryWriteReport report = porv::WriteDirectoryChanges(link, shell, directory, unitNow, true);
    EXPECT_EQ(report.refused, QStringList({QStringLiteral("BAD, PHONE: cannot store \"+\" in the phone number")}));
    EXPECT_TRUE(report.failed.isEmpty()) << report.failed.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(unit.commandCount("b"), 10);
    EXPECT_EQ(report.written, 10);
    EXPECT_EQ(report.addressed, QStringList({QStringLiteral("NEW ONE at 8D00"), QStringLiteral("NEW TWO at 8D20")}));
    EXPECT_FALSE(directory.state.DirectorySynced) << "the table holds a record the unit does not";
    table.SetPosition(table.RecordCount());
    ASSERT_TRUE(table.Delete());

    // The unit now holds exactly the table.
    porv::UnitDirectoryRead fresh = porv::ReadUnitDirectory(link, shell);
    ASSERT_TRUE(fresh.complete);
    ASSERT_EQ(fresh.records.size(), table.RecordCount());
    QHash<QByteArray, porv::BackupRecord> held;
    for (const porv::BackupRecord &r : fresh.records)
        held.insert(r.addr, r);
    for (const porv::TargetRecord &t : porv::TargetRecordsOfTable(table))
        EXPECT_EQ(porv::StoredOf(held.value(t.record.addr)), porv::StoredFormOfFields(t.record)) << t.label.toStdString();
    porv::UnitBackup unitState;
    unitState.directory = fresh.records;
    const porv::UnitDiff same = porv::ComparePhoneList(table, unitState, 0x9000);
    EXPECT_TRUE(same.Same());
    EXPECT_EQ(porv::DiffLines(same), QStringList({QStringLiteral("Nothing differs."),
                                                  QStringLiteral("Note: The tags were not compared: the unit's were "
                                                                 "not read.")}));

    // A deleted record: its block alone is erased.
    table.SetPosition(551);
    const QByteArray deleted = table.FieldText(QByteArrayLiteral("Addr"));
    ASSERT_TRUE(table.Delete());
    unitState.directory = fresh.records;
    const porv::UnitDiff diff = porv::ComparePhoneList(table, unitState, 0x9000);
    ASSERT_EQ(diff.records.size(), 1);
    EXPECT_EQ(diff.records[0].kind, porv::RecordChange::Kind::Removed);
    EXPECT_EQ(diff.records[0].addr, deleted);
    unit.resetCounts();
    const porv::DirectoryWriteReport erase = porv::WriteDirectoryChanges(link, shell, directory, fresh.records, true);
    EXPECT_EQ(unit.commandCount("b"), 1);
    EXPECT_EQ(erase.erased, 1);
    fresh = porv::ReadUnitDirectory(link, shell);
    EXPECT_EQ(fresh.records.size(), 1001);
    EXPECT_FALSE(std::any_of(fresh.records.begin(), fresh.records.end(),
                             [&deleted](const porv::BackupRecord &r) { return r.addr == deleted; }));
}

TEST_F(BackupUnit, RefusedBackupsWriteNothing)
{
    qx4::SeedOptions seed;
    seed.model = qx4::Model::Qx4_100;
    seed.records = 10;
    const porv::UnitIdentity identity = seedAndLogOn(seed);
    const QList<QByteArray> before = memory();
    unit.resetCounts();

    for (const char *name : {"cut-short.qx4b", "newer-version.qx4b"})
        EXPECT_FALSE(porv::LoadBackupFile(QStringLiteral(BACKUP_FIXTURES "/") + QLatin1String(name)).ok()) << name;
    const porv::BackupReadResult bigger = porv::LoadBackupFile(QStringLiteral(BACKUP_FIXTURES "/bigger-model.qx4b"));
    ASSERT_TRUE(bigger.ok()) << bigger.error.toStdString();
    const porv::RestoreCheck check = porv::CheckRestore(*bigger.backup, identity);
    EXPECT_EQ(check.refusal, QStringLiteral("The backup's phone list reaches address 2A00, beyond this unit's "
                                            "directory, which ends at 1D00 (104 records)."));
    const porv::RestoreReport report = porv::RestoreUnit(link, shell, *bigger.backup, identity);
    EXPECT_EQ(report.refusal, check.refusal);
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(memory(), before);
    EXPECT_FALSE(porv::CompareUnit(porv::UnitBackup{}, *bigger.backup).notes.isEmpty());
}

// The store keeps the newest thirty of each unit, never a unit's last one,
// and removes nothing it did not write itself.
TEST_F(BackupUnit, TheAutomaticStoreKeepsTheNewestThirtyOfEachUnitAndOnlyItsOwnFiles)
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    const QString folder = porv::BackupStoreFolder();
    ASSERT_TRUE(folder.startsWith(data.path())) << folder.toStdString();

    qx4::SeedOptions seed;
    seed.records = 5;
    const porv::UnitIdentity identity = seedAndLogOn(seed);
    unit.faults().silent = true;
    const porv::AutomaticBackup failed = porv::TakeAutomaticBackup(link, shell, identity);
    EXPECT_FALSE(failed.taken());
    EXPECT_FALSE(failed.storeProblem);
    EXPECT_EQ(failed.error, QStringLiteral("Reading the phone list: the unit did not answer"));
    unit.faults().silent = false;
    const porv::AutomaticBackup taken = porv::TakeAutomaticBackup(link, shell, identity);
    ASSERT_TRUE(taken.taken()) << taken.error.toStdString();
    EXPECT_TRUE(QFileInfo(taken.path).fileName().startsWith(QLatin1String("Portavel_1000_Qx4_") + QLatin1String(porv::test::UnitAddress) + QLatin1Char('_')));
    EXPECT_FALSE(taken.backup->events);
    const porv::BackupReadResult back = porv::LoadBackupFile(taken.path);
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_EQ(back.backup->directory->size(), 5);

    // One backup of a unit on a serial port, a year before thirty of the
    // network unit (the one just taken the newest); files of the user's own,
    // one named like the store's.
    porv::UnitBackup backup = *taken.backup;
    const QDateTime now = taken.backup->taken;
    const porv::UnitIdentity serialUnit{"Portavel_500_Qx4", 0x5100, QStringLiteral("serial /dev/ttyUSB0")};
    backup.taken = QDateTime(QDate(2025, 1, 1), QTime(9, 0), Qt::UTC);
    const porv::AutomaticBackup lone = porv::SaveAutomaticBackup(backup, serialUnit);
    EXPECT_EQ(QFileInfo(lone.path).fileName(), QStringLiteral("Portavel_500_Qx4_ttyUSB0_20250101-090000Z.qx4b"));
    QStringList network;
    for (int i = 0; i < 29; ++i) {
        backup.taken = now.addDays(i - 29);
        const porv::AutomaticBackup saved = porv::SaveAutomaticBackup(backup, identity);
        ASSERT_TRUE(saved.taken()) << saved.error.toStdString();
        EXPECT_TRUE(saved.removed.isEmpty());
        network.append(saved.path);
    }
    const QString lookalike = folder + QLatin1String("/Portavel_1000_Qx4_") + QLatin1String(porv::test::UnitAddress)
        + QLatin1String("_20240101-000000Z.qx4b");
    for (const QString &own : {lookalike, folder + QStringLiteral("/mine.qx4b"), folder + QStringLiteral("/notes.txt")})
        QFile(own).open(QIODevice::WriteOnly);

    network.append(taken.path);
    // The thirty-first of the network unit pushes out its oldest, nothing of
    // the other unit's.
    backup.taken = now.addSecs(60);
    const porv::AutomaticBackup newest = porv::SaveAutomaticBackup(backup, identity);
    ASSERT_TRUE(newest.taken());
    EXPECT_EQ(newest.removed, QStringList{network.at(0)});
    for (const QString &kept : {lone.path, lookalike, folder + QStringLiteral("/mine.qx4b"), folder + QStringLiteral("/notes.txt"),
                                taken.path})
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    // Even a store told to keep none keeps each unit's newest.
    const QStringList removed = porv::PruneBackupStore(folder, 0);
    EXPECT_EQ(removed.size(), 29);
    for (const QString &kept : {lone.path, newest.path, lookalike})
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();

    // No folder can be made for it: said, naming the folder; the read is kept.
    qputenv("XDG_DATA_HOME", (data.path() + QStringLiteral("/notes.txt")).toLocal8Bit());
    QFile(data.path() + QStringLiteral("/notes.txt")).open(QIODevice::WriteOnly);
    const porv::AutomaticBackup nowhere = porv::TakeAutomaticBackup(link, shell, identity);
    EXPECT_FALSE(nowhere.taken());
    EXPECT_TRUE(nowhere.storeProblem);
    EXPECT_TRUE(nowhere.error.contains(data.path() + QStringLiteral("/notes.txt/porv-pro/backups"))) << nowhere.error.toStdString();
    EXPECT_TRUE(nowhere.backup);
    qunsetenv("XDG_DATA_HOME");
}
