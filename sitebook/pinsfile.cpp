#include "pinsfile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStandardPaths>

#include <sys/stat.h>

#include <algorithm>

#include "failures.h"
#include "savefile.h"

#ifdef PORV_HAVE_KEYCHAIN
#include <QEventLoop>
#include <qt6keychain/keychain.h>
#endif

namespace porv {

namespace {

// A PIN file is a few lines; anything bigger is not one.
constexpr qint64 kMaxPinsFileBytes = 1024 * 1024;
// What the log-on accepts.
constexpr int kMaxPinLength = 16;

bool validPin(const QByteArray &pin)
{
    if (pin.isEmpty() || pin.size() > kMaxPinLength)
        return false;
    return std::all_of(pin.begin(), pin.end(), [](char c) { return uchar(c) >= 0x20 && uchar(c) != 0x7F; });
}

QString refusedPermissions(const QString &path, mode_t mode)
{
    return QStringLiteral("The PIN file %1 can be read or written by others than its owner (permissions %2): it is not "
                          "used. Make it its owner's alone: chmod 600 %1")
        .arg(path, QString::number(mode & 0777, 8).rightJustified(4, QLatin1Char('0')));
}

} // namespace

QString PinsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/porv-pro/pins");
}

PinLookup PinFromFile(const QString &label, const QString &path)
{
    PinLookup out;
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0)
        return out; // no file: no PIN from it
    if (!S_ISREG(st.st_mode)) {
        out.error = QStringLiteral("The PIN file %1 is not a file: it is not used.").arg(path);
        return out;
    }
    if (st.st_mode & (S_IRWXG | S_IRWXO)) {
        out.error = refusedPermissions(path, st.st_mode);
        return out;
    }
    QByteArray bytes;
    try {
        bytes = ReadFileCapped(path, kMaxPinsFileBytes);
    } catch (const FileError &e) {
        out.error = e.message();
        return out;
    }
    const QByteArray key = label.toUtf8();
    QList<int> malformed;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith('#'))
            continue;
        const int blank = std::max(line.lastIndexOf(' '), line.lastIndexOf('\t'));
        const QByteArray name = blank > 0 ? line.left(blank).trimmed() : QByteArray();
        const QByteArray pin = blank > 0 ? line.mid(blank + 1) : QByteArray();
        if (name.isEmpty() || pin.isEmpty()) {
            malformed.append(i + 1);
            continue;
        }
        if (name != key)
            continue;
        if (!validPin(pin)) {
            out.error = QStringLiteral("Line %1 of the PIN file %2 gives the unit \"%3\" a PIN of more than %4 characters "
                                       "or with a control character: it is not used.")
                            .arg(QString::number(i + 1), path, label, QString::number(kMaxPinLength));
            return out;
        }
        out.pin = pin;
        return out;
    }
    if (!malformed.isEmpty())
        out.error = QStringLiteral("The PIN file %1 has no PIN for the unit \"%2\", and %3 of its lines (the first: line %4) "
                                   "are not a label, a blank and a PIN.")
                        .arg(path, label, QString::number(malformed.size()), QString::number(malformed.first()));
    return out;
}

bool KeyringBuiltIn()
{
#ifdef PORV_HAVE_KEYCHAIN
    return true;
#else
    return false;
#endif
}

PinLookup PinFromKeyring(const QString &label)
{
    PinLookup out;
#ifdef PORV_HAVE_KEYCHAIN
    QKeychain::ReadPasswordJob job(QStringLiteral("porv-pro"));
    job.setAutoDelete(false);
    job.setKey(label);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    switch (job.error()) {
    case QKeychain::NoError: {
        const QByteArray pin = job.textData().toLatin1();
        if (validPin(pin))
            out.pin = pin;
        else
            out.error = QStringLiteral("The keyring's PIN for the unit \"%1\" is longer than %2 characters or holds a "
                                       "control character: it is not used.")
                            .arg(label, QString::number(kMaxPinLength));
        break;
    }
    case QKeychain::EntryNotFound:
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        break;
    default:
        out.error = QStringLiteral("The keyring could not be asked for the PIN of the unit \"%1\": %2")
                        .arg(label, job.errorString());
        break;
    }
#else
    Q_UNUSED(label);
#endif
    return out;
}

bool KeyringReachable()
{
    // The keyrings QtKeychain asks on this system answer on the session bus;
    // without one (a cron job, a shell over ssh) there is nobody to ask, and
    // asking only ends in an error that names no cause.
    if (!KeyringBuiltIn())
        return false;
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

PinLookup LookUpPin(const QString &label)
{
    // A file that is refused is said, not passed over for the keyring.
    PinLookup fromFile = PinFromFile(label);
    if (fromFile.found() || !fromFile.error.isEmpty() || !KeyringReachable())
        return fromFile;
    return PinFromKeyring(label);
}

} // namespace porv
