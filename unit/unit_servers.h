#pragma once
// The simulated unit's two ends of a link: a UDP server (the unit's network
// port) and a pseudo-terminal (its serial port, with the modem if enabled).
#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

class QUdpSocket;
class QSocketNotifier;

namespace qx4 {

class SimulatedUnit;

// How a reply is cut into datagrams.
struct DatagramSplit {
    enum class Mode { Whole, PerLine, Chunks };
    Mode mode = Mode::Whole;
    int chunkBytes = 64;             // for Mode::Chunks
    // A "whole" reply larger than this still goes out in several datagrams.
    static constexpr int kMaxDatagram = 8192;
};

// Cuts one chunk of reply bytes into datagram payloads.
QList<QByteArray> splitForDatagrams(const QByteArray &chunk, const DatagramSplit &split);

class UdpUnitServer : public QObject {
    Q_OBJECT
public:
    explicit UdpUnitServer(SimulatedUnit *unit, QObject *parent = nullptr);
    ~UdpUnitServer() override;

    // Binds address:port (port 0 picks a free one) with ShareAddress and
    // ReuseAddressHint, so that the tool can bind 0.0.0.0 on the same port.
    bool listen(const QHostAddress &address, quint16 port = 8000);
    void close();
    QHostAddress address() const;
    quint16 port() const;
    QString errorString() const { return m_error; }

    void setSplit(const DatagramSplit &split) { m_split = split; }
    DatagramSplit split() const { return m_split; }

    // The sender of the last datagram, to whom replies go.
    QHostAddress peerAddress() const { return m_peer; }
    quint16 peerPort() const { return m_peerPort; }
    int datagramsSent() const { return m_sent; }

private slots:
    void readPending();
    void sendChunk(const QByteArray &chunk);

private:
    SimulatedUnit *m_unit;
    QUdpSocket *m_socket = nullptr;
    DatagramSplit m_split;
    QHostAddress m_peer;
    quint16 m_peerPort = 0;
    int m_sent = 0;
    QString m_error;
};

class PtyUnitServer : public QObject {
    Q_OBJECT
public:
    explicit PtyUnitServer(SimulatedUnit *unit, QObject *parent = nullptr);
    ~PtyUnitServer() override;

    // Opens a pseudo-terminal in raw mode; the tool opens slavePath().
    bool open();
    void close();
    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    QString errorString() const { return m_error; }

private slots:
    void readMaster();
    void writePending();
    void sendChunk(const QByteArray &chunk);

private:
    static constexpr int kMaxPending = 1 << 20;

    SimulatedUnit *m_unit;
    int m_master = -1;
    int m_slaveKeep = -1;            // held open so the master never sees a hang-up
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_pending;
    QString m_slavePath;
    QString m_error;
};

} // namespace qx4
