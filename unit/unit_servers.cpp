#include "unit_servers.h"

#include "simulated_unit.h"

#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QUdpSocket>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace qx4 {

QList<QByteArray> splitForDatagrams(const QByteArray &chunk, const DatagramSplit &split)
{
    QList<QByteArray> out;
    auto cutBySize = [&out](const QByteArray &data, int size) {
        for (int i = 0; i < data.size(); i += size)
            out.append(data.mid(i, size));
    };
    switch (split.mode) {
    case DatagramSplit::Mode::Whole:
        cutBySize(chunk, DatagramSplit::kMaxDatagram);
        break;
    case DatagramSplit::Mode::Chunks:
        cutBySize(chunk, std::max(1, std::min(split.chunkBytes, int(DatagramSplit::kMaxDatagram))));
        break;
    case DatagramSplit::Mode::PerLine: {
        int from = 0;
        while (from < chunk.size()) {
            const int end = chunk.indexOf("\r\n", from);
            const int next = end < 0 ? chunk.size() : end + 2;
            cutBySize(chunk.mid(from, next - from), DatagramSplit::kMaxDatagram);
            from = next;
        }
        break;
    }
    }
    return out;
}

// --- UDP ------------------------------------------------------------------------

UdpUnitServer::UdpUnitServer(SimulatedUnit *unit, QObject *parent) : QObject(parent), m_unit(unit)
{
    connect(m_unit, &SimulatedUnit::send, this, &UdpUnitServer::sendChunk);
}

UdpUnitServer::~UdpUnitServer() { close(); }

bool UdpUnitServer::listen(const QHostAddress &address, quint16 port)
{
    close();
    m_socket = new QUdpSocket(this);
    if (!m_socket->bind(address, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        m_error = m_socket->errorString();
        delete m_socket;
        m_socket = nullptr;
        return false;
    }
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpUnitServer::readPending);
    return true;
}

void UdpUnitServer::close()
{
    if (m_socket) {
        m_socket->close();
        delete m_socket;
        m_socket = nullptr;
    }
}

QHostAddress UdpUnitServer::address() const { return m_socket ? m_socket->localAddress() : QHostAddress(); }

quint16 UdpUnitServer::port() const { return m_socket ? m_socket->localPort() : 0; }

void UdpUnitServer::readPending()
{
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(65536);
        if (!datagram.isValid())
            break;
        m_peer = datagram.senderAddress();
        m_peerPort = quint16(datagram.senderPort());
        m_unit->receive(datagram.data());
    }
}

void UdpUnitServer::sendChunk(const QByteArray &chunk)
{
    if (!m_socket || m_peer.isNull() || m_peerPort == 0)
        return;
    for (const QByteArray &payload : splitForDatagrams(chunk, m_split)) {
        if (m_socket->writeDatagram(payload, m_peer, m_peerPort) >= 0)
            ++m_sent;
    }
}

// --- pseudo-terminal -----------------------------------------------------------

PtyUnitServer::PtyUnitServer(SimulatedUnit *unit, QObject *parent) : QObject(parent), m_unit(unit)
{
    connect(m_unit, &SimulatedUnit::send, this, &PtyUnitServer::sendChunk);
}

PtyUnitServer::~PtyUnitServer() { close(); }

bool PtyUnitServer::open()
{
    close();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(master);
        return false;
    }
    const char *name = ::ptsname(master);
    if (!name) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(master);
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);

    // Raw bytes both ways: no echo, no line editing, no CR/LF translation.
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios tio;
        if (::tcgetattr(slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave, TCSANOW, &tio);
        }
    }
    termios mtio;
    if (::tcgetattr(master, &mtio) == 0) {
        ::cfmakeraw(&mtio);
        ::tcsetattr(master, TCSANOW, &mtio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    m_master = master;
    m_slaveKeep = slave;

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyUnitServer::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyUnitServer::writePending);
    return true;
}

void PtyUnitServer::close()
{
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
    m_master = -1;
    m_slaveKeep = -1;
    m_pending.clear();
}

void PtyUnitServer::readMaster()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            m_unit->receive(QByteArray(buffer, int(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;    // EAGAIN: all read; EIO: nobody on the other side
    }
}

void PtyUnitServer::sendChunk(const QByteArray &chunk)
{
    if (m_master < 0)
        return;
    if (m_pending.size() + chunk.size() > kMaxPending)
        return;   // nobody reads: the line drops what does not fit
    m_pending += chunk;
    writePending();
}

void PtyUnitServer::writePending()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_pending.isEmpty());
}

} // namespace qx4
