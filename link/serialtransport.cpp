#include "serialtransport.h"

#include <QMetaObject>

#include "failures.h"

namespace porv {

namespace {
QString failureText(const char *function, int code)
{
    return QStringLiteral("%1 function failed (Error: %2)").arg(QLatin1String(function)).arg(code);
}
} // namespace

SerialTransport::SerialTransport(QObject *parent) : Transport(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialTransport::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialTransport::onError);
}

SerialTransport::~SerialTransport()
{
    if (m_port.isOpen())
        m_port.close();
}

bool SerialTransport::open()
{
    if (m_port.isOpen())
        close();
    m_port.setPortName(m_name);
    m_port.setBaudRate(m_baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(0);
    if (m_name.isEmpty() || !m_port.open(QIODevice::ReadWrite))
        return false;
    // DTR and RTS on for as long as the port is open. Lines that a device
    // does not have (a pseudo-terminal) are no reason to give up the link.
    m_port.setDataTerminalReady(true);
    m_port.setRequestToSend(true);
    m_port.clearError();
    return true;
}

void SerialTransport::write(const QByteArray &text)
{
    if (!m_port.isOpen() || text.isEmpty())
        return;
    const qint64 written = m_port.write(text);
    const int budget = 1000 + 100 * int(std::min<qsizetype>(text.size(), 100000));
    bool ok = written == text.size();
    while (ok && m_port.bytesToWrite() > 0)
        ok = m_port.waitForBytesWritten(budget);
    if (!ok) {
        const int code = int(m_port.error());
        m_port.clearError();
        throw SerialError(failureText("WriteFile", code));
    }
}

void SerialTransport::close()
{
    if (!m_port.isOpen())
        return;
    // Pending input is discarded. Output is not: every write has already
    // waited until it went out, and purging the driver's queue here would
    // lose the closing "x" still on its way to the unit.
    m_port.clear(QSerialPort::Input);
    m_port.close();
    m_notificationPending = false;
}

void SerialTransport::onReadyRead()
{
    // Handed to the window's thread as a call of its own, so that a failure in
    // it never unwinds through the port's notification.
    if (m_notificationPending)
        return;
    m_notificationPending = true;
    QMetaObject::invokeMethod(this, [this] {
        m_notificationPending = false;
        if (m_port.isOpen())
            ComPort1RxChar(m_port.bytesAvailable());
    }, Qt::QueuedConnection);
}

void SerialTransport::ComPort1RxChar(qint64 count)
{
    if (!m_port.isOpen() || count <= 0)
        return;
    const QByteArray bytes = m_port.read(count);
    if (bytes.isEmpty() && m_port.error() != QSerialPort::NoError) {
        failAndClose(int(m_port.error()));
        return;
    }
    if (!bytes.isEmpty())
        emit received(bytes);
}

void SerialTransport::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
        // The device went away or stopped reading: close the port cleanly and
        // report it from a call of its own on the window's thread.
        QMetaObject::invokeMethod(this, [this, code = int(error)] { failAndClose(code); },
                                  Qt::QueuedConnection);
        break;
    default:
        break;
    }
}

void SerialTransport::failAndClose(int code)
{
    if (!m_port.isOpen())
        return;
    m_port.clearError();
    m_port.close();
    m_notificationPending = false;
    emit failed(failureText("ReadFile", code));
}

} // namespace porv
