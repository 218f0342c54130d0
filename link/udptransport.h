#pragma once
// The network link ("WiFi"): the unit's command text in UDP datagrams to port
// 8000 at the unit's address, from a socket bound to all interfaces, port 8000.
// Datagrams are taken off the socket as soon as they arrive (so a burst never
// overflows the system's queue) and handed on by Poll, the 50 ms network poll,
// all of them in one `received` call; those from any other sender are dropped.
//
// The port is bound shared, so that a simulated unit can use the same port on
// another address of this machine. Two copies of the tool would then both
// bind it and only one would hear the unit: while the link is open it holds a
// lock file for its local port in the temporary folder, and a second copy
// cannot open its link. The test suite binds a loopback address of its own
// instead of all interfaces (PORV_TEST_UDP_ADDRESS), so that it runs beside a
// copy of the tool in use.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QUdpSocket>
#include <memory>

class QLockFile;

#include "transport.h"

namespace porv {

// The unit's address: a dotted address as it is, a host name by its first
// IPv4 address; null when it does not resolve.
QHostAddress ResolveUnitAddress(const QString &unit);

class UdpTransport : public Transport {
    Q_OBJECT
public:
    static constexpr quint16 UnitPort = 8000;
    // What waits between two polls at most; older datagrams are dropped
    // beyond it.
    static constexpr qsizetype MaxQueued = 16 * 1024 * 1024;

    explicit UdpTransport(QObject *parent = nullptr);
    ~UdpTransport() override;

    // Local port (8000; tests may choose another) and remote port.
    void setPorts(quint16 localPort, quint16 remotePort)
    {
        m_localPort = localPort;
        m_remotePort = remotePort;
    }

    // Binds 0.0.0.0 at the local port (shared, so that a unit on another
    // loopback address of the same machine can bind its own port 8000) and
    // aims at `unit`: a dotted address or a host name, resolved now. False
    // when the bind fails or another copy of the tool holds the local port.
    // An address that does not resolve leaves the link
    // open but aimed nowhere: nothing goes out and nothing is accepted.
    bool open(const QString &unit);
    QHostAddress remoteAddress() const { return m_remote; }
    // Why the last open failed, for the user: which program and process holds
    // the port ("porv-cli (process 4711) is using the WiFi port"), or the
    // bind's own reason. Empty after an open that worked.
    const QString &openProblem() const { return m_openProblem; }

    bool isOpen() const override { return m_socket != nullptr; }
    // Sends the text as one datagram to the unit.
    void write(const QByteArray &text) override;
    void close() override;

    // The network poll: hands every datagram from the unit that arrived since
    // the last poll to `received` in one call, in arrival order. Returns
    // whether anything was passed on.
    bool Poll();

private:
    void drain();
    bool fromUnit(const QHostAddress &sender) const;

    QUdpSocket *m_socket = nullptr;
    std::unique_ptr<QLockFile> m_portLock;
    QHostAddress m_remote;
    quint16 m_localPort = UnitPort;
    quint16 m_remotePort = UnitPort;
    QByteArray m_waiting;
    QString m_openProblem;
};

} // namespace porv
