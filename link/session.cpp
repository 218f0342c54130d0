#include "session.h"

#include "delay.h"
#include "link.h"
#include "portlist.h"
#include "serialtransport.h"
#include "udptransport.h"

namespace porv {

namespace {
const UnitModel Models[] = {
    {"Portavel_100_Qx4", 0x1D00, "KVR Portavel QX4_100    Programmer   =Porv-Pro=  V8.4"},
    {"Portavel_200_Qx4", 0x2A00, "KVR Portavel QX4_200    Programmer   =Porv-Pro=  V8.4"},
    {"Portavel_500_Qx4", 0x5100, "KVR Portavel QX4_500    Programmer   =Porv-Pro=  V8.4"},
    {"Portavel_1000_Qx4", 0x9000, "KVR Portavel QX4_1000    Programmer   =Porv-Pro=  V8.4"},
};
} // namespace

Session::Session(Link &link, QObject *parent)
    : QObject(parent), m_link(link),
      m_serial(new SerialTransport(this)), m_network(new UdpTransport(this))
{
    m_link.setSerialTransport(m_serial);
    m_link.setNetworkTransport(m_network);
}

Session::~Session() = default;

bool Session::NetworkOpen() const { return m_network->isOpen(); }
bool Session::SerialOpen() const { return m_serial->isOpen(); }
void Session::SetSerialPortName(const QString &name) { m_serial->setPortName(name); }
QString Session::SerialPortName() const { return m_serial->portName(); }

void Session::SetBaudForRemote(bool remote)
{
    m_serial->setBaudRate(remote ? SerialTransport::ModemBaud : SerialTransport::DirectBaud);
}

const UnitModel *Session::FindModel(const QByteArray &modelLine)
{
    for (const UnitModel &m : Models)
        if (modelLine == m.modelLine)
            return &m;
    return nullptr;
}

QString Session::GenericTitle()
{
    return QStringLiteral("KVR Portavel QX4_       Programmer   =Porv-Pro=  V8.4");
}

const UnitModel *Session::ApplyModelLine(const QByteArray &modelLine)
{
    MemoryLimit = 0;
    const UnitModel *model = FindModel(modelLine);
    if (model)
        MemoryLimit = model->memoryLimit;
    return model;
}

QString Session::LoadRememberedDetails()
{
    NetworkSelected = false;
    if (!Remembered.load(DetailsFileName))
        return QString();
    if (Remembered.network()) {
        NetworkSelected = true;
        SetSerialPortName(QString());
        return NetworkEntryName();
    }
    const QString port = QString::fromLatin1(Remembered.portName());
    SetSerialPortName(port);
    return port;
}

bool Session::OpenLink()
{
    bool result;
    if (NetworkSelected) {
        ToggleNetworkLink();
        result = NetworkOpen();
    } else if (m_serial->isOpen()) {
        m_serial->close();
        result = false;
    } else {
        if (!m_serial->open())
            return false;
        result = true;
    }
    Delay(1000);
    return result;
}

void Session::ToggleNetworkLink()
{
    if (m_network->isOpen()) {
        m_network->close();
        return;
    }
    if (!m_network->open(QString::fromLatin1(LogOnAddress)))
        emit userMessage(QStringLiteral("Failed to connect\r\nWiFi port"));
}

bool Session::ModemInit()
{
    m_link.SetReplyReceived(false);
    m_link.ClearReceiveView();
    for (int cycle = 0; cycle < 6; ++cycle) {
        for (int attempt = 0; attempt < 6; ++attempt) {
            if (!m_serial->isOpen()) {
                OpenLink();
                Delay(3000);
            }
            m_link.SendCommand("atz\r");
            m_link.WaitReply(10);
            if (m_link.ReplyReceived() || LogOnAbort)
                break;
        }
        if (m_link.ReplyReceived()) {
            m_link.SendCommand("ate0\r");
            m_link.WaitReply(10);
        }
        if (m_link.ReplyReceived())
            return true;
        m_link.CloseLink();
        Delay(500);
        if (LogOnAbort)
            break;
    }
    return false;
}

bool Session::KeepAlive()
{
    m_link.ClearReceiveView();
    m_link.SendCommand("\r");
    m_link.WaitReply(5);
    if (m_link.ReplyReceived()) {
        m_link.ClearReceiveView();
        return true;
    }
    return false;
}

bool Session::PollNetwork() { return m_network->Poll(); }

} // namespace porv
