#include "pgserver.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <pwd.h>
#include <unistd.h>

namespace porv::test {

namespace {

// Every wait below ends when its process ends; the cap only keeps a wedged
// server from holding the suite for ever.
constexpr int kProcessCapMs = 180000;
const char kAdminConnection[] = "porv-test-pg-admin";

// The newest server installed: /usr/lib/postgresql/<version>/bin.
QString serverPrograms()
{
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), [&](const QString &a, const QString &b) { return numeric.compare(a, b) > 0; });
    for (const QString &v : versions) {
        const QString bin = root.filePath(v + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return QString();
}

} // namespace

PgServer::~PgServer()
{
    QString why;
    if (m_running)
        Stop(why);
    QSqlDatabase::removeDatabase(QLatin1String(kAdminConnection));
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
}

bool PgServer::run(const QString &program, const QStringList &arguments, QString &why)
{
    QProcess p;
    QStringList args = arguments;
    QString exe = m_bin + QLatin1Char('/') + program;
    if (m_asPostgres) {
        args.prepend(exe);
        args.prepend(QStringLiteral("--"));
        args.prepend(QStringLiteral("postgres"));
        args.prepend(QStringLiteral("-u"));
        exe = QStringLiteral("runuser");
    }
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_folder);
    p.start(exe, args);
    if (!p.waitForStarted(kProcessCapMs)) {
        why = QStringLiteral("%1 did not start: %2").arg(exe, p.errorString());
        return false;
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(kProcessCapMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        why = QStringLiteral("%1 %2 failed: %3").arg(program, arguments.value(0), QString::fromLocal8Bit(p.readAll()).trimmed());
        return false;
    }
    return true;
}

bool PgServer::Start(QString &why)
{
    m_bin = serverPrograms();
    if (m_bin.isEmpty()) {
        why = QStringLiteral("no PostgreSQL server is installed (/usr/lib/postgresql/<version>/bin; scripts/deps.sh installs "
                             "the package postgresql)");
        return false;
    }
    // Under root the server runs as "postgres", which cannot enter the
    // tests' private temporary folder: its folder is a new one of its own in /tmp.
    m_asPostgres = geteuid() == 0;
    const passwd *pg = m_asPostgres ? getpwnam("postgres") : nullptr;
    if (m_asPostgres && !pg) {
        why = QStringLiteral("the tests run as root and there is no system user \"postgres\" to run the server");
        return false;
    }
    const QByteArray base = m_asPostgres ? QByteArray("/tmp") : QFile::encodeName(QDir::tempPath());
    QByteArray pattern = base + "/porv-pg-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        why = QStringLiteral("no temporary folder for the server");
        return false;
    }
    m_folder = QFile::decodeName(pattern);
    QDir().mkdir(SocketFolder());
    if (m_asPostgres) {
        for (const QString &path : {m_folder, SocketFolder()}) {
            if (chown(QFile::encodeName(path).constData(), pg->pw_uid, pg->pw_gid) != 0) {
                why = QStringLiteral("the server's folder cannot be given to \"postgres\"");
                return false;
            }
        }
    }
    if (!run(QStringLiteral("initdb"),
             {QStringLiteral("-D"), DataFolder(), QStringLiteral("-U"), User(), QStringLiteral("-A"), QStringLiteral("trust"),
              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
             why))
        return false;
    return Resume(why);
}

bool PgServer::Resume(QString &why)
{
    const QString options = QStringLiteral("-c listen_addresses='' -k %1 -c fsync=off -c synchronous_commit=off "
                                           "-c full_page_writes=off -c max_connections=40")
                                .arg(SocketFolder());
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("start"), QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("120"), QStringLiteral("-D"),
              DataFolder(), QStringLiteral("-l"), m_folder + QStringLiteral("/server.log"), QStringLiteral("-o"), options},
             why))
        return false;
    m_running = true;
    return true;
}

bool PgServer::Stop(QString &why)
{
    {
        QSqlDatabase admin = QSqlDatabase::database(QLatin1String(kAdminConnection), false);
        if (admin.isValid())
            admin.close();
    }
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("stop"), QStringLiteral("-w"), QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-D"),
              DataFolder()},
             why))
        return false;
    m_running = false;
    return true;
}

QString PgServer::Url(const QString &database) const
{
    return QStringLiteral("postgresql://%1@%2/%3")
        .arg(User(), QString::fromLatin1(SocketFolder().toUtf8().toPercentEncoding()), database);
}

bool PgServer::CreateDatabase(const QString &name, QString &why)
{
    QSqlDatabase admin = QSqlDatabase::database(QLatin1String(kAdminConnection), false);
    if (!admin.isValid()) {
        admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QLatin1String(kAdminConnection));
        admin.setHostName(SocketFolder());
        admin.setUserName(User());
        admin.setDatabaseName(QStringLiteral("postgres"));
    }
    if (!admin.isOpen() && !admin.open()) {
        why = admin.lastError().text();
        return false;
    }
    QSqlQuery q(admin);
    if (!q.exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(name))) {
        why = q.lastError().text();
        return false;
    }
    return true;
}

} // namespace porv::test
