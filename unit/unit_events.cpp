// The simulated unit's tag list, event log and clock, and the commands that
// serve them (s, g, e, t), and a tag read at the unit.
#include "simulated_unit.h"

#include <QDate>
#include <QTime>
#include <QTimer>
#include <algorithm>

#include "codecs.h"
#include "unit_forms.h"

namespace qx4 {

using namespace forms;

QList<SimulatedUnit::TagEntry> SimulatedUnit::tagEntries() const
{
    QList<TagEntry> out;
    for (int b = kTagFirst; b <= kTagLast; ++b) {
        const QByteArray bytes = block(b);
        for (int e = 0; e < 4; ++e) {
            const QByteArray room = digitsOf(bytes, e * 16, 6);
            const QByteArray codeChars = nibblesOf(bytes, e * 16 + 6, 10);
            if (room.isEmpty() || codeChars.startsWith('?'))
                continue;
            QByteArray code;
            for (char c : codeChars)
                code += porv::NibbleToHexDigit(QByteArray(1, c));
            out.append({room, code});
        }
    }
    return out;
}

bool SimulatedUnit::setTagEntries(const QList<TagEntry> &entries)
{
    if (entries.size() > (kTagLast - kTagFirst + 1) * 4)
        return false;
    eraseTags();
    QByteArray chars;
    int blockNo = kTagFirst;
    auto flush = [&] {
        setBlock(blockNo++, packNibbles(chars, 64));
        chars.clear();
    };
    for (const TagEntry &t : entries) {
        QByteArray room = t.room.left(6);
        room.append(QByteArray(6 - room.size(), '?'));
        QByteArray code;
        for (char c : t.code.left(10)) {
            const char u = (c >= 'a' && c <= 'f') ? char(c - 32) : c;
            code += (u >= 'A' && u <= 'F') ? char(u - 7) : u;
        }
        code.append(QByteArray(10 - code.size(), '?'));
        chars += room + code;
        if (chars.size() == 64)
            flush();
    }
    if (!chars.isEmpty())
        flush();
    return true;
}

void SimulatedUnit::setEvents(const QList<UnitEvent> &events)
{
    m_events = events.mid(std::max<qsizetype>(0, events.size() - kMaxEvents));
}

void SimulatedUnit::addEvent(const UnitEvent &event)
{
    m_events.append(event);
    while (m_events.size() > kMaxEvents)
        m_events.removeFirst();
}

QByteArray SimulatedUnit::eventLine(int number, const UnitEvent &ev)
{
    QByteArray line = QByteArray::number(number % 10000).rightJustified(4, '0') + ',';
    switch (ev.origin) {
    case UnitEvent::Origin::InCall:
        line += "B00000000000";
        break;
    case UnitEvent::Origin::Button:
        line += "A00" + QByteArray::number(std::clamp(ev.button, 0, 9)) + "00000000";
        break;
    case UnitEvent::Origin::Room:
        for (int i = 0; i < 6; ++i) {
            if (i < ev.room.size())
                line += '0' + QByteArray(1, ev.room.at(i));
            else
                line += "FF";
        }
        break;
    }
    const QDate d = ev.when.date();
    const QTime t = ev.when.time();
    line += hex2(d.day()) + hex2(d.month()) + hex2(d.year() % 100);
    line += hex2(t.hour()) + hex2(t.minute()) + hex2(t.second());
    line += ',';
    line += ev.relay;
    line += ',';
    line += ev.setBy;
    line += ",00,";
    QByteArray client = ev.origin == UnitEvent::Origin::Room ? ev.client.left(16) : QByteArray();
    client.append(QByteArray(16 - client.size(), ' '));
    line += client;
    return line;
}

QDateTime SimulatedUnit::clock() const
{
    return QDateTime::currentDateTime().addSecs(m_clockOffset);
}

void SimulatedUnit::setClock(const QDateTime &unitTime)
{
    m_clockOffset = QDateTime::currentDateTime().secsTo(unitTime);
}

QByteArray SimulatedUnit::tagMessage(const QByteArray &code10, bool badCheck)
{
    int check = 0;
    for (int i = 0; i + 1 < code10.size(); i += 2)
        check ^= code10.mid(i, 2).toInt(nullptr, 16);
    if (badCheck)
        check ^= 0x5A;
    return code10.toUpper() + hex2(check);
}

bool SimulatedUnit::presentTag(const QByteArray &code, bool badCheck)
{
    if (code.isEmpty() || code.size() > 10 || !std::all_of(code.begin(), code.end(), isHexDigit))
        return false;
    const QByteArray message = tagMessage(code.rightJustified(10, '0'), badCheck);
    const quint64 gen = m_generation;
    QTimer::singleShot(scaled(m_timing.replyDelayMs + m_faults.extraDelayMs), this, [this, message, gen] {
        if (gen == m_generation)
            emitOut({message}, false);
    });
    return true;
}

SimulatedUnit::Reply SimulatedUnit::listTags(const QByteArray &line)
{
    Reply r;
    int first = 0, last = 0;
    if (!parseBlockRange(line, &first, &last))
        return errorReply();
    r.lines.append(line);
    r.lines.append(QByteArrayLiteral("RF-ID list"));
    for (int b = first; b <= last; ++b)
        r.lines.append(blockLine(b));
    r.lines.append(QByteArrayLiteral("End of list"));
    r.lines.append(QByteArrayLiteral("OK"));
    return r;
}

SimulatedUnit::Reply SimulatedUnit::writeTag(const QByteArray &line)
{
    Reply r;
    int number = 0;
    const QByteArray data = line.mid(5);
    if (!parseDigits(line, 1, 4, &number) || number < kTagFirst || number > kTagLast || data.isEmpty()
        || data.size() > 2 * kBlockSize) {
        return errorReply();
    }
    r.lines.append(line.left(5));
    if (m_faults.gError.take(number)) {
        r.lines.append(QByteArrayLiteral("Error"));
        return r;
    }
    QByteArray bytes = block(number);
    const QByteArray stored = packNibbles(data, (data.size() / 2) * 2);
    bytes.replace(0, stored.size(), stored);
    setBlock(number, bytes);
    r.lines.append(QByteArrayLiteral("OK"));
    return r;
}

SimulatedUnit::Reply SimulatedUnit::clockCommand(const QByteArray &line)
{
    Reply r;
    if (line == "t") {
        const QDateTime now = clock();
        const QByteArray value = !m_faults.clockReply.isEmpty() ? m_faults.clockReply
            : hex2(now.time().second()) + hex2(now.time().minute()) + hex2(now.time().hour())
                + hex2(now.date().day()) + hex2(now.date().month()) + hex2(now.date().year() % 100);
        r.lines = {line, value, QByteArrayLiteral("OK")};
        return r;
    }
    int ss = 0, nn = 0, hh = 0, dd = 0, mm = 0, yy = 0;
    if (line.size() == 13 && parseDigits(line, 1, 2, &ss) && parseDigits(line, 3, 2, &nn)
        && parseDigits(line, 5, 2, &hh) && parseDigits(line, 7, 2, &dd) && parseDigits(line, 9, 2, &mm)
        && parseDigits(line, 11, 2, &yy)) {
        const QDate date(2000 + yy, mm, dd);
        const QTime time(hh, nn, ss);
        if (date.isValid() && time.isValid()) {
            if (!m_faults.ignoreClockSet)
                setClock(QDateTime(date, time));
            r.lines = {QByteArrayLiteral("OK")};
            return r;
        }
    }
    return errorReply();
}

SimulatedUnit::Reply SimulatedUnit::eventLog()
{
    Reply r;
    if (!m_faults.eventLogWithoutFirstLine)
        r.lines.append(QByteArrayLiteral("e"));
    int number = 0;
    for (int copy = 0; copy < std::max(1, m_faults.eventLogCopies); ++copy)
        for (const UnitEvent &event : m_events)
            r.lines.append(eventLine(++number, event));
    r.lines.append(m_faults.eventLogClosing.isEmpty() ? QByteArrayLiteral("OK") : m_faults.eventLogClosing);
    return r;
}

} // namespace qx4
