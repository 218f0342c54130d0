// The backup as the unit's memory, against the simulated unit: what earlier
// tools and other programs leave in a unit comes back byte for byte, every
// difference behind the tool's back is named, values the unit cannot hold as
// given are listed rather than changed silently, and a unit that falls silent
// stops the writes.
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "backup_fixture.h"
#include "codecs.h"
#include "directorychanges.h"
#include "directorytransfer.h"
#include "restore.h"
#include "unitcompare.h"

using backuptest::BackupUnit;

namespace {

QString joined(const QStringList &lines) { return lines.join(QLatin1Char('\n')); }

// Sets one byte of a block of the unit's memory.
void setByte(qx4::SimulatedUnit &unit, int block, int at, char value)
{
    QByteArray bytes = unit.block(block);
    bytes[at] = value;
    unit.setBlock(block, bytes);
}

} // namespace

TEST_F(BackupUnit, EveryByteOfEveryBlockComesBackAndEveryDifferenceIsNamed)
{
    qx4::SeedOptions seed;
    seed.records = 30;
    seed.tags = 6;
    seed.events = 0;
    seed.oddities = true;
    const porv::UnitIdentity identity = seedAndLogOn(seed);
    const QList<QByteArray> before = memory();
    const QList<qx4::DirectoryRecord> records = unit.directoryRecords();

    // A message holding a control byte is read as it stands.
    const porv::UnitReadResult read = porv::ReadWholeUnit(link, shell, identity, {false});
    ASSERT_TRUE(read.ok()) << read.message().toStdString();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("site.qx4b"));
    porv::SaveBackupFile(*read.backup, file);
    const porv::BackupReadResult saved = porv::LoadBackupFile(file);
    ASSERT_TRUE(saved.ok()) << saved.error.toStdString();
    EXPECT_EQ(saved.backup->directory->at(1).name, records.at(1).name) << "the name holds a comma";

    // Behind the tool's back: the name cut at its comma, digits after a "?"
    // of a number, one record moved to another block, and a byte of each
    // block that no page shows.
    qx4::DirectoryRecord cut = records.at(1);
    cut.name = cut.name.left(cut.name.indexOf(','));
    unit.setDirectoryRecord(cut);
    qx4::DirectoryRecord tail = records.at(3);
    tail.phone = "0123?499????????";
    unit.setDirectoryRecord(tail);
    qx4::DirectoryRecord moved = records.at(5);
    unit.setBlock(moved.block, QByteArray());
    moved.block = 700;
    unit.setDirectoryRecord(moved);
    setByte(unit, 0, 20, char(0x55));                 // settings byte 20
    setByte(unit, 0, 30, char(unit.block(0).at(30) ^ 0x02)); // an option bit no control shows
    setByte(unit, 1, 28, char(0x99));                 // the tail of the gate codes
    setByte(unit, 3, 21, char(0x2F));                 // after the "?" of an emergency code
    setByte(unit, 4, 3, char(0x12));                  // blocks no page uses
    setByte(unit, 11, 30, char(0x00));
    setByte(unit, 5, 6, char(0xF1));                  // after the "?" of a divert number
    setByte(unit, 8, 3, char(0xF7));                  // after the "?" of a speed dial
    setByte(unit, qx4::kTagLast, 1, char(0x6F));      // an entry without a code

    const porv::UnitReadResult now = porv::ReadWholeUnit(link, shell, identity, {false});
    ASSERT_TRUE(now.ok()) << now.message().toStdString();
    const porv::UnitDiff diff = porv::CompareUnit(*now.backup, *saved.backup);
    const QString lines = joined(porv::DiffLines(diff));
    const QString cutAt = QString::number(cut.address(), 16).toUpper();
    for (const QString &expected : {
             QStringLiteral("Phone list: 0 added, 0 removed, 2 changed, 1 moved"),
             QStringLiteral("  changed %1  %2  room %3: Name  unit: %4  file: %2")
                 .arg(cutAt, QString::fromLatin1(records.at(1).name), QString::fromLatin1(cut.room),
                      QString::fromLatin1(cut.name)),
             QStringLiteral("Phone (as stored)  unit: 0123?499????????  file: 0123?456????????"),
             QStringLiteral("  moved   %1 -> %2  %3").arg(QStringLiteral("5780"), QString::number(records.at(5).address(), 16).toUpper(),
                                                          QString::fromLatin1(moved.name)),
             QStringLiteral("  other bytes of block 0000 differ (2 bytes)"),
             QStringLiteral("  other bytes of block 0001 differ (1 byte)"),
             QStringLiteral("  other bytes of block 0003 differ (1 byte)"),
             QStringLiteral("  other bytes of block 0004 differ (1 byte)"),
             QStringLiteral("  other bytes of block 0005 differ (1 byte)"),
             QStringLiteral("  other bytes of block 0008 differ (1 byte)"),
             QStringLiteral("  other bytes of block 0011 differ (1 byte)"),
             QStringLiteral("  other bytes of block 1535 differ (1 byte)"),
         })
        EXPECT_TRUE(lines.contains(expected)) << expected.toStdString() << "\n--- in ---\n" << lines.toStdString();
    EXPECT_FALSE(lines.contains(QStringLiteral("0014"))) << "the message with a control byte did not change";
    EXPECT_FALSE(diff.Same());
    EXPECT_FALSE(porv::DiffToJson(diff).value(QStringLiteral("same")).toBool());

    unit.resetCounts();
    const porv::RestoreReport restored =
        porv::RestoreUnit(link, shell, *saved.backup, identity, *now.backup);
    EXPECT_TRUE(restored.ok()) << restored.Problems().join(QLatin1Char('|')).toStdString();
    // Only what differs is written: three records, the erase the move leaves,
    // seven parameter blocks and the tag list (erased, then its blocks).
    EXPECT_EQ(unit.commandCount("b"), 4);
    const QList<QByteArray> after = memory();
    for (int b = 0; b < qx4::kBlockCount; ++b)
        ASSERT_EQ(after.at(b).toHex(), before.at(b).toHex()) << "block " << b;
    const porv::UnitReadResult again = porv::ReadWholeUnit(link, shell, identity, {false});
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(porv::CompareUnit(*again.backup, *saved.backup).Same())
        << joined(porv::DiffLines(porv::CompareUnit(*again.backup, *saved.backup))).toStdString();
}

// A file made by hand or by another program: what the unit cannot hold as
// given is listed with what it would hold, and written only where it differs.
TEST_F(BackupUnit, HandMadeValuesAreListedWithWhatTheUnitStores)
{
    qx4::SeedOptions seed;
    seed.records = 8;
    seed.tags = 3;
    const porv::UnitIdentity identity = seedAndLogOn(seed);
    const QList<qx4::DirectoryRecord> records = unit.directoryRecords();
    const QList<qx4::SimulatedUnit::TagEntry> tags = unit.tagEntries();
    const porv::UnitReadResult read = porv::ReadWholeUnit(link, shell, identity, {false});
    ASSERT_TRUE(read.ok()) << read.message().toStdString();

    // Written out as such a program would: the decoded values only.
    QByteArray json = "{\"format\": \"porv-pro unit backup\", \"version\": 1, \"directory\": [";
    for (int i = 0; i < records.size(); ++i) {
        const qx4::DirectoryRecord &r = records.at(i);
        QByteArray name = r.name, room = r.room;
        if (i == 0)
            room += 'a';
        if (i == 1)
            name.replace(' ', "\\u001b");
        if (i == 2)
            name = "AB\\u00ffCD";
        const QByteArray code1 = i == 3 ? QByteArray("9876") : r.code1;
        json += QByteArray(i ? "," : "") + "{\"addr\": \"" + QByteArray::number(r.address(), 16).toUpper()
              + "\", \"name\": \"" + name + "\", \"room\": \"" + room + "\", \"phone\": \""
              + porv::DecodeDigits(r.phone) + "\", \"code1\": \"" + code1 + "\", \"code2\": \"" + r.code2 + "\"}";
    }
    json += ",{\"addr\": \"0FE0\", \"name\": \"BELOW\", \"room\": \"9\"}";
    json += "], \"access\": {\"pins\": [\"1234\", \"ab\", \"\", \"\"], \"emergency\": [\"12345678\", \"\", \"\", \"\"]}, \"tags\": [";
    for (int i = 0; i < tags.size(); ++i)
        json += QByteArray(i ? "," : "") + "{\"room\": \"" + tags.at(i).room + "\", \"code\": \"" + tags.at(i).code.toLower() + "\"}";
    json += "]}";
    const porv::BackupReadResult made = porv::BackupFromJson(json, QStringLiteral("made.qx4b"));
    ASSERT_TRUE(made.ok()) << made.error.toStdString();

    const porv::UnitDiff diff = porv::CompareUnit(*read.backup, *made.backup);
    const QString lines = joined(porv::DiffLines(diff));
    const QString room = QString::fromLatin1(records.at(0).room);
    for (const QString &expected : {
             QStringLiteral("Room  unit: %1  file: %1a (stored as %1)").arg(room),
             QStringLiteral("(stored as %1)").arg(QString::fromLatin1(records.at(1).name)),
             QStringLiteral("file: AB\u00ffCD (stored as AB)"),
             QStringLiteral("0FE0  BELOW  room 9 (the unit cannot store it: its address 0FE0 is outside this unit's directory"),
             QStringLiteral("PINs and emergency codes: PIN 2 (only its leading digits are stored) differ"),
         })
        EXPECT_TRUE(lines.contains(expected)) << expected.toStdString() << "\n--- in ---\n" << lines.toStdString();
    EXPECT_FALSE(lines.contains(QStringLiteral("Tags:"))) << "tag codes compare without regard to case";
    EXPECT_FALSE(lines.contains(QStringLiteral("ab"))) << "a PIN is never shown";
    // A release code opens a door: said to differ, never shown.
    const QString unitCode = records.at(3).code1.isEmpty() ? QStringLiteral("(empty)") : QStringLiteral("****");
    EXPECT_TRUE(lines.contains(QStringLiteral("Code 1  unit: %1  file: ****").arg(unitCode))) << lines.toStdString();
    const QByteArray asJson = QJsonDocument(porv::DiffToJson(diff)).toJson();
    for (const QByteArray &code : {QByteArray("9876"), records.at(3).code1}) {
        if (!code.isEmpty()) {
            EXPECT_FALSE(lines.contains(QString::fromLatin1(code)) || asJson.contains(code)) << code.toStdString();
        }
    }

    // Restored without the record outside the directory: the name cut at
    // its erased byte is written once (beside the changed code), and then
    // never again.
    porv::UnitBackup inside = *made.backup;
    inside.directory->removeLast();
    unit.resetCounts();
    const porv::RestoreReport first = porv::RestoreUnit(link, shell, inside, identity);
    EXPECT_TRUE(first.ok()) << first.Problems().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(unit.commandCount("b"), 2);
    EXPECT_EQ(unit.directoryRecords().at(3).code1, QByteArray("9876"));
    EXPECT_EQ(unit.directoryRecords().at(2).name, QByteArray("AB"));
    EXPECT_EQ(unit.directoryRecords().at(0).room, records.at(0).room);
    unit.resetCounts();
    const porv::RestoreReport second = porv::RestoreUnit(link, shell, inside, identity);
    EXPECT_TRUE(second.ok());
    EXPECT_EQ(unit.commandCount("b"), 0);
}

// What the unit's own list holds goes back as it was read: the digits "="
// and ">" of a number, a name with a comma. A record that truly cannot be
// stored is refused alone, and the other changes are written.
TEST_F(BackupUnit, TheUnitsOwnListGoesBackAsReadAndOnlyWhatCannotBeStoredIsRefused)
{
    qx4::SeedOptions seed;
    seed.records = 12;
    seed.tags = 0;
    seed.oddities = true;
    seedAndLogOn(seed);
    // A record without a name: the download leaves it out, so the phone list
    // neither erases it nor gives its block away.
    unit.setDirectoryRecord({140, "555", "", "", "", "0111????????????", ""});
    const QList<qx4::DirectoryRecord> held = unit.directoryRecords();
    porv::StandaloneDirectory directory;
    ASSERT_TRUE(porv::DownloadDirectory(link, shell, directory).complete);
    porv::MemTable &table = directory.table;
    const porv::UnitDirectoryRead dump = porv::ReadUnitDirectory(link, shell);
    ASSERT_TRUE(dump.complete);
    porv::UnitBackup unitNow;
    unitNow.directory = dump.records;
    EXPECT_TRUE(porv::ComparePhoneList(table, unitNow, 0x9000).Same())
        << joined(porv::DiffLines(porv::ComparePhoneList(table, unitNow, 0x9000))).toStdString();

    // The record with "=" and ">" gets a new code; one record the unit cannot dial.
    table.SetPosition(3);
    table.Edit();
    table.SetFieldText(QByteArrayLiteral("Code1"), "4321");
    table.Post();
    table.AppendRecord({"PLUS", "3003", "0123+44", "", "", "", "", ""});
    unit.resetCounts();
    const porv::DirectoryWriteReport report = porv::WriteDirectoryChanges(link, shell, directory, dump.records, true);
    EXPECT_EQ(report.refused, QStringList({QStringLiteral("PLUS: cannot store \"+\" in the phone number")}));
    EXPECT_EQ(unit.commandCount("b"), 1);
    QList<qx4::DirectoryRecord> expected = held;
    expected[2].code1 = "4321";
    EXPECT_EQ(unit.directoryRecords(), expected);
    EXPECT_FALSE(directory.state.DirectorySynced) << "the table holds a record the unit does not";
}

TEST_F(BackupUnit, AUnitThatFallsSilentStopsTheWritesAfterThreeUnanswered)
{
    qx4::SeedOptions seed;
    seed.records = 60;
    seed.tags = 0;
    const porv::UnitIdentity identity = seedAndLogOn(seed);
    const porv::UnitReadResult read = porv::ReadWholeUnit(link, shell, identity, {false});
    ASSERT_TRUE(read.ok());
    for (qx4::DirectoryRecord r : unit.directoryRecords()) {
        r.phone = "0999????????????";
        unit.setDirectoryRecord(r);
    }
    const porv::UnitReadResult now = porv::ReadWholeUnit(link, shell, identity, {false});
    ASSERT_TRUE(now.ok());
    unit.resetCounts();
    unit.faults().silentAfterWrites = 5;
    const porv::RestoreReport report = porv::RestoreUnit(link, shell, *read.backup, identity, *now.backup);
    EXPECT_FALSE(report.ok());
    EXPECT_LE(unit.commandCount("b"), 5 + 3);
    const QString problems = report.Problems().join(QLatin1Char('\n'));
    EXPECT_TRUE(problems.contains(QStringLiteral("The unit stopped answering"))) << problems.toStdString();
    EXPECT_TRUE(problems.contains(QStringLiteral("Written: "))) << problems.toStdString();
    EXPECT_TRUE(problems.contains(QStringLiteral("Not written: "))) << problems.toStdString();

    // Write changes the same: the phone list's records, then silence.
    unit.faults().silentAfterWrites = 0;
    unit.repairLink();
    porv::StandaloneDirectory directory;
    ASSERT_TRUE(porv::DownloadDirectory(link, shell, directory).complete);
    const porv::UnitDirectoryRead dump = porv::ReadUnitDirectory(link, shell);
    for (int row = 1; row <= 30; ++row) {
        directory.table.SetPosition(row);
        directory.table.Edit();
        directory.table.SetFieldText(QByteArrayLiteral("PHnumber"), "0777");
        directory.table.Post();
    }
    unit.resetCounts();
    unit.faults().silentAfterWrites = 2;
    const porv::DirectoryWriteReport changes = porv::WriteDirectoryChanges(link, shell, directory, dump.records, true);
    EXPECT_TRUE(changes.silent);
    EXPECT_LE(unit.commandCount("b"), 2 + 3);
    EXPECT_EQ(changes.done.size(), 2);
    EXPECT_EQ(changes.failed.size() + changes.left.size(), 28);
}

// A backup today's readers' predecessor wrote (version 1, decoded fields
// only) reads as it is and still restores.
TEST_F(BackupUnit, AVersionOneFileStillRestores)
{
    qx4::SeedOptions seed;
    seed.model = qx4::Model::Qx4_200;
    seed.records = 12;
    seed.tags = 4;
    seed.events = 3;
    seed.seed = 7;
    const porv::UnitIdentity identity = seedAndLogOn(seed);
    const QList<QByteArray> before = memory();
    const porv::BackupReadResult old = porv::LoadBackupFile(QStringLiteral(BACKUP_FIXTURES "/version1.qx4b"));
    ASSERT_TRUE(old.ok()) << old.error.toStdString();
    EXPECT_FALSE(old.backup->directory->first().name.isEmpty());

    qx4::DirectoryRecord changed = unit.directoryRecords().at(4);
    changed.phone = "0999<1??????????";
    unit.setDirectoryRecord(changed);
    setByte(unit, 0, 4, 9);
    QList<qx4::SimulatedUnit::TagEntry> tags = unit.tagEntries();
    tags[1].code = "0A0B0C0D0E";
    unit.setTagEntries(tags);
    const porv::RestoreReport report = porv::RestoreUnit(link, shell, *old.backup, identity);
    EXPECT_TRUE(report.ok()) << report.Problems().join(QLatin1Char('|')).toStdString();
    const QList<QByteArray> after = memory();
    for (int b = 0; b < qx4::kBlockCount; ++b)
        ASSERT_EQ(after.at(b).toHex(), before.at(b).toHex()) << "block " << b;
}
