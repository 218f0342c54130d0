#include "udptransport.h"

#include <QDir>
#include <QHostInfo>
#include <QLockFile>
#include <QNetworkDatagram>
#include <QSysInfo>
#include <QVariant>

namespace porv {

QHostAddress ResolveUnitAddress(const QString &unit)
{
    const QString name = unit.trimmed();
    QHostAddress direct;
    if (direct.setAddress(name))
        return direct;
    if (name.isEmpty())
        return QHostAddress();
    const QHostInfo info = QHostInfo::fromName(name);
    for (const QHostAddress &a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a;
    return QHostAddress();
}

namespace {

// Who holds the port's lock, as the lock file records it (the program's name,
// its process, its host): "porv-cli (process 4711) is using the WiFi port".
QString PortHolderText(const QLockFile &lock)
{
    qint64 pid = 0;
    QString host, program;
    if (!lock.getLockInfo(&pid, &host, &program))
        return QStringLiteral("another copy of porv-pro or porv-cli is using the WiFi port");
    QString process = QStringLiteral("process %1").arg(pid);
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        process += QStringLiteral(" on ") + host;
    return QStringLiteral("%1 (%2) is using the WiFi port")
        .arg(program.isEmpty() ? QStringLiteral("another program") : program, process);
}

} // namespace

UdpTransport::UdpTransport(QObject *parent) : Transport(parent) {}

namespace {

// All interfaces, as the unit expects; the test suite names a loopback
// address of its own in PORV_TEST_UDP_ADDRESS, so that its units' replies
// reach the test and a copy of the tool in use on the same machine keeps
// its own unit's replies.
QHostAddress LocalAddress()
{
    QHostAddress local;
    if (local.setAddress(qEnvironmentVariable("PORV_TEST_UDP_ADDRESS")) &&
        local.protocol() == QAbstractSocket::IPv4Protocol && local.isLoopback())
        return local;
    return QHostAddress(QHostAddress::AnyIPv4);
}

} // namespace

UdpTransport::~UdpTransport() = default;

bool UdpTransport::open(const QString &unit)
{
    close();
    auto lock = std::make_unique<QLockFile>(
        QDir(QDir::tempPath()).filePath(QStringLiteral("porv-pro-udp%1.lock").arg(m_localPort)));
    // Held for as long as the link is open, however long that is; a lock left
    // by a copy that ended without releasing it is taken over. Only another
    // copy's lock refuses the link: a temporary folder that cannot be written
    // leaves the link usable, unguarded.
    lock->setStaleLockTime(0);
    m_openProblem.clear();
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError) {
            m_openProblem = PortHolderText(*lock);
            return false;
        }
        lock.reset();
    }
    auto *socket = new QUdpSocket(this);
    if (!socket->bind(LocalAddress(), m_localPort,
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        m_openProblem = QStringLiteral("The WiFi port (UDP %1) could not be opened: %2").arg(m_localPort).arg(socket->errorString());
        delete socket;
        return false;
    }
    m_portLock = std::move(lock);
    // Room for a whole dump burst while the window is busy.
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(4 * 1024 * 1024));
    m_socket = socket;
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpTransport::drain);

    m_remote = ResolveUnitAddress(unit);
    return true;
}

void UdpTransport::write(const QByteArray &text)
{
    if (!m_socket || m_remote.isNull())
        return;
    m_socket->writeDatagram(text, m_remote, m_remotePort);
}

void UdpTransport::close()
{
    if (!m_socket)
        return;
    m_socket->close();
    m_socket->deleteLater();
    m_socket = nullptr;
    m_waiting.clear();
    m_portLock.reset();
}

bool UdpTransport::fromUnit(const QHostAddress &sender) const
{
    // Compared with the address the unit was resolved to, not with the
    // remembered text: a unit remembered by its host name must still be heard
    // (its datagrams carry the dotted address, never the name).
    if (m_remote.isNull())
        return false;
    return sender.isEqual(m_remote, QHostAddress::ConvertV4MappedToIPv4);
}

void UdpTransport::drain()
{
    if (!m_socket)
        return;
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket->receiveDatagram();
        if (!d.isValid() || !fromUnit(d.senderAddress()))
            continue;
        m_waiting += d.data();
    }
    if (m_waiting.size() > MaxQueued)
        m_waiting.remove(0, m_waiting.size() - MaxQueued);
}

bool UdpTransport::Poll()
{
    if (!m_socket)
        return false;
    drain();
    if (m_waiting.isEmpty())
        return false;
    const QByteArray collected = m_waiting;
    m_waiting.clear();
    emit received(collected);
    return true;
}

} // namespace porv
