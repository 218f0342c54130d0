#pragma once
// The serial transport: a port opened exclusively at 57600 baud (9600 through
// a modem), 8 data bits, no parity, 1 stop bit, DTR and RTS on, no flow
// control. Received characters are handed to the window's thread as one
// ComPort1RxChar call per notification; it reads what waits and passes it on
// as `received`.
#include <QSerialPort>
#include <QString>

#include "transport.h"

namespace porv {

class SerialTransport : public Transport {
    Q_OBJECT
public:
    static constexpr qint32 DirectBaud = 57600;
    static constexpr qint32 ModemBaud = 9600;

    explicit SerialTransport(QObject *parent = nullptr);
    ~SerialTransport() override;

    // The port to open: a name the system lists ("ttyUSB0", "COM3") or a
    // device path ("/dev/pts/4").
    void setPortName(const QString &name) { m_name = name; }
    QString portName() const { return m_name; }
    void setBaudRate(qint32 baud) { m_baud = baud; }
    qint32 baudRate() const { return m_baud; }

    // Opens the port with the settings above; false when it is missing, in use
    // or refused, with the reason in errorString().
    bool open();
    QString errorString() const { return m_port.errorString(); }

    bool isOpen() const override { return m_port.isOpen(); }
    // Writes the whole text and waits until it has gone out (1000 ms plus 100
    // ms per byte at most). Throws SerialError
    // "WriteFile function failed (Error: %d)" when the port refuses it.
    void write(const QByteArray &text) override;
    // Discards pending input and releases the port.
    void close() override;

    // Reads `count` waiting bytes (all waiting bytes when count is larger) and
    // passes them on. Throws SerialError "ReadFile function failed (Error: %d)".
    void ComPort1RxChar(qint64 count);

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void failAndClose(int code);

    QSerialPort m_port;
    QString m_name;
    qint32 m_baud = DirectBaud;
    bool m_notificationPending = false;
};

} // namespace porv
