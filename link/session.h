#pragma once
// The connection: which transport is chosen, opening it for a log-on, the
// modem reset, the keep-alive, the model table and the remembered details.
// No widgets: the log-on itself (logon.h) and the window build on these.
#include <QByteArray>
#include <QObject>
#include <QString>

#include "remembered.h"

namespace porv {

class Link;
class SerialTransport;
class UdpTransport;

// One line of the model table.
struct UnitModel {
    const char *modelLine; // the unit's model line, compared exactly
    int memoryLimit;       // top directory address of the model
    const char *title;     // the window title while connected to it
};

class Session : public QObject {
    Q_OBJECT
public:
    static constexpr int FirstMemoryLimit = 0x9000;

    explicit Session(Link &link, QObject *parent = nullptr);
    ~Session() override;

    Link &link() const { return m_link; }
    SerialTransport &serial() const { return *m_serial; }
    UdpTransport &network() const { return *m_network; }

    // --- connection state --------------------------------------------------
    bool LogOnAbort = false;
    int MemoryLimit = FirstMemoryLimit;
    // The unit's network address for the log-on in progress: what IP_addr
    // held when the log-on dialog was confirmed.
    QByteArray LogOnAddress;
    bool NetworkSelected = false;
    QString DetailsFileName = QStringLiteral("Porvdata.ini");
    // The program's copy of the record, read at start-up and on File New: its
    // network flag and port name preselect the transport.
    RememberedDetails Remembered;

    bool NetworkOpen() const;
    bool SerialOpen() const;
    // The chosen serial port (its full name).
    void SetSerialPortName(const QString &name);
    QString SerialPortName() const;
    // 9600 baud through a modem, 57600 otherwise.
    void SetBaudForRemote(bool remote);

    // --- the model table ---------------------------------------------------
    static const UnitModel *FindModel(const QByteArray &modelLine);
    // The title before any model is recognised.
    static QString GenericTitle();
    // Sets MemoryLimit from the model line (0 when it matches no model) and
    // returns the model, or nullptr.
    const UnitModel *ApplyModelLine(const QByteArray &modelLine);

    // --- operations ----------------------------------------------------------
    // Reads the details file into Remembered and selects its transport; the
    // result is "WiFi", the remembered serial port name, or empty when the
    // file cannot be read.
    QString LoadRememberedDetails();
    // Opens the chosen transport for a log-on (waits 1000 ticks unless the
    // serial port cannot be opened).
    bool OpenLink();
    // Opens the network link to LogOnAddress, or closes it when it is open. A
    // port that cannot be bound is reported through userMessage.
    void ToggleNetworkLink();
    // Resets the modem on the serial port: "atz", then "ate0".
    bool ModemInit();
    // One CR prompt; true when the unit acknowledged it.
    bool KeepAlive();
    // The network poll's receiving part: passes what came from the unit on.
    bool PollNetwork();

signals:
    // A message for the user, shown at once ("Failed to connect\r\nWiFi port").
    void userMessage(const QString &text);

private:
    Link &m_link;
    SerialTransport *m_serial;
    UdpTransport *m_network;
};

} // namespace porv
