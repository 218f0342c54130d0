// The unit backup file: its layout against the members written out here, and
// the files it refuses (kept as fixtures beside this test), each named in the
// message.
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "unitbackup.h"

#if defined(QT_WIDGETS_LIB)
#error "the backup library runs without widgets"
#endif

namespace {

QString fixture(const char *name) { return QStringLiteral(BACKUP_FIXTURES "/") + QLatin1String(name); }

// The tag entry of room 204, tag 0A1B2C3D4E, in the unit's characters.
const QByteArray kTagBlock = "204???0:1;2<3=4>" + QByteArray(48, '?');
const QByteArray kAccessBlock = "1234????" + QByteArray(24, '?') + "12345678" + QByteArray(24, '?');

porv::UnitBackup sample()
{
    porv::UnitBackup b;
    b.modelLine = "Portavel_1000_Qx4";
    b.memoryLimit = 0x9000;
    b.connection = QStringLiteral("udp 127.0.0.2");
    b.taken = QDateTime(QDate(2026, 12, 10), QTime(2, 10), Qt::UTC);
    b.clock = QByteArray("2026-12-10 02:09:58");
    b.directory = QList<porv::BackupRecord>{
        {"1000", "SMITH J", "204", "0123456789p1", "1234", "", "", "1000,204,1234,,,0123456789<1????,SMITH J"},
        {"1020", "M\xDCLLER, A", "7", "*12#=", "", "99", "1", "1020,7,,99,1,:12;=???????????,M\xDCLLER, A"}};
    QByteArray image(467, '\0');
    image.replace(0, 5, QByteArray("\x04" "1234", 5));
    b.parameters = image;
    porv::ParameterBlocks blocks;
    for (const porv::ParameterBlockLayout &layout : porv::ParameterBlockLayouts())
        blocks.insert(layout.block, QByteArray(layout.length, layout.message ? char(0xFF) : '?'));
    blocks.insert("0013", "HI\x07" + QByteArray(29, char(0xFF)));
    blocks.insert("0003", kAccessBlock);
    b.parameterBlocks = blocks;
    b.access = porv::AccessCodes{{"1234", "", "", ""}, {"12345678", "", "", ""}};
    b.tags = QList<porv::BackupTag>{{"204", "0A1B2C3D4E"}};
    porv::ParameterBlocks tagBlocks;
    for (int block = 1408; block <= 1535; ++block)
        tagBlocks.insert(QByteArray::number(block), block == 1408 ? kTagBlock : QByteArray(64, '?'));
    b.tagBlocks = tagBlocks;
    b.events = QList<QByteArray>{"0001,0020000F0F0F190C1A0E051E,1,0,00,SMITH J         "};
    return b;
}

} // namespace

TEST(BackupFile, LayoutOfTheDocumentAndItsRoundTrip)
{
    const porv::UnitBackup b = sample();
    const QByteArray json = porv::BackupToJson(b);
    const QString blocksNibbles(64, QLatin1Char('?'));
    const QString blocksMessage(32, QChar(0xFF));
    QJsonObject expected = QJsonDocument::fromJson(R"({
      "format": "porv-pro unit backup",
      "version": 2,
      "taken": "2026-12-10T02:10:00Z",
      "unit": { "modelLine": "Portavel_1000_Qx4", "memoryLimit": "9000", "connection": "udp 127.0.0.2",
                "clock": "2026-12-10 02:09:58" },
      "directory": [
        { "addr": "1000", "name": "SMITH J", "room": "204", "phone": "0123456789p1", "code1": "1234", "code2": "",
          "spare": "", "line": "1000,204,1234,,,0123456789<1????,SMITH J" },
        { "addr": "1020", "name": "M\u00dcLLER, A", "room": "7", "phone": "*12#=", "code1": "", "code2": "99",
          "spare": "1", "line": "1020,7,,99,1,:12;=???????????,M\u00dcLLER, A" } ],
      "access": { "pins": ["1234", "", "", ""], "emergency": ["12345678", "", "", ""] },
      "tags": [ { "room": "204", "code": "0A1B2C3D4E" } ],
      "events": [ "0001,0020000F0F0F190C1A0E051E,1,0,00,SMITH J         " ]
    })").object();
    expected.insert(QStringLiteral("parameters"), QStringLiteral("0431323334") + QString(924, QLatin1Char('0')));
    QJsonObject blocks;
    for (const char *block : {"0000", "0001", "0002", "0004", "0005", "0006", "0007", "0008", "0009", "0010", "0011"})
        blocks.insert(QLatin1String(block), blocksNibbles);
    blocks.insert(QStringLiteral("0003"), QStringLiteral("1234????????????????????????????12345678????????????????????????"));
    for (const char *block : {"0012", "0014", "0015"})
        blocks.insert(QLatin1String(block), blocksMessage);
    blocks.insert(QStringLiteral("0013"), QStringLiteral("HI\u0007") + QString(29, QChar(0xFF)));
    expected.insert(QStringLiteral("parameterBlocks"), blocks);
    QJsonObject tagBlocks;
    for (int block = 1409; block <= 1535; ++block)
        tagBlocks.insert(QString::number(block), blocksNibbles);
    tagBlocks.insert(QStringLiteral("1408"), QStringLiteral("204???0:1;2<3=4>????????????????????????????????????????????????"));
    expected.insert(QStringLiteral("tagBlocks"), tagBlocks);
    EXPECT_EQ(QJsonDocument::fromJson(json).object(), expected) << json.toStdString();

    // Every byte comes back as it went out.
    const porv::BackupReadResult read = porv::BackupFromJson(json, QStringLiteral("sample.qx4b"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.backup->directory, b.directory);
    EXPECT_EQ(read.backup->parameters, b.parameters);
    EXPECT_EQ(read.backup->parameterBlocks, b.parameterBlocks);
    EXPECT_EQ(read.backup->access->emergency, b.access->emergency);
    EXPECT_EQ(read.backup->tags, b.tags);
    EXPECT_EQ(read.backup->tagBlocks, b.tagBlocks);
    EXPECT_EQ(read.backup->events, b.events);
    EXPECT_EQ(read.backup->taken, b.taken);
    EXPECT_EQ(read.backup->clock, b.clock);
    EXPECT_EQ(read.backup->memoryLimit, 0x9000);

    // Unread parts are null and read back as absent; the file is the owner's only.
    porv::UnitBackup bare = b;
    bare.parameters.reset();
    bare.access.reset();
    bare.events.reset();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bare.qx4b"));
    porv::SaveBackupFile(bare, path);
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    const porv::BackupReadResult loaded = porv::LoadBackupFile(path);
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    EXPECT_FALSE(loaded.backup->parameters || loaded.backup->access || loaded.backup->events);
    EXPECT_TRUE(QJsonDocument::fromJson(porv::BackupToJson(bare)).object().value(QStringLiteral("events")).isNull());
}

// Today's readers' predecessor wrote version 1: read as it is, the decoded
// fields and the ten blocks the pages write.
TEST(BackupFile, VersionOneFilesReadAsTheyAre)
{
    const porv::BackupReadResult old = porv::LoadBackupFile(fixture("version1.qx4b"));
    ASSERT_TRUE(old.ok()) << old.error.toStdString();
    ASSERT_EQ(old.backup->directory->size(), 12);
    EXPECT_TRUE(old.backup->directory->first().line.isEmpty());
    EXPECT_EQ(old.backup->parameterBlocks->size(), 10);
    EXPECT_EQ(old.backup->parameterBlocks->value("0002").size(), 16);
    EXPECT_FALSE(old.backup->parameterBlocks->contains("0003"));
    EXPECT_FALSE(old.backup->tagBlocks);
    EXPECT_EQ(old.backup->tags->size(), 4);
    // Written again as the newer version, and read back the same.
    const porv::BackupReadResult again = porv::BackupFromJson(porv::BackupToJson(*old.backup), QStringLiteral("again"));
    ASSERT_TRUE(again.ok()) << again.error.toStdString();
    EXPECT_EQ(again.backup->directory, old.backup->directory);
    EXPECT_EQ(again.backup->parameterBlocks, old.backup->parameterBlocks);
}

TEST(BackupFile, RefusesFilesCutShortOfAnotherFormatOrVersionOrDamaged)
{
    struct Case {
        QString file;
        QString says;
    };
    for (const Case &c : {Case{fixture("cut-short.qx4b"), QStringLiteral("is damaged or cut short")},
                          Case{fixture("other-format.qx4b"), QStringLiteral("its format is \"qx4-unit-state 1\"")},
                          Case{fixture("newer-version.qx4b"), QStringLiteral("newer porv-pro (backup version 3)")},
                          Case{fixture("missing.qx4b"), QStringLiteral("Cannot open file")}}) {
        const porv::BackupReadResult r = porv::LoadBackupFile(c.file);
        EXPECT_FALSE(r.ok()) << c.file.toStdString();
        EXPECT_TRUE(r.error.contains(c.file)) << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(c.says)) << r.error.toStdString();
    }

    // Wrong types and sizes, each named.
    const QByteArray good = porv::BackupToJson(sample());
    struct Damage {
        QByteArray from, to;
        QString says;
    };
    for (const Damage &d : {
             Damage{"\"version\": 2", "\"version\": \"2\"", QStringLiteral("version is not a whole number")},
             Damage{"\"addr\": \"1020\"", "\"addr\": \"10200\"", QStringLiteral("\"directory[1].addr\" is not four")},
             Damage{"\"addr\": \"1020\"", "\"addr\": \"1000\"", QStringLiteral("repeats the address 1000")},
             Damage{"\"room\": \"7\"", "\"room\": 7", QStringLiteral("\"directory[1].room\" is not a text")},
             Damage{"\"name\": \"SMITH J\"", "\"name\": \"SMITH J \\u20ac\"", QStringLiteral("no byte (U+20ac)")},
             Damage{"\"name\": \"SMITH J\"", "\"name\": \"SMITH JOHN ALEXANDER\"", QStringLiteral("longer than 16")},
             Damage{"\"parameters\": \"04", "\"parameters\": \"4", QStringLiteral("is not 934 hexadecimal digits")},
             Damage{"\"0013\": \"", "\"0013\": \"\\r", QStringLiteral("\"parameterBlocks.0013\" is not 32 message")},
             Damage{"\"1234\",\n", "", QStringLiteral("\"access.pins\" does not hold 4 entries")},
             // The decoded fields beside the memory are its own.
             Damage{"\"name\": \"SMITH J\"", "\"name\": \"SMITH K\"",
                    QStringLiteral("\"directory[0]\" does not hold the fields of its \"line\"")},
             Damage{"\"code\": \"0A1B2C3D4E\"", "\"code\": \"0A1B2C3D4F\"",
                    QStringLiteral("\"tags\" are not the tags of \"tagBlocks\"")},
             Damage{"\"12345678\"", "\"12345679\"", QStringLiteral("\"access\" does not hold the codes of block 0003")},
             Damage{"\"1408\": \"204", "\"1408\": \"2A4", QStringLiteral("\"tagBlocks.1408\" is not 64 nibble")},
         }) {
        QByteArray json = good;
        ASSERT_TRUE(json.contains(d.from)) << d.from.toStdString();
        json.replace(json.indexOf(d.from), d.from.size(), d.to);
        const porv::BackupReadResult r = porv::BackupFromJson(json, QStringLiteral("site.qx4b"));
        EXPECT_FALSE(r.ok()) << d.to.toStdString();
        EXPECT_TRUE(r.error.startsWith(QStringLiteral("\"site.qx4b\" is damaged"))) << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(d.says)) << r.error.toStdString();
    }
}

// Numbers are read with their range checked, and what the reader takes the
// writer writes back readable.
TEST(BackupFile, NumbersOutOfRangeAreRefusedAndWhatIsReadIsWrittenBackReadable)
{
    const QByteArray good = porv::BackupToJson(sample());
    const QByteArray versionText = "\"version\": " + QByteArray::number(porv::kBackupVersion);
    ASSERT_TRUE(good.contains(versionText));
    for (const QByteArray &huge : {QByteArray("1e300"), QByteArray("9223372036854775808"), QByteArray("-1e300")}) {
        QByteArray json = good;
        json.replace(versionText, "\"version\": " + huge);
        const porv::BackupReadResult r = porv::BackupFromJson(json, QStringLiteral("site.qx4b"));
        EXPECT_FALSE(r.ok()) << huge.toStdString();
        EXPECT_TRUE(r.error.contains(huge.startsWith('-') ? QStringLiteral("not a whole number")
                                                          : QStringLiteral("newer porv-pro")))
            << r.error.toStdString();
        EXPECT_FALSE(r.error.contains(QStringLiteral("-92233"))) << r.error.toStdString();
    }

    // Without the time it was taken: read, and written back readable.
    QByteArray untimed = good;
    untimed.replace("\"taken\": \"2026-12-10T02:10:00Z\",", "");
    const porv::BackupReadResult read = porv::BackupFromJson(untimed, QStringLiteral("untimed.qx4b"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_FALSE(read.backup->taken.isValid());
    const porv::BackupReadResult again = porv::BackupFromJson(porv::BackupToJson(*read.backup), QStringLiteral("again.qx4b"));
    EXPECT_TRUE(again.ok()) << again.error.toStdString();
}
