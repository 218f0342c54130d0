#include "pgserver.h"

#include <QCollator>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <QThread>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
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

// In the child, before the program starts: it ends when the tests end, and
// under root it is "postgres" (only system calls here: the parent has threads).
void PgServer::prepare(QProcess &process) const
{
    const bool drop = m_asPostgres;
    const uid_t uid = m_uid;
    const gid_t gid = m_gid;
    process.setChildProcessModifier([drop, uid, gid] {
        if (drop && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(126);
        // After the change of user, which clears it.
        prctl(PR_SET_PDEATHSIG, SIGINT);
    });
    process.setWorkingDirectory(m_folder);
}

bool PgServer::run(const QString &program, const QStringList &arguments, QString &why)
{
    QProcess p;
    const QString exe = m_bin + QLatin1Char('/') + program;
    prepare(p);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(exe, arguments);
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
    if (pg) {
        m_uid = pg->pw_uid;
        m_gid = pg->pw_gid;
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
    const QString pidFile = DataFolder() + QStringLiteral("/postmaster.pid");
    QFile::remove(pidFile); // a stale one (the server removes its own)
    m_server = std::make_unique<QProcess>();
    prepare(*m_server);
    m_server->setStandardOutputFile(m_folder + QStringLiteral("/server.log"), QIODevice::Append);
    m_server->setStandardErrorFile(m_folder + QStringLiteral("/server.log"), QIODevice::Append);
    m_server->start(m_bin + QStringLiteral("/postgres"),
                    {QStringLiteral("-D"), DataFolder(), QStringLiteral("-k"), SocketFolder(), QStringLiteral("-c"),
                     QStringLiteral("listen_addresses="), QStringLiteral("-c"), QStringLiteral("fsync=off"), QStringLiteral("-c"),
                     QStringLiteral("synchronous_commit=off"), QStringLiteral("-c"), QStringLiteral("full_page_writes=off"),
                     QStringLiteral("-c"), QStringLiteral("max_connections=40")});
    if (!m_server->waitForStarted(kProcessCapMs)) {
        why = QStringLiteral("the server did not start: %1").arg(m_server->errorString());
        return false;
    }
    // Ready when its pid file says so (the eighth line, as pg_ctl reads it).
    for (QElapsedTimer waited; !waited.isValid() || waited.elapsed() < kProcessCapMs; QThread::msleep(20)) {
        if (!waited.isValid())
            waited.start();
        if (m_server->state() == QProcess::NotRunning) {
            QFile log(m_folder + QStringLiteral("/server.log"));
            log.open(QIODevice::ReadOnly);
            why = QStringLiteral("the server ended at its start: %1").arg(QString::fromLocal8Bit(log.readAll().right(2000)));
            return false;
        }
        QFile pid(pidFile);
        if (pid.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> lines = pid.readAll().split('\n');
            if (lines.size() > 7 && lines[7].trimmed() == "ready") {
                m_running = true;
                return true;
            }
        }
    }
    why = QStringLiteral("the server was not ready in time");
    return false;
}

bool PgServer::Stop(QString &why)
{
    {
        QSqlDatabase admin = QSqlDatabase::database(QLatin1String(kAdminConnection), false);
        if (admin.isValid())
            admin.close();
    }
    // A fast shutdown: the clients are told, the server ends.
    ::kill(pid_t(m_server->processId()), SIGINT);
    if (!m_server->waitForFinished(kProcessCapMs)) {
        why = QStringLiteral("the server did not stop");
        return false;
    }
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
