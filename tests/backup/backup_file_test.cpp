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

porv::UnitBackup sample()
{
    porv::UnitBackup b;
    b.modelLine = "Portavel_1000_Qx4";
    b.memoryLimit = 0x9000;
    b.connection = QStringLiteral("udp 127.0.0.2");
    b.taken = QDateTime(QDate(2026, 12, 10), QTime(2, 10), Qt::UTC);
    b.clock = QByteArray("2026-12-10 02:09:58");
    b.directory = QList<porv::BackupRecord>{{"1000", "SMITH J", "204", "0123456789p1", "1234", "", ""},
                                            {"1020", "M\xDCLLER, A", "7", "*12#", "", "99", "1"}};
    QByteArray image(467, '\0');
    image.replace(0, 5, QByteArray("\x04" "1234", 5));
    b.parameters = image;
    porv::ParameterBlocks blocks;
    for (const porv::ParameterBlockLayout &layout : porv::BackedUpParameterBlocks())
        blocks.insert(layout.block, QByteArray(layout.length, layout.message ? char(0xFF) : '?'));
    b.parameterBlocks = blocks;
    b.access = porv::AccessCodes{{"1234", "", "", ""}, {"12345678", "", "", ""}};
    b.tags = QList<porv::BackupTag>{{"204", "0A1B2C3D4E"}};
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
      "version": 1,
      "taken": "2026-12-10T02:10:00Z",
      "unit": { "modelLine": "Portavel_1000_Qx4", "memoryLimit": "9000", "connection": "udp 127.0.0.2",
                "clock": "2026-12-10 02:09:58" },
      "directory": [
        { "addr": "1000", "name": "SMITH J", "room": "204", "phone": "0123456789p1", "code1": "1234", "code2": "",
          "spare": "" },
        { "addr": "1020", "name": "M\u00dcLLER, A", "room": "7", "phone": "*12#", "code1": "", "code2": "99",
          "spare": "1" } ],
      "access": { "pins": ["1234", "", "", ""], "emergency": ["12345678", "", "", ""] },
      "tags": [ { "room": "204", "code": "0A1B2C3D4E" } ],
      "events": [ "0001,0020000F0F0F190C1A0E051E,1,0,00,SMITH J         " ]
    })").object();
    expected.insert(QStringLiteral("parameters"), QStringLiteral("0431323334") + QString(924, QLatin1Char('0')));
    QJsonObject blocks;
    for (const char *block : {"0000", "0001", "0005", "0008", "0009"})
        blocks.insert(QLatin1String(block), blocksNibbles);
    blocks.insert(QStringLiteral("0002"), QString(16, QLatin1Char('?')));
    for (const char *block : {"0012", "0013", "0014", "0015"})
        blocks.insert(QLatin1String(block), blocksMessage);
    expected.insert(QStringLiteral("parameterBlocks"), blocks);
    EXPECT_EQ(QJsonDocument::fromJson(json).object(), expected) << json.toStdString();

    // Every byte comes back as it went out.
    const porv::BackupReadResult read = porv::BackupFromJson(json, QStringLiteral("sample.qx4b"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.backup->directory, b.directory);
    EXPECT_EQ(read.backup->parameters, b.parameters);
    EXPECT_EQ(read.backup->parameterBlocks, b.parameterBlocks);
    EXPECT_EQ(read.backup->access->emergency, b.access->emergency);
    EXPECT_EQ(read.backup->tags, b.tags);
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

TEST(BackupFile, RefusesFilesCutShortOfAnotherFormatOrVersionOrDamaged)
{
    struct Case {
        QString file;
        QString says;
    };
    for (const Case &c : {Case{fixture("cut-short.qx4b"), QStringLiteral("is damaged or cut short")},
                          Case{fixture("other-format.qx4b"), QStringLiteral("its format is \"qx4-unit-state 1\"")},
                          Case{fixture("newer-version.qx4b"), QStringLiteral("newer porv-pro (backup version 2)")},
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
             Damage{"\"version\": 1", "\"version\": \"1\"", QStringLiteral("version is not a whole number")},
             Damage{"\"addr\": \"1020\"", "\"addr\": \"10200\"", QStringLiteral("\"directory[1].addr\" is not four")},
             Damage{"\"addr\": \"1020\"", "\"addr\": \"1000\"", QStringLiteral("repeats the address 1000")},
             Damage{"\"room\": \"7\"", "\"room\": 7", QStringLiteral("\"directory[1].room\" is not a text")},
             Damage{"\"name\": \"SMITH J\"", "\"name\": \"SMITH J \\u20ac\"", QStringLiteral("no byte (U+20ac)")},
             Damage{"\"name\": \"SMITH J\"", "\"name\": \"SMITH JOHN ALEXANDER\"", QStringLiteral("longer than 16")},
             Damage{"\"parameters\": \"04", "\"parameters\": \"4", QStringLiteral("is not 934 hexadecimal digits")},
             Damage{"\"0013\": \"", "\"0013\": \"\\r", QStringLiteral("\"parameterBlocks.0013\" is not 32 message")},
             Damage{"\"1234\",\n", "", QStringLiteral("\"access.pins\" does not hold 4 entries")},
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
