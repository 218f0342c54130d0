#include "link.h"

#include "codecs.h"
#include "delay.h"
#include "failures.h"


namespace porv {

namespace {
const QByteArray CRLF("\r\n", 2);

// Keeps the newest `limit` bytes of a buffer.
void keepTail(QByteArray &buffer, int limit)
{
    if (buffer.size() > limit)
        buffer.remove(0, buffer.size() - limit);
}
} // namespace

Link::Link(QObject *parent) : QObject(parent) {}

// --- receive view -----------------------------------------------------------

void Link::ClearReceiveView() { SetReceiveView(QByteArray()); }

void Link::SetReceiveView(const QByteArray &text)
{
    m_view = text;
    keepTail(m_view, MaxReceived);
    m_linesValid = false;
    emit receiveViewReset(m_view);
}

void Link::appendToView(const QByteArray &text)
{
    if (m_view.size() + text.size() > MaxReceived) {
        m_view += text;
        keepTail(m_view, MaxReceived);
        m_linesValid = false;
        emit receiveViewReset(m_view);
        return;
    }
    m_view += text;
    m_linesValid = false;
    emit receiveViewAppended(text);
}

const QList<QByteArray> &Link::ReplyLines() const
{
    if (!m_linesValid) {
        m_lines.clear();
        int start = 0;
        while (start < m_view.size()) {
            const int end = m_view.indexOf(CRLF, start);
            if (end < 0) {
                m_lines.append(m_view.mid(start));
                break;
            }
            m_lines.append(m_view.mid(start, end - start));
            start = end + 2;
        }
        m_linesValid = true;
    }
    return m_lines;
}

QByteArray Link::ReplyLine(int n) const
{
    const QList<QByteArray> &lines = ReplyLines();
    return n >= 0 && n < lines.size() ? lines.at(n) : QByteArray();
}

// --- transports -------------------------------------------------------------

void Link::setSerialTransport(Transport *t)
{
    if (m_serial)
        disconnect(m_serial, nullptr, this, nullptr);
    m_serial = t;
    if (t) {
        connect(t, &Transport::received, this, &Link::ReceiveText);
        connect(t, &Transport::failed, this, &Link::transportFailed);
    }
}

void Link::setNetworkTransport(Transport *t)
{
    if (m_network)
        disconnect(m_network, nullptr, this, nullptr);
    m_network = t;
    if (t) {
        connect(t, &Transport::received, this, &Link::ReceiveText);
        connect(t, &Transport::failed, this, &Link::transportFailed);
    }
}

// --- changing the link state ---------------------------------------------------

void Link::ClearReceived() { m_rxBuffer.clear(); }

void Link::ResetReply()
{
    m_replyReceived = false;
    m_rxBuffer.clear();
    m_lastReply.clear();
}

void Link::SetReplyReceived(bool received) { m_replyReceived = received; }
void Link::ClearDataSeen() { m_dataSeen = false; }
void Link::ClearModemConnected() { m_modemConnected = false; }
void Link::ResetLineCount() { m_lineCount = 0; }

void Link::BeginBulkReply()
{
    m_countMode = true;
    m_keepAliveCount = 0;
}

void Link::EndBulkReply() { m_countMode = false; }
void Link::ResetKeepAlive() { m_keepAliveCount = 0; }

bool Link::CountKeepAliveSecond(int promptAfter)
{
    if (++m_keepAliveCount < promptAfter)
        return false;
    m_keepAliveCount = 0;
    return true;
}

void Link::MarkLoggedOn() { m_loggedOn = true; }
void Link::MarkLoggedOff() { m_loggedOn = false; }
void Link::SetRemoteMode(bool remote) { m_remoteMode = remote; }

// --- operations -------------------------------------------------------------

void Link::ReceiveText(const QByteArray &received)
{
    m_trace.Received(received);
    QByteArray chunk = received;
    chunk.replace('\0', QByteArray());
    m_dataSeen = true;
    m_rxBuffer += chunk;
    keepTail(m_rxBuffer, MaxReceived);
    m_lineBuffer += chunk;
    if (!m_countMode && !chunk.isEmpty())
        appendToView(chunk);
    if (!chunk.isEmpty())
        emit textReceived(chunk);

    if (m_lineBuffer.startsWith(CRLF))
        m_lineBuffer.remove(0, 2);
    if (m_lineBuffer.isEmpty())
        return;
    m_replyReceived = m_lineBuffer.contains("OK");

    const int lastEnd = m_lineBuffer.lastIndexOf(CRLF);
    if (lastEnd >= 0) {
        if (m_countMode) {
            m_lineCount += int(m_lineBuffer.count(CRLF));
            SetReceiveView(QByteArray::number(m_lineCount));
        }
        if (m_remoteMode && m_lineBuffer.contains("CONNECT"))
            m_modemConnected = true;
        if (m_lineBuffer.left(lastEnd).contains("OK"))
            m_answerOwed = false;
        // The text after the last line end belongs to the next line: a chunk
        // may end anywhere, even between "O" and "K".
        m_lineBuffer.remove(0, lastEnd + 2);
    }
    // A line that never ends cannot hold more than the receive bound.
    keepTail(m_lineBuffer, MaxReceived);
}

void Link::Transmit(const QByteArray &text) { transmit(text, false); }

void Link::transmit(const QByteArray &text, bool shown)
{
    const bool networkOpen = m_network && m_network->isOpen();
    if (networkOpen || (m_serial && m_serial->isOpen())) {
        m_trace.Sent(text, shown);
        m_answerOwed = true;
    }
    // A port that cannot write ends the link here: the operation that sent
    // finds it closed, as after a Log Off.
    try {
        if (networkOpen)
            m_network->write(text);
        if (m_serial && m_serial->isOpen())
            m_serial->write(text);
    } catch (const Failure &failure) {
        transportFailed(failure.message());
    }
}

void Link::transportFailed(const QString &message)
{
    for (QPointer<Transport> *slot : {&m_network, &m_serial})
        if (*slot && (*slot)->isOpen())
            (*slot)->close();
    MarkLoggedOff();
    emit failed(message);
}

void Link::SendCommand(const QByteArray &text)
{
    m_lastReply.clear();
    ResetKeepAlive();
    emit commandShown(text);
    Delay(1);
    transmit(text, true);
}

bool Link::WaitReply(int polls, const bool *stop)
{
    ResetReply();
    int done = 0;
    do {
        Delay(100);
        ++done;
    } while (!m_replyReceived && done < polls && !(stop && *stop));
    m_lastReply = ReplyLine(1);
    return m_replyReceived;
}

void Link::ReadBlock(const QByteArray &block)
{
    ClearReceiveView();
    SendCommand("r" + block + "\r");
    ClearReceived();
    WaitReply(20);
}

bool Link::VerifyBlock(const QByteArray &block, const QByteArray &expected)
{
    SendCommand("r" + block + "\r");
    ClearReceived();
    ClearReceiveView();
    WaitReply(10);
    QByteArray data = ReplyLine(0).mid(5);
    if (data.size() > expected.size())
        data.truncate(expected.size());
    return TextBeforeNul(expected) == data;
}

bool Link::WriteBlockVerified(const QByteArray &block, const QByteArray &data)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        ClearReceiveView();
        const QByteArray command = "p" + block + data + "\r";
        // Block 0003 holds the PINs: its text never appears in the status bar.
        if (block == "0003")
            Transmit(command);
        else
            SendCommand(command);
        WaitReply(15);
        if (m_replyReceived && VerifyBlock(block, data))
            return true;
    }
    return false;
}

QByteArray Link::DirectoryBlockNumber(const QByteArray &addressHex)
{
    const int address = ParseInteger("$" + addressHex);
    return ("0000" + QByteArray::number(address / 32)).right(4);
}

bool Link::WriteDirectoryBlock(const QByteArray &addressHex, const QByteArray &data)
{
    ResetKeepAlive();
    // Not hexadecimal: the conversion failure, before anything goes out.
    const QByteArray block = DirectoryBlockNumber(addressHex);
    ClearReceiveView();
    const QByteArray command = AppendCheck("b" + block + "," + data);
    SendCommand(command + "\r");
    ClearReceived();
    WaitReply(m_remoteMode ? 12 : 6);
    return m_replyReceived;
}

void Link::CloseLink()
{
    // Each open transport is closed and LoggedOn cleared even when the
    // closing command cannot be written (reported through failed).
    for (QPointer<Transport> *slot : {&m_network, &m_serial}) {
        if (!*slot || !(*slot)->isOpen())
            continue;
        SendCommand("x\r");
        if (*slot)
            (*slot)->close();
    }
    MarkLoggedOff();
    emit linkClosed();
}

} // namespace porv
