#include "linktrace.h"

namespace porv {

namespace {

const QByteArray Hidden = QByteArrayLiteral("[hidden]");

bool isDigits(const QByteArray &text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.isEmpty();
}

// The command without its line end.
QByteArray bare(const QByteArray &text)
{
    QByteArray c = text;
    while (c.endsWith('\r') || c.endsWith('\n') || c.endsWith('\0'))
        c.chop(1);
    return c;
}

QByteArray lineEnd(const QByteArray &text) { return text.mid(bare(text).size()); }

// A read of the access-codes block, or a dump whose range holds it: the reply
// carries the PINs and emergency codes.
bool readsAccessCodes(const QByteArray &command)
{
    const QByteArray c = bare(command);
    if (c == "r0003")
        return true;
    if (c.size() == 9 && c.startsWith('d') && isDigits(c.mid(1)))
        return c.mid(1, 4).toInt() <= 3 && c.mid(5, 4).toInt() >= 3;
    return false;
}

// What stays of a command that carries a secret: its letter and, for a block
// write, the block number (the log-on PIN may begin with four digits too).
QByteArray masked(const QByteArray &command)
{
    const qsizetype keep = command.startsWith('p') && isDigits(command.mid(1, 4)) ? 5 : 1;
    return LinkTrace::Escaped(command.left(keep)) + Hidden + LinkTrace::Escaped(lineEnd(command));
}

QByteArray shownLine(const QByteArray &text)
{
    if (text.size() <= LinkTrace::MaxLineBytes)
        return LinkTrace::Escaped(text);
    return LinkTrace::Escaped(text.left(LinkTrace::MaxLineBytes)) + "... ("
        + QByteArray::number(text.size() - LinkTrace::MaxLineBytes) + " more bytes)";
}

QByteArray formatted(qint64 msecs, char direction, const QByteArray &text)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toLatin1()
        + ' ' + direction + ' ' + text + '\n';
}

} // namespace

QByteArray LinkTrace::Escaped(const QByteArray &bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c > 0x7E) {
                out += "\\x";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += char(c);
            }
        }
    }
    return out;
}

void LinkTrace::add(char direction, const QByteArray &text, qint64 msecs)
{
    m_entries.push_back({msecs, direction, text});
    while (m_entries.size() > size_t(MaxEntries))
        m_entries.pop_front();
}

void LinkTrace::Sent(const QByteArray &text, bool shown)
{
    flushPending();
    const bool secret = !shown || bare(text).startsWith("p0003");
    // A hidden reply ends with the next command once it was acknowledged, and
    // with the closing command in any case.
    if (m_hiddenAnswered || bare(text) == "x")
        m_hiding = false;
    add('>', secret ? masked(text) : shownLine(text), QDateTime::currentMSecsSinceEpoch());
    if (secret || readsAccessCodes(text)) {
        m_hiding = true;
        m_hiddenAnswered = false;
    }
}

QByteArray LinkTrace::receivedLine(const QByteArray &line)
{
    if (!m_hiding)
        return shownLine(line);
    const QByteArray text = bare(line);
    if (text.contains("OK"))
        m_hiddenAnswered = true;
    return text == "OK" ? Escaped(line) : Hidden + Escaped(lineEnd(line));
}

void LinkTrace::Received(const QByteArray &chunk)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_pending.isEmpty())
        m_pendingTime = now;
    m_pending += chunk;
    qsizetype lf;
    while ((lf = m_pending.indexOf('\n')) >= 0) {
        add('<', receivedLine(m_pending.left(lf + 1)), m_pendingTime);
        m_pending.remove(0, lf + 1);
        m_pendingTime = now;
    }
    // A line that never ends is kept in pieces.
    if (m_pending.size() > MaxLineBytes)
        flushPending();
}

void LinkTrace::flushPending()
{
    if (m_pending.isEmpty())
        return;
    add('<', receivedLine(m_pending), m_pendingTime);
    m_pending.clear();
}

QByteArray LinkTrace::Text() const
{
    QByteArray out;
    for (const Entry &e : m_entries)
        out += formatted(e.msecs, e.direction, e.text);
    if (!m_pending.isEmpty()) {
        const bool hide = m_hiding && bare(m_pending) != "OK";
        out += formatted(m_pendingTime, '<', hide ? Hidden : shownLine(m_pending));
    }
    return out;
}

} // namespace porv
