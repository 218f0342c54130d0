#include "link.h"

#include "codecs.h"
#include "delay.h"
#include "failures.h"

#include <exception>

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
    if (t)
        connect(t, &Transport::received, this, &Link::ReceiveText);
}

void Link::setNetworkTransport(Transport *t)
{
    if (m_network)
        disconnect(m_network, nullptr, this, nullptr);
    m_network = t;
    if (t)
        connect(t, &Transport::received, this, &Link::ReceiveText);
}

// --- operations -------------------------------------------------------------

void Link::ReceiveText(const QByteArray &received)
{
    m_trace.Received(received);
    QByteArray chunk = received;
    chunk.replace('\0', QByteArray());
    DataSeen = true;
    RxBuffer += chunk;
    keepTail(RxBuffer, MaxReceived);
    LineBuffer += chunk;
    if (!CountMode && !chunk.isEmpty())
        appendToView(chunk);

    if (LineBuffer.startsWith(CRLF))
        LineBuffer.remove(0, 2);
    if (LineBuffer.isEmpty())
        return;
    ReplyReceived = LineBuffer.contains("OK");

    const int lastEnd = LineBuffer.lastIndexOf(CRLF);
    if (lastEnd >= 0) {
        if (CountMode) {
            LineCount += int(LineBuffer.count(CRLF));
            SetReceiveView(QByteArray::number(LineCount));
        }
        if (RemoteMode && LineBuffer.contains("CONNECT"))
            ModemConnected = true;
        // The text after the last line end belongs to the next line: a chunk
        // may end anywhere, even between "O" and "K".
        LineBuffer.remove(0, lastEnd + 2);
    }
    // A line that never ends cannot hold more than the receive bound.
    keepTail(LineBuffer, MaxReceived);
}

void Link::Transmit(const QByteArray &text) { transmit(text, false); }

void Link::transmit(const QByteArray &text, bool shown)
{
    const bool networkOpen = m_network && m_network->isOpen();
    if (networkOpen || (m_serial && m_serial->isOpen()))
        m_trace.Sent(text, shown);
    if (networkOpen)
        m_network->write(text);
    if (m_serial && m_serial->isOpen())
        m_serial->write(text);
}

void Link::SendCommand(const QByteArray &text)
{
    LastReply.clear();
    KeepAliveCount = 0;
    emit commandShown(text);
    Delay(1);
    transmit(text, true);
}

bool Link::WaitReply(int polls, const bool *stop)
{
    ReplyReceived = false;
    RxBuffer.clear();
    LastReply.clear();
    int done = 0;
    do {
        Delay(100);
        ++done;
    } while (!ReplyReceived && done < polls && !(stop && *stop));
    LastReply = ReplyLine(1);
    return ReplyReceived;
}

void Link::ReadBlock(const QByteArray &block)
{
    ClearReceiveView();
    SendCommand("r" + block + "\r");
    RxBuffer.clear();
    WaitReply(20);
}

bool Link::VerifyBlock(const QByteArray &block, const QByteArray &expected)
{
    SendCommand("r" + block + "\r");
    RxBuffer.clear();
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
        if (ReplyReceived && VerifyBlock(block, data))
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
    KeepAliveCount = 0;
    // Not hexadecimal: the conversion failure, before anything goes out.
    const QByteArray block = DirectoryBlockNumber(addressHex);
    ClearReceiveView();
    const QByteArray command = AppendCheck("b" + block + "," + data);
    SendCommand(command + "\r");
    RxBuffer.clear();
    WaitReply(RemoteMode ? 12 : 6);
    return ReplyReceived;
}

void Link::CloseLink()
{
    // Each open transport is closed and LoggedOn cleared even when the
    // closing command cannot be written; the write failure is still reported.
    std::exception_ptr failure;
    for (QPointer<Transport> *slot : {&m_network, &m_serial}) {
        if (!*slot || !(*slot)->isOpen())
            continue;
        try {
            SendCommand("x\r");
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        if (*slot)
            (*slot)->close();
    }
    LoggedOn = false;
    emit linkClosed();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace porv
