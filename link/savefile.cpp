#include "savefile.h"

#include "failures.h"

#include <QFile>
#include <QSaveFile>

namespace porv {

namespace {

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason)
{
    throw FileError(QStringLiteral("%1 \"%2\". %3").arg(what, path, reason));
}

} // namespace

void SaveFileWhole(const QString &path, const QByteArray &bytes, const SaveOptions &options)
{
    if (path.isEmpty())
        fail(QStringLiteral("Cannot create file"), path, QStringLiteral("No file name given."));
    QSaveFile file(path);
    // Unbuffered: a short write shows in write()'s count. Buffered, the bytes
    // would go out only inside commit(), which (Qt 6.4) then reports success
    // for a file cut short by a full disk and puts it in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(QStringLiteral("Cannot create file"), path, file.errorString());
    if (options.ownerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        fail(QStringLiteral("Cannot create file"), path, reason);
    }
    if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError || !file.commit()) {
        // The old file, if any, is left as it was: nothing partial replaces it.
        const QString reason = file.errorString();
        file.cancelWriting();
        if (!options.writeFailure.isEmpty())
            throw FileError(options.writeFailure);
        fail(QStringLiteral("Cannot write file"), path, reason);
    }
}

void AppendToFile(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        fail(QStringLiteral("Cannot open file"), path, QStringLiteral("No file name given."));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        fail(QStringLiteral("Cannot open file"), path, file.errorString());
    if (file.write(bytes) != bytes.size())
        fail(QStringLiteral("Cannot write file"), path, file.errorString());
    if (!file.flush())
        fail(QStringLiteral("Cannot write file"), path, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("Cannot write file"), path, file.errorString());
}

QByteArray ReadFileCapped(const QString &path, qint64 maxBytes)
{
    if (path.isEmpty())
        fail(QStringLiteral("Cannot open file"), path, QStringLiteral("No file name given."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot open file"), path, file.errorString());
    const QString tooLarge = QStringLiteral("The file is larger than %1 MiB; it is not read.")
                                 .arg(maxBytes / (1024 * 1024));
    if (!file.isSequential() && file.size() > maxBytes)
        fail(QStringLiteral("Cannot read file"), path, tooLarge);
    // Read one byte past the cap, so that a file that grows or reports no size
    // (a device, a pipe) is still refused rather than read without end.
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("Cannot read file"), path, file.errorString());
    if (bytes.size() > maxBytes)
        fail(QStringLiteral("Cannot read file"), path, tooLarge);
    return bytes;
}

} // namespace porv
