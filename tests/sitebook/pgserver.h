#pragma once
// A real PostgreSQL server for the site book's tests: a new cluster made by
// initdb in a temporary folder, the server a child process of the tests that
// ends when they end, however they end (the parent-death signal), listening
// on a Unix socket in that folder only (no TCP), trusting its local users.
// The server refuses to run as root, so under root it runs as the system user
// "postgres" (from Debian's postgresql package), in a folder that user owns.
#include <QString>

#include <memory>
#include <sys/types.h>

#include <QProcess>

namespace porv::test {

class PgServer {
public:
    PgServer() = default;
    ~PgServer();
    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    // Makes the cluster and starts it; false with the reason when it cannot.
    bool Start(QString &why);
    bool Stop(QString &why);
    bool Resume(QString &why); // starts the stopped server again
    bool Running() const { return m_running; }

    QString SocketFolder() const { return m_folder + QStringLiteral("/socket"); }
    QString DataFolder() const { return m_folder + QStringLiteral("/data"); }
    static QString User() { return QStringLiteral("porv"); }
    // postgresql://porv@<socket folder, percent-encoded>/<database>
    QString Url(const QString &database) const;
    // A new, empty database.
    bool CreateDatabase(const QString &name, QString &why);

private:
    bool run(const QString &program, const QStringList &arguments, QString &why);
    void prepare(QProcess &process) const;

    QString m_bin;    // the server's programs
    QString m_folder; // data, socket and log
    bool m_asPostgres = false;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    std::unique_ptr<QProcess> m_server;
    bool m_running = false;
};

} // namespace porv::test
