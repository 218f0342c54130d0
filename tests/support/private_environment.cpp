#include "private_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

namespace porv::test {

PrivateEnvironment::PrivateEnvironment(const char *name)
{
    // Made before any Qt application object exists, with the C library: the
    // folder the process was given (or /tmp), then a name nobody else holds.
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty() || !QFileInfo(QString::fromLocal8Bit(base)).isDir())
        base = "/tmp";
    QByteArray pattern = base + "/" + QFileInfo(QString::fromLocal8Bit(name)).fileName().toLocal8Bit() + ".XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("the test program's own folder");
        std::exit(2);
    }
    m_root = QString::fromLocal8Bit(pattern);
    const QDir root(m_root);
    const auto place = [&](const char *variable, const char *folder) {
        const QString path = root.filePath(QLatin1String(folder));
        if (!root.mkpath(QLatin1String(folder)) ||
            !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            std::fprintf(stderr, "cannot make %s\n", qPrintable(path));
            std::exit(2);
        }
        qputenv(variable, path.toLocal8Bit());
    };
    place("TMPDIR", "tmp");
    place("HOME", "home");
    place("XDG_DATA_HOME", "data");
    place("XDG_CONFIG_HOME", "config");
    place("XDG_CACHE_HOME", "cache");
    place("XDG_STATE_HOME", "state");
    place("XDG_RUNTIME_DIR", "runtime");
    qputenv("PORV_TEST_UDP_ADDRESS", ToolAddress);
}

PrivateEnvironment::~PrivateEnvironment()
{
    if (!m_root.isEmpty())
        QDir(m_root).removeRecursively();
}

} // namespace porv::test
