#include "backupstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <tuple>

#include "failures.h"
#include "savefile.h"

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

// An automatic backup's name: the unit (model and connection), the time, and
// a second in the same second.
const QRegularExpression &backupName()
{
    static const QRegularExpression name(QStringLiteral("^(.+)_(\\d{8}-\\d{6})Z(?:-(\\d+))?\\.qx4b$"));
    return name;
}

// The file names the index lists, in the order written.
QStringList readIndex(const QString &folder)
{
    QStringList names;
    QFile file(folder + QLatin1Char('/') + QLatin1String(kBackupStoreIndex));
    if (!file.open(QIODevice::ReadOnly))
        return names;
    for (const QByteArray &raw : file.read(4 * 1024 * 1024).split('\n')) {
        const QString name = QString::fromUtf8(raw.trimmed());
        // A name only, inside the folder: nothing the index says reaches elsewhere.
        if (!name.isEmpty() && !name.startsWith(QLatin1Char('#')) && !name.contains(QLatin1Char('/'))
            && backupName().match(name).hasMatch() && !names.contains(name))
            names.append(name);
    }
    return names;
}

void writeIndex(const QString &folder, const QStringList &names)
{
    QByteArray text = "# The automatic backups porv-pro and porv-cli wrote here; only these are ever removed.\n";
    for (const QString &name : names)
        text += name.toUtf8() + '\n';
    SaveFileWhole(folder + QLatin1Char('/') + QLatin1String(kBackupStoreIndex), text, {true, QString()});
}

} // namespace

QString BackupStoreFolder()
{
    // The window's data folder, whichever program takes the backup: porv-cli's
    // automatic backups sit beside the window's.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/porv-pro/backups");
}

QString AutomaticBackupName(const UnitIdentity &unit, const QDateTime &taken)
{
    QString model = fileSafe(QString::fromLatin1(unit.modelLine));
    QString where = fileSafe(whereOf(unit.connection));
    return QStringLiteral("%1_%2_%3Z.qx4b")
        .arg(model.isEmpty() ? QStringLiteral("unit") : model, where.isEmpty() ? QStringLiteral("link") : where,
             taken.toUTC().toString(kTimeFormat));
}

QString BackupStoreProblem()
{
    const QString folder = BackupStoreFolder();
    if (folder.isEmpty())
        return QStringLiteral("The system names no data folder for the automatic backups (set XDG_DATA_HOME or HOME).");
    if (!QDir().mkpath(folder))
        return QStringLiteral("Cannot create the folder \"%1\".").arg(folder);
    // The backups hold the PINs.
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!QFileInfo(folder).isWritable())
        return QStringLiteral("Cannot write in the folder \"%1\".").arg(folder);
    return QString();
}

QStringList PruneBackupStore(const QString &folder, int keep)
{
    struct Entry {
        QString time;
        int sequence;
        QString name;
    };
    QHash<QString, QList<Entry>> units;
    QStringList listed;
    for (const QString &name : readIndex(folder)) {
        if (!QFileInfo(folder + QLatin1Char('/') + name).isFile())
            continue; // gone: no longer listed
        const QRegularExpressionMatch m = backupName().match(name);
        units[m.captured(1)].append({m.captured(2), m.captured(3).toInt(), name});
        listed.append(name);
    }
    QStringList removed;
    for (QList<Entry> &entries : units) {
        std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
            return std::tie(a.time, a.sequence, a.name) > std::tie(b.time, b.sequence, b.name);
        });
        for (qsizetype i = std::max(1, keep); i < entries.size(); ++i) {
            const QString path = folder + QLatin1Char('/') + entries.at(i).name;
            if (QFile::remove(path)) {
                removed.append(path);
                listed.removeOne(entries.at(i).name);
            }
        }
    }
    try {
        writeIndex(folder, listed);
    } catch (const FileError &) {
        // The files are as they were; the next save tries again.
    }
    return removed;
}

namespace {
AutomaticBackupKeeper &keeper()
{
    static AutomaticBackupKeeper kept;
    return kept;
}
} // namespace

void SetAutomaticBackupKeeper(AutomaticBackupKeeper k) { keeper() = std::move(k); }

namespace {
BackupTakenHook &takenHook()
{
    static BackupTakenHook hook;
    return hook;
}
} // namespace

void SetBackupTakenHook(BackupTakenHook hook) { takenHook() = std::move(hook); }

void BackupTaken(const UnitBackup &backup)
{
    if (takenHook())
        takenHook()(backup);
}

AutomaticBackup SaveAutomaticBackup(const UnitBackup &backup, const UnitIdentity &unit)
{
    if (keeper())
        if (std::optional<AutomaticBackup> kept = keeper()(backup, unit))
            return *kept;
    AutomaticBackup result;
    // What was read serves the caller even when the store cannot keep it.
    result.backup = backup;
    result.folder = BackupStoreFolder();
    result.error = BackupStoreProblem();
    if (!result.error.isEmpty()) {
        result.storeProblem = true;
        return result;
    }
    const QString folder = result.folder;
    // One program at a time adds to the index and prunes.
    QLockFile lock(folder + QStringLiteral("/automatic-backups.lock"));
    const bool locked = lock.tryLock(10000);
    const QString name = AutomaticBackupName(unit, backup.taken);
    QString path = folder + QLatin1Char('/') + name;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder + QLatin1Char('/') + QString(name).replace(QStringLiteral("Z.qx4b"), QStringLiteral("Z-%1.qx4b").arg(n));
    try {
        SaveBackupFile(backup, path);
    } catch (const FileError &e) {
        result.error = e.message();
        result.storeProblem = true;
        return result;
    }
    result.path = path;
    if (!locked)
        return result; // kept, but not listed: never removed
    QStringList names = readIndex(folder);
    names.append(QFileInfo(path).fileName());
    try {
        writeIndex(folder, names);
    } catch (const FileError &) {
        return result;
    }
    result.removed = PruneBackupStore(folder);
    return result;
}

AutomaticBackup TakeAutomaticBackup(Link &link, ShellServices &shell, const UnitIdentity &unit,
                                    const OperationHooks &hooks, const UnitReadOptions &options)
{
    const UnitReadResult read = ReadWholeUnit(link, shell, unit, options, hooks);
    if (!read.ok()) {
        AutomaticBackup result;
        result.folder = BackupStoreFolder();
        result.error = read.message();
        return result;
    }
    return SaveAutomaticBackup(*read.backup, unit);
}

} // namespace porv
