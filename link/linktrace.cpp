#include "linktrace.h"

namespace porv {

namespace {

const QByteArray Hidden = QByteArrayLiteral("[hidden]");

bool isHexAddress(const QByteArray &text)
{
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    return text.size() == 4;
}

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

// The blocks whose memory holds codes that open the doors or program the
// unit: the gate codes (0001), the PINs and emergency codes (0003), and every
// block of the directory (its records' release codes), which a raw read or
// write carries in a form of its own.
constexpr int kGateCodesBlock = 1;
constexpr int kAccessCodesBlock = 3;
constexpr int kFirstDirectoryBlock = 128;  // 0x1000
constexpr int kLastDirectoryBlock = 1152;  // 0x9000, the largest model's top

bool secretBlock(int block)
{
    return block == kGateCodesBlock || block == kAccessCodesBlock
        || (block >= kFirstDirectoryBlock && block <= kLastDirectoryBlock);
}

// The block number of "r0003", "p0003..." and the like, or -1.
int blockOf(const QByteArray &command)
{
    const QByteArray number = command.mid(1, 4);
    return number.size() == 4 && isDigits(number) ? number.toInt() : -1;
}

// A dump's range ("d01281152"), when the command is one.
bool dumpRange(const QByteArray &command, int *first, int *last)
{
    if (command.size() != 9 || !command.startsWith('d') || !isDigits(command.mid(1)))
        return false;
    *first = command.mid(1, 4).toInt();
    *last = command.mid(5, 4).toInt();
    return true;
}

// A command whose reply is hidden line by line: a read of a block that holds
// codes, or a dump whose range holds the gate or access codes.
bool readsSecrets(const QByteArray &command)
{
    const QByteArray c = bare(command);
    if (c.size() == 5 && c.startsWith('r'))
        return secretBlock(blockOf(c));
    int first = 0, last = 0;
    if (dumpRange(c, &first, &last))
        return (first <= kGateCodesBlock && last >= kGateCodesBlock) || (first <= kAccessCodesBlock && last >= kAccessCodesBlock);
    return false;
}

// A dump of directory blocks: its record lines carry the release codes.
bool listsRecords(const QByteArray &command)
{
    int first = 0, last = 0;
    return dumpRange(bare(command), &first, &last) && first <= kLastDirectoryBlock && last >= kFirstDirectoryBlock;
}

// A directory record write: "b" + block + "," + record + check.
bool writesRecord(const QByteArray &command)
{
    const QByteArray c = bare(command);
    return c.size() >= 6 && c.startsWith('b') && blockOf(c) >= 0 && c.at(5) == ',';
}

// The release codes of a record line hidden: the dump's form (address,
// separator, then room, code 1, code 2, ... read as the dump is read: an item
// ends at a comma or at its width) or the "b" command's (its check, which
// would tell the codes apart, hidden with them). Everything else stays.
QByteArray maskedRecord(const QByteArray &line)
{
    const QByteArray text = bare(line);
    qsizetype pos;
    bool check = false;
    if (writesRecord(text)) {
        pos = 6;
        check = true;
    } else if (text.size() > 5 && isHexAddress(text.left(4))) {
        pos = 5;
    } else {
        return line;
    }
    QByteArray out = text.left(pos);
    bool hid = false;
    const int widths[] = {6, 4, 4}; // room, code 1, code 2
    for (int item = 0; item < 3 && pos < text.size(); ++item) {
        qsizetype end = pos;
        while (end < text.size() && end - pos < widths[item] && text.at(end) != ',')
            ++end;
        const QByteArray value = text.mid(pos, end - pos);
        const bool code = item > 0 && !value.isEmpty();
        out += code ? Hidden : value;
        hid = hid || code;
        pos = end;
        if (pos < text.size()) // the comma, or the character after a full item
            out += text.at(pos++);
    }
    QByteArray rest = text.mid(pos);
    if (check && hid && rest.size() >= 2) {
        rest.chop(2);
        rest += Hidden;
    }
    return out + rest + lineEnd(line);
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
    const QByteArray c = bare(text);
    const bool secret = !shown || (c.startsWith('p') && secretBlock(blockOf(c)));
    // What hides or masks a reply ends with the next command once that reply
    // was acknowledged, and with the closing command in any case.
    if (m_answered || c == "x") {
        m_hiding = false;
        m_records = false;
    }
    const bool record = !secret && writesRecord(c);
    add('>', secret ? masked(text) : shownLine(record ? maskedRecord(text) : text), QDateTime::currentMSecsSinceEpoch());
    if (secret || readsSecrets(c)) {
        m_hiding = true;
        m_answered = false;
    } else if (record || listsRecords(c)) {
        m_records = true;
        m_answered = false;
    }
}

QByteArray LinkTrace::receivedLine(const QByteArray &line)
{
    const QByteArray text = bare(line);
    if (m_hiding) {
        if (text.contains("OK"))
            m_answered = true;
        return text == "OK" ? Escaped(line) : Hidden + Escaped(lineEnd(line));
    }
    if (!m_records)
        return shownLine(line);
    // A record's name may hold "OK": only the closing line ends the reply.
    if (text == "OK")
        m_answered = true;
    return shownLine(maskedRecord(line));
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
        const QByteArray shown = m_records ? shownLine(maskedRecord(m_pending)) : shownLine(m_pending);
        out += formatted(m_pendingTime, '<', hide ? Hidden : shown);
    }
    return out;
}

} // namespace porv
