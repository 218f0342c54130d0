#include "eventlog.h"

#include "codecs.h"

namespace porv {

namespace {

const QByteArray CRLF = QByteArrayLiteral("\r\n");

// Characters 1-5, the origin code, the date and the time.
constexpr int kEventLineMinimum = 5 + 12 + 6 + 6;
constexpr int kOriginAt = 5, kOriginLength = 12, kDateTimeAt = 17, kDateTimeLength = 12;

// Whether the characters are all hexadecimal digits (or erased bytes, where
// allowed).
bool allHex(const QByteArray &line, int at, int length, bool erasedToo)
{
    for (int i = at; i < at + length; ++i) {
        const char c = line.at(i);
        if (HexDigitValue(c) < 0 && !(erasedToo && uchar(c) == 0xFF))
            return false;
    }
    return true;
}

bool closesLog(const QByteArray &line) { return line.contains("OK") && !IsEventLine(line); }

// Where the closing line starts: the last complete line that holds "OK" and
// does not read as an event line, with no event line after it. The first line
// closes the log only when it is "OK" alone (an empty log). -1 while there is
// no such line.
qsizetype closingLineAt(const QByteArray &received)
{
    qsizetype end = received.lastIndexOf(CRLF); // a last line without its end is not looked at
    while (end >= 0) {
        const qsizetype previous = end > 0 ? received.lastIndexOf(CRLF, end - 1) : -1;
        const qsizetype start = previous < 0 ? 0 : previous + 2;
        const QByteArray line = received.mid(start, end - start);
        if (closesLog(line))
            return start > 0 || line == "OK" ? start : -1;
        if (IsEventLine(line))
            return -1;
        end = previous;
    }
    return -1;
}

} // namespace

bool IsEventLine(const QByteArray &line)
{
    // The date and time groups, or the origin code, as the unit writes them:
    // a closing line of any length reads as neither.
    return line.size() >= kEventLineMinimum
        && (allHex(line, kDateTimeAt, kDateTimeLength, false) || allHex(line, kOriginAt, kOriginLength, true));
}

EventLog ReadEventLog(const QByteArray &received)
{
    EventLog log;
    const qsizetype firstEnd = received.indexOf(CRLF);
    if (firstEnd < 0)
        return log;
    const qsizetype closing = closingLineAt(received);
    log.complete = closing >= 0;
    const qsizetype stop = log.complete ? closing : received.size();
    qsizetype pos = firstEnd + 2; // the first line is never an event
    while (pos < stop) {
        const qsizetype end = received.indexOf(CRLF, pos);
        if (end < 0)
            break; // a last line without its line end was cut off
        log.eventLines.append(received.mid(pos, end - pos));
        pos = end + 2;
    }
    return log;
}

bool EventLogComplete(const QByteArray &received) { return closingLineAt(received) >= 0; }

} // namespace porv
