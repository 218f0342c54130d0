#include "backupstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <tuple>

#include "failures.h"

namespace porv {

namespace {

const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");

// Letters, digits, "." and "-"; anything else one "_"; no "_" at either end.
QString fileSafe(const QString &text)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9.-]+"));
    QString s = text;
    s.replace(unsafe, QStringLiteral("_"));
    while (s.startsWith(QLatin1Char('_')))
        s.remove(0, 1);
    while (s.endsWith(QLatin1Char('_')))
        s.chop(1);
    return s.left(40);
}

// The address or port of a connection text: "udp 127.0.0.2" -> "127.0.0.2",
// "serial /dev/ttyUSB0" -> "ttyUSB0".
QString whereOf(const QString &connection)
{
    QString where = connection.section(QLatin1Char(' '), 1);
    if (where.isEmpty())
        where = connection;
    return where.section(QLatin1Char('/'), -1);
}

const QRegularExpression &backupName()
{
    static const QRegularExpression name(QStringLiteral("^.+_(\\d{8}-\\d{6})Z(?:-(\\d+))?\\.qx4b$"));
    return name;
}

} // namespace

QString BackupStoreFolder()
{
    // The window's data folder, whichever program takes the backup: porv-cli's
    // automatic backups sit beside the window's.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/porv-pro/backups");
}

QString AutomaticBackupName(const UnitIdentity &unit, const QDateTime &taken)
{
    QString model = fileSafe(QString::fromLatin1(unit.modelLine));
    QString where = fileSafe(whereOf(unit.connection));
    return QStringLiteral("%1_%2_%3Z.qx4b")
        .arg(model.isEmpty() ? QStringLiteral("unit") : model, where.isEmpty() ? QStringLiteral("link") : where,
             taken.toUTC().toString(kTimeFormat));
}

QStringList PruneBackupStore(const QString &folder, int keep)
{
    struct Entry {
        QString time;
        int sequence;
        QString path;
    };
    QList<Entry> entries;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.qx4b")}, QDir::Files);
    for (const QFileInfo &file : files) {
        const QRegularExpressionMatch m = backupName().match(file.fileName());
        if (m.hasMatch())
            entries.append({m.captured(1), m.captured(2).toInt(), file.absoluteFilePath()});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return std::tie(a.time, a.sequence, a.path) > std::tie(b.time, b.sequence, b.path);
    });
    QStringList removed;
    for (qsizetype i = std::max(0, keep); i < entries.size(); ++i)
        if (QFile::remove(entries.at(i).path))
            removed.append(entries.at(i).path);
    return removed;
}

AutomaticBackup TakeAutomaticBackup(Link &link, ShellServices &shell, const UnitIdentity &unit,
                                    const ProgressCallback &progress, const UnitReadOptions &options)
{
    AutomaticBackup result;
    const UnitReadResult read = ReadWholeUnit(link, shell, unit, options, progress);
    if (!read.ok()) {
        result.error = read.message();
        return result;
    }
    return StoreAutomaticBackup(*read.backup, unit);
}

AutomaticBackup StoreAutomaticBackup(const UnitBackup &backup, const UnitIdentity &unit)
{
    AutomaticBackup result;
    result.backup = backup;
    const QString folder = BackupStoreFolder();
    if (!QDir().mkpath(folder)) {
        result.error = QStringLiteral("Cannot create the folder \"%1\".").arg(folder);
        return result;
    }
    // The backups hold the PINs.
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QString path = folder + QLatin1Char('/') + AutomaticBackupName(unit, backup.taken);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder + QLatin1Char('/')
             + AutomaticBackupName(unit, backup.taken).replace(QStringLiteral("Z.qx4b"),
                                                               QStringLiteral("Z-%1.qx4b").arg(n));
    try {
        SaveBackupFile(backup, path);
    } catch (const FileError &e) {
        result.error = e.message();
        return result;
    }
    result.path = path;
    result.removed = PruneBackupStore(folder);
    return result;
}

} // namespace porv
