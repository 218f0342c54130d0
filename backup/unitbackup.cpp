#include "unitbackup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <cctype>
#include <cmath>

#include "backupformat.h"
#include "directorytable.h"
#include "tagcodes.h"
#include "unitmemory.h"
#include "failures.h"
#include "savefile.h"

namespace porv {

bool BackupRecord::operator==(const BackupRecord &o) const
{
    return addr == o.addr && name == o.name && room == o.room && phone == o.phone && code1 == o.code1
        && code2 == o.code2 && spare == o.spare && line == o.line;
}

const QList<ParameterBlockLayout> &ParameterBlockLayouts()
{
    static const QList<ParameterBlockLayout> blocks = {
        {"0001", 64, false}, {"0012", 32, true},  {"0013", 32, true},  {"0014", 32, true},
        {"0015", 32, true},  {"0008", 64, false}, {"0009", 64, false}, {"0005", 64, false},
        {"0002", 64, false}, {"0004", 64, false}, {"0006", 64, false}, {"0007", 64, false},
        {"0010", 64, false}, {"0011", 64, false}, {"0000", 64, false}, {"0003", 64, false},
    };
    return blocks;
}

const ParameterBlockLayout *FindParameterBlock(const QByteArray &block)
{
    for (const ParameterBlockLayout &layout : ParameterBlockLayouts())
        if (block == layout.block)
            return &layout;
    return nullptr;
}

const QList<ParameterBlockLayout> &Version1ParameterBlocks()
{
    static const QList<ParameterBlockLayout> blocks = {
        {"0001", 64, false}, {"0012", 32, true}, {"0013", 32, true}, {"0014", 32, true}, {"0015", 32, true},
        {"0008", 64, false}, {"0009", 64, false}, {"0005", 64, false}, {"0002", 16, false}, {"0000", 64, false},
    };
    return blocks;
}

bool ParameterBlockDataValid(const ParameterBlockLayout &layout, const QByteArray &data)
{
    if (layout.message)
        return data.size() == layout.length;
    const bool divertTimes = qstrcmp(layout.block, "0002") == 0 && data.size() == 16;
    if (data.size() != layout.length && !divertTimes)
        return false;
    for (char c : data)
        if (c < '0' || c > '?')
            return false;
    return true;
}

QString BackupFileExtension() { return QStringLiteral("qx4b"); }
QString BackupFileFilter() { return QStringLiteral("Unit backup (*.qx4b)|*.qx4b|All Files (*.*)|*.*"); }

namespace {

using namespace backupformat;

QJsonValue bytes(const QByteArray &b) { return QString::fromLatin1(b); }

QJsonArray byteArray(const QList<QByteArray> &list)
{
    QJsonArray a;
    for (const QByteArray &b : list)
        a.append(bytes(b));
    return a;
}

// Blocks by number, each its characters as read; null when not read.
QJsonValue blockObject(const std::optional<ParameterBlocks> &blocks)
{
    if (!blocks)
        return QJsonValue();
    QJsonObject o;
    for (auto it = blocks->cbegin(); it != blocks->cend(); ++it)
        o.insert(QString::fromLatin1(it.key()), bytes(it.value()));
    return o;
}

} // namespace

QByteArray BackupToJson(const UnitBackup &backup)
{
    QJsonObject unit;
    unit.insert(QStringLiteral("modelLine"), bytes(backup.modelLine));
    if (backup.memoryLimit >= 0)
        unit.insert(QStringLiteral("memoryLimit"), QString::fromLatin1(DirectoryAddress(backup.memoryLimit)));
    unit.insert(QStringLiteral("connection"), backup.connection);
    unit.insert(QStringLiteral("clock"), backup.clock ? bytes(*backup.clock) : QJsonValue());

    QJsonObject doc;
    doc.insert(QStringLiteral("format"), QString::fromLatin1(kBackupFormat));
    doc.insert(QStringLiteral("version"), kBackupVersion);
    // A backup read from a file that did not say when it was taken says so again.
    doc.insert(QStringLiteral("taken"), backup.taken.isValid() ? QJsonValue(backup.taken.toUTC().toString(Qt::ISODate))
                                                               : QJsonValue());
    doc.insert(QStringLiteral("unit"), unit);

    if (!backup.directory) {
        doc.insert(QStringLiteral("directory"), QJsonValue());
    } else {
        QJsonArray records;
        for (const BackupRecord &r : *backup.directory) {
            QJsonObject o;
            o.insert(QStringLiteral("addr"), bytes(r.addr));
            for (const RecordMember &m : kRecordMembers)
                o.insert(QLatin1String(m.key), bytes(r.*m.field));
            if (!r.line.isEmpty())
                o.insert(QStringLiteral("line"), bytes(r.line));
            records.append(o);
        }
        doc.insert(QStringLiteral("directory"), records);
    }
    doc.insert(QStringLiteral("parameters"),
               backup.parameters ? QJsonValue(QString::fromLatin1(backup.parameters->toHex().toUpper())) : QJsonValue());
    doc.insert(QStringLiteral("parameterBlocks"), blockObject(backup.parameterBlocks));
    if (backup.access) {
        QJsonObject access;
        access.insert(QStringLiteral("pins"), byteArray(backup.access->pins));
        access.insert(QStringLiteral("emergency"), byteArray(backup.access->emergency));
        doc.insert(QStringLiteral("access"), access);
    } else {
        doc.insert(QStringLiteral("access"), QJsonValue());
    }
    if (backup.tags) {
        QJsonArray tags;
        for (const BackupTag &t : *backup.tags)
            tags.append(QJsonObject{{QStringLiteral("room"), bytes(t.room)}, {QStringLiteral("code"), bytes(t.code)}});
        doc.insert(QStringLiteral("tags"), tags);
    } else {
        doc.insert(QStringLiteral("tags"), QJsonValue());
    }
    doc.insert(QStringLiteral("tagBlocks"), blockObject(backup.tagBlocks));
    doc.insert(QStringLiteral("events"), backup.events ? QJsonValue(byteArray(*backup.events)) : QJsonValue());
    return QJsonDocument(doc).toJson(QJsonDocument::Indented);
}

void SaveBackupFile(const UnitBackup &backup, const QString &path)
{
    SaveOptions options;
    options.ownerOnly = true;
    SaveFileWhole(path, BackupToJson(backup), options);
}

} // namespace porv
