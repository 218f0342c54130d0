#pragma once
// The link to one unit for porv-cli: the transport the command line chose, the
// log-on through the core log-on, the network poll (the window's Timer4) and
// the keep-alive (its Timer2), and the closing command "x" on every way out:
// at the end, after a failure, and on Ctrl+C.
#include <QObject>
#include <QTimer>

#include "commandline.h"
#include "link.h"
#include "session.h"

namespace porv::cli {

class CliShell;
class Interruption;

class UnitConnection : public QObject {
    Q_OBJECT
public:
    UnitConnection(const CliRequest &request, CliShell &shell, Interruption *interruption);
    // Closes the link.
    ~UnitConnection() override;

    // Opens the transport and logs on with the PIN, as the window's Log On
    // does. Throws Stop naming the log-on when the unit does not take it.
    void LogOn(const QByteArray &pin);

    // The unit's model line as the log-on read it (at most 20 bytes).
    const QByteArray &ModelLine() const { return m_modelLine; }

    Link &link() { return m_link; }
    Session &session() { return m_session; }

    // The link ended before the command did: the unit stopped answering the
    // keep-alive, or an interruption closed it.
    bool Lost() const { return m_lost; }
    // Sends "x" on each open transport and closes it.
    void Close();

private:
    void keepAliveSecond();

    const CliRequest &m_request;
    CliShell &m_shell;
    Interruption *m_interruption;
    Link m_link;
    Session m_session{m_link};
    QTimer m_poll;
    QTimer m_keepAlive;
    bool m_lost = false;
    QByteArray m_modelLine;
};

} // namespace porv::cli
