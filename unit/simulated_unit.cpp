#include "simulated_unit.h"

#include "codecs.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace qx4 {

namespace {

const char kErased = char(0xFF);

// The unit's nibble arithmetic: the low four bits of (character - '0'), so the
// NibbleChars '0'-'?' give 0-15 and any other character gives something too.
int nibbleOf(char c) { return (uchar(c) - 0x30) & 0x0F; }

// Packs nibble characters into bytes, high nibble first; missing characters
// count as '?' (15), so the rest of the field reads as erased.
QByteArray packNibbles(const QByteArray &chars, int nibbleCount)
{
    QByteArray out(nibbleCount / 2, kErased);
    for (int i = 0; i < nibbleCount; ++i) {
        const int v = i < chars.size() ? nibbleOf(chars.at(i)) : 15;
        uchar b = uchar(out[i / 2]);
        if (i % 2 == 0)
            b = uchar((b & 0x0F) | (v << 4));
        else
            b = uchar((b & 0xF0) | v);
        out[i / 2] = char(b);
    }
    return out;
}

QByteArray nibblesOf(const QByteArray &bytes, int firstNibble, int count)
{
    QByteArray out;
    out.reserve(count);
    for (int i = firstNibble; i < firstNibble + count; ++i) {
        const int byteIndex = i / 2;
        if (byteIndex >= bytes.size())
            break;
        const uchar b = uchar(bytes.at(byteIndex));
        out.append(porv::NibbleChar(i % 2 == 0 ? b >> 4 : b & 0x0F));
    }
    return out;
}

// Digits of a BCD field up to its first 0xF nibble.
QByteArray digitsOf(const QByteArray &bytes, int firstNibble, int count)
{
    const QByteArray all = nibblesOf(bytes, firstNibble, count);
    const int end = all.indexOf('?');
    return end < 0 ? all : all.left(end);
}

bool parseDigits(const QByteArray &text, int pos, int n, int *value)
{
    if (pos < 0 || pos + n > text.size())
        return false;
    int v = 0;
    for (int i = pos; i < pos + n; ++i) {
        const char c = text.at(i);
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

QByteArray hex2(int v) { return QByteArray::number(v & 0xFF, 16).toUpper().rightJustified(2, '0'); }

QByteArray addressText(int block) { return QByteArray::number(block * kBlockSize, 16).toUpper().rightJustified(4, '0'); }

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

} // namespace

QByteArray modelLineFor(Model model)
{
    switch (model) {
    case Model::Qx4_100: return QByteArrayLiteral("Portavel_100_Qx4");
    case Model::Qx4_200: return QByteArrayLiteral("Portavel_200_Qx4");
    case Model::Qx4_500: return QByteArrayLiteral("Portavel_500_Qx4");
    case Model::Qx4_1000: return QByteArrayLiteral("Portavel_1000_Qx4");
    case Model::Unknown: break;
    }
    return QByteArray();
}

int memoryLimitFor(Model model)
{
    switch (model) {
    case Model::Qx4_100: return 0x1D00;
    case Model::Qx4_200: return 0x2A00;
    case Model::Qx4_500: return 0x5100;
    case Model::Qx4_1000: return 0x9000;
    case Model::Unknown: break;
    }
    return 0;
}

bool modelFromName(const QByteArray &name, Model *model)
{
    if (name == "100") *model = Model::Qx4_100;
    else if (name == "200") *model = Model::Qx4_200;
    else if (name == "500") *model = Model::Qx4_500;
    else if (name == "1000") *model = Model::Qx4_1000;
    else return false;
    return true;
}

bool DirectoryRecord::operator==(const DirectoryRecord &o) const
{
    return block == o.block && room == o.room && code1 == o.code1 && code2 == o.code2 && spare == o.spare
        && phone == o.phone && name == o.name;
}

bool UnitEvent::operator==(const UnitEvent &o) const
{
    return origin == o.origin && room == o.room && button == o.button && when == o.when && relay == o.relay
        && setBy == o.setBy && client == o.client;
}

bool WriteFault::take(int block)
{
    if (count == 0)
        return false;
    if (!blocks.isEmpty() && !blocks.contains(block))
        return false;
    if (count > 0)
        --count;
    return true;
}

SimulatedUnit::SimulatedUnit(QObject *parent)
    : QObject(parent), m_memory(kBlockCount * kBlockSize, kErased)
{
}

// --- configuration ---------------------------------------------------------

void SimulatedUnit::setModel(Model model) { m_model = model; }

void SimulatedUnit::setUnknownModel(const QByteArray &line, int memoryLimit)
{
    m_unknownLine = line;
    m_unknownLimit = std::clamp(memoryLimit, kDirectoryFirst * kBlockSize, kDirectoryTop * kBlockSize);
}

QByteArray SimulatedUnit::modelLine() const { return m_model == Model::Unknown ? m_unknownLine : modelLineFor(m_model); }

int SimulatedUnit::memoryLimit() const { return m_model == Model::Unknown ? m_unknownLimit : memoryLimitFor(m_model); }

void SimulatedUnit::setTimeScale(double scale) { m_timeScale = (scale >= 0.0 && std::isfinite(scale)) ? scale : 1.0; }

int SimulatedUnit::scaled(int ms) const
{
    if (ms <= 0)
        return 0;
    return int(std::lround(ms * m_timeScale));
}

void SimulatedUnit::repairLink()
{
    m_broken = false;
    m_linesOut = 0;
    m_bytesOut = 0;
}

void SimulatedUnit::setModemEnabled(bool on)
{
    m_modemEnabled = on;
    m_modemConnected = false;
    m_dialling = false;
    m_modemEcho = true;
}

// --- memory ------------------------------------------------------------------

QByteArray SimulatedUnit::block(int number) const
{
    if (number < 0 || number >= kBlockCount)
        return QByteArray();
    return m_memory.mid(number * kBlockSize, kBlockSize);
}

bool SimulatedUnit::setBlock(int number, const QByteArray &bytes)
{
    if (number < 0 || number >= kBlockCount || bytes.size() > kBlockSize)
        return false;
    QByteArray full = bytes;
    full.append(QByteArray(kBlockSize - bytes.size(), kErased));
    m_memory.replace(number * kBlockSize, kBlockSize, full);
    return true;
}

void SimulatedUnit::eraseDirectory()
{
    m_memory.replace(kDirectoryFirst * kBlockSize, (kDirectoryTop - kDirectoryFirst + 1) * kBlockSize,
                     QByteArray((kDirectoryTop - kDirectoryFirst + 1) * kBlockSize, kErased));
}

void SimulatedUnit::eraseTags()
{
    m_memory.replace(kTagFirst * kBlockSize, (kTagLast - kTagFirst + 1) * kBlockSize,
                     QByteArray((kTagLast - kTagFirst + 1) * kBlockSize, kErased));
}

QByteArray SimulatedUnit::encodeRecordData(const QByteArray &recordData, bool *ok)
{
    // room,code1,code2,spare,phone,name: the name is the rest after the fifth comma.
    QList<QByteArray> items;
    int from = 0;
    for (int i = 0; i < 5; ++i) {
        const int comma = recordData.indexOf(',', from);
        if (comma < 0) {
            if (ok)
                *ok = false;
            return QByteArray();
        }
        items.append(recordData.mid(from, comma - from));
        from = comma + 1;
    }
    items.append(recordData.mid(from));

    QByteArray bytes;
    bytes += packNibbles(items[0].left(6), 6);
    bytes += packNibbles(items[1].left(4), 4);
    bytes += packNibbles(items[2].left(4), 4);
    bytes += packNibbles(items[3].left(2), 2);
    bytes += packNibbles(items[4].left(16), 16);
    QByteArray name = items[5].left(16);
    const int erased = name.indexOf(kErased);
    if (erased >= 0)
        name.truncate(erased);
    bytes += name;
    bytes.append(QByteArray(16 - name.size(), kErased));
    if (ok)
        *ok = true;
    return bytes;
}

QByteArray SimulatedUnit::directoryLine(int block, const QByteArray &bytes)
{
    QByteArray line = addressText(block);
    line += ',';
    line += digitsOf(bytes, 0, 6);
    line += ',';
    line += digitsOf(bytes, 6, 4);
    line += ',';
    line += digitsOf(bytes, 10, 4);
    line += ',';
    line += digitsOf(bytes, 14, 2);
    line += ',';
    line += nibblesOf(bytes, 16, 16);
    line += ',';
    QByteArray name = bytes.mid(16, 16);
    const int erased = name.indexOf(kErased);
    if (erased >= 0)
        name.truncate(erased);
    line += name;
    return line;
}

QList<DirectoryRecord> SimulatedUnit::directoryRecords() const
{
    QList<DirectoryRecord> out;
    const QByteArray blank(kBlockSize, kErased);
    for (int b = kDirectoryFirst; b <= lastDirectoryBlock(); ++b) {
        const QByteArray bytes = block(b);
        if (bytes == blank)
            continue;
        DirectoryRecord r;
        r.block = b;
        r.room = digitsOf(bytes, 0, 6);
        r.code1 = digitsOf(bytes, 6, 4);
        r.code2 = digitsOf(bytes, 10, 4);
        r.spare = digitsOf(bytes, 14, 2);
        r.phone = nibblesOf(bytes, 16, 16);
        r.name = bytes.mid(16, 16);
        const int erased = r.name.indexOf(kErased);
        if (erased >= 0)
            r.name.truncate(erased);
        out.append(r);
    }
    return out;
}

bool SimulatedUnit::setDirectoryRecord(const DirectoryRecord &r)
{
    if (r.block < kDirectoryFirst || r.block > kDirectoryTop)
        return false;
    bool ok = false;
    const QByteArray data = r.room + ',' + r.code1 + ',' + r.code2 + ',' + r.spare + ',' + r.phone + ',' + r.name;
    const QByteArray bytes = encodeRecordData(data, &ok);
    return ok && setBlock(r.block, bytes);
}

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

// --- receiving -------------------------------------------------------------

void SimulatedUnit::receive(const QByteArray &bytes)
{
    for (char c : bytes) {
        if (c == '\r' || (c == '\n' && !m_lastWasCr)) {
            m_lastWasCr = (c == '\r');
            if (m_lineBuffer.size() > kMaxLine) {
                count("overlong");
            } else if (m_inbox.size() < kMaxInbox) {
                m_inbox.append(m_lineBuffer);
            }
            m_lineBuffer.clear();
            continue;
        }
        const bool wasCr = m_lastWasCr;
        m_lastWasCr = false;
        if (c == '\n' && wasCr)
            continue;
        if (m_lineBuffer.size() <= kMaxLine)
            m_lineBuffer.append(c);
    }
    if (!m_busy && !m_inbox.isEmpty())
        processNext();
}

void SimulatedUnit::linkDropped()
{
    ++m_generation;
    m_inbox.clear();
    m_lineBuffer.clear();
    m_lastWasCr = false;
    m_busy = false;
    m_loggedOn = false;
    m_modemConnected = false;
    m_dialling = false;
}

void SimulatedUnit::processNext()
{
    if (m_inbox.isEmpty()) {
        m_busy = false;
        return;
    }
    m_busy = true;
    const QByteArray line = m_inbox.takeFirst();
    m_lastCommands.append(line);
    while (m_lastCommands.size() > 200)
        m_lastCommands.removeFirst();
    const Reply reply = handle(line);
    emit commandHandled(line);
    emitReply(reply);
}

SimulatedUnit::Reply SimulatedUnit::handle(const QByteArray &line)
{
    const bool atCommand = line.size() >= 2 && (line.left(2).toLower() == "at");
    if (m_modemEnabled && !m_modemConnected) {
        bool handled = false;
        Reply r = handleModem(line, &handled);
        if (!handled)
            count("ignored");
        return r;
    }
    if (atCommand) {
        // No modem on this side of the link (or the call is up): a modem
        // command reaches nobody who answers it.
        const QByteArray lower = line.toLower();
        count(lower == "atz" ? "atz" : lower == "ate0" ? "ate0" : lower.startsWith("atd") ? "atd" : "at");
        return Reply();
    }
    return handleUnit(line);
}

SimulatedUnit::Reply SimulatedUnit::handleModem(const QByteArray &line, bool *handled)
{
    Reply r;
    r.raw = true;
    const QByteArray upper = line.toUpper();
    if (!upper.startsWith("AT")) {
        *handled = false;
        return r;
    }
    *handled = true;
    const QByteArray echo = m_modemEcho ? line + '\r' : QByteArray();
    if (upper == "ATZ") {
        count("atz");
        m_modemEcho = true;
        m_dialling = false;
    } else if (upper == "ATE0") {
        count("ate0");
        m_modemEcho = false;
    } else if (upper == "ATE1") {
        count("at");
        m_modemEcho = true;
    } else if (upper.startsWith("ATD")) {
        count("atd");
        m_dialling = true;
        if (!echo.isEmpty()) {
            const quint64 gen = m_generation;
            QTimer::singleShot(0, this, [this, echo, gen] {
                if (gen == m_generation)
                    emitOut({echo}, true);
            });
        }
        r.lines = {QByteArrayLiteral("\r\nCONNECT 9600\r\n")};
        r.delayMs = m_timing.connectDelayMs;
        r.connects = true;
        return r;
    } else {
        count("at");
    }
    r.lines = {echo + QByteArrayLiteral("\r\nOK\r\n")};
    return r;
}

SimulatedUnit::Reply SimulatedUnit::handleUnit(const QByteArray &line)
{
    Reply r;
    if (line.isEmpty()) {
        count("prompt");
        r.delayMs = m_faults.promptDelayMs;
        if (m_loggedOn) {
            r.lines = {QByteArrayLiteral("OK")};
        } else {
            r.lines = {QByteArrayLiteral("KVR Portavel QX4"), QByteArrayLiteral("Programming port"),
                       QByteArrayLiteral("Firmware 4.1"), modelLine(), QByteArrayLiteral("Enter PIN")};
        }
        return r;
    }
    const char c = line.at(0);
    if (c == 'a') {
        count("a");
        if (line.mid(1) == m_pin && !m_pin.isEmpty()) {
            m_loggedOn = true;
            r.lines = {QByteArrayLiteral("OK")};
        } else {
            r.lines = {QByteArrayLiteral("Invalid PIN")};
        }
        return r;
    }
    if (line == "x") {
        count("x");
        m_loggedOn = false;
        if (m_modemEnabled && m_modemConnected) {
            m_modemConnected = false;
            r.raw = true;
            r.lines = {QByteArrayLiteral("\r\nNO CARRIER\r\n")};
        }
        return r;
    }
    if (!m_loggedOn) {
        count("ignored");
        return r;
    }
    switch (c) {
    case 'r': count("r"); return readBlock(line);
    case 'p': count("p"); return writeBlock(line);
    case 'b': count("b"); return writeDirectory(line);
    case 'd': count("d"); return dump(line);
    case 's': count("s"); return listTags(line);
    case 'g': count("g"); return writeTag(line);
    case 't': count(line.size() == 1 ? "t" : "tset"); return clockCommand(line);
    default: break;
    }
    if (line == "e") {
        count("e");
        return eventLog();
    }
    if (line == "f5a") {
        count("f5a");
        eraseDirectory();
        if (!m_faults.neverAckErase) {
            r.lines = {QByteArrayLiteral("OK")};
            r.delayMs = m_timing.eraseDelayMs;
        }
        return r;
    }
    if (line == "c1418") {
        count("c");
        eraseTags();
        r.lines = {QByteArrayLiteral("OK")};
        r.delayMs = m_timing.tagEraseDelayMs;
        return r;
    }
    count("unknown");
    r.lines = {QByteArrayLiteral("Error")};
    return r;
}

// --- commands ---------------------------------------------------------------

bool SimulatedUnit::writable(int number) const
{
    return (number >= kParameterFirst && number <= kParameterLast)
        || (number >= kDirectoryFirst && number <= lastDirectoryBlock())
        || (number >= kTagFirst && number <= kTagLast);
}

QByteArray SimulatedUnit::blockLine(int number) const
{
    QByteArray line = addressText(number) + ':';
    const QByteArray bytes = block(number);
    if (number >= kMessageFirst && number <= kMessageLast)
        line += bytes;
    else
        line += nibblesOf(bytes, 0, 2 * kBlockSize);
    return line;
}

SimulatedUnit::Reply SimulatedUnit::readBlock(const QByteArray &line)
{
    Reply r;
    int number = 0;
    if (line.size() != 5 || !parseDigits(line, 1, 4, &number) || number >= kBlockCount) {
        r.lines = {QByteArrayLiteral("Error")};
        return r;
    }
    r.lines = {blockLine(number), QByteArrayLiteral("OK")};
    return r;
}

SimulatedUnit::Reply SimulatedUnit::writeBlock(const QByteArray &line)
{
    Reply r;
    int number = 0;
    const QByteArray data = line.mid(5);
    const bool message = parseDigits(line, 1, 4, &number) && number >= kMessageFirst && number <= kMessageLast;
    const int maxLen = message ? kBlockSize : 2 * kBlockSize;
    if (!parseDigits(line, 1, 4, &number) || !writable(number) || data.isEmpty() || data.size() > maxLen) {
        r.lines = {QByteArrayLiteral("Error")};
        return r;
    }
    QByteArray bytes = block(number);
    const QByteArray stored = message ? data : packNibbles(data, (data.size() / 2) * 2);
    bytes.replace(0, stored.size(), stored);
    if (m_faults.wrongP.take(number))
        bytes[0] = char(uchar(bytes.at(0)) ^ 0x01);
    setBlock(number, bytes);
    r.lines = {QByteArrayLiteral("OK")};
    return r;
}

SimulatedUnit::Reply SimulatedUnit::writeDirectory(const QByteArray &line)
{
    Reply r;
    int number = 0;
    // "b" + block + "," + RecordData + two check characters
    if (line.size() < 8 || !parseDigits(line, 1, 4, &number) || line.at(5) != ',') {
        r.lines = {QByteArrayLiteral("Error")};
        return r;
    }
    const QByteArray body = line.left(line.size() - 2);
    const QByteArray check = line.right(2);
    if (porv::Crc8(body) != check) {
        count("bcheck");
        r.lines = {QByteArrayLiteral("Error")};
        return r;
    }
    if (number < kDirectoryFirst || number > lastDirectoryBlock()) {
        r.lines = {QByteArrayLiteral("Error")};
        return r;
    }
    if (m_faults.refuseB.take(number))
        return r;
    bool ok = false;
    const QByteArray bytes = encodeRecordData(body.mid(6), &ok);
    if (!ok) {
        r.lines = {QByteArrayLiteral("Error")};
        return r;
    }
    setBlock(number, bytes);
    r.lines = {QByteArrayLiteral("OK")};
    return r;
}

SimulatedUnit::Reply SimulatedUnit::dump(const QByteArray &line)
{
    Reply r;
    int first = 0, last = 0;
    if (line.size() != 9 || !parseDigits(line, 1, 4, &first) || !parseDigits(line, 5, 4, &last) || first > last
        || last >= kBlockCount) {
        r.lines = {QByteArrayLiteral("Error")};
        return r;
    }
    r.lines.append(line);
    const QByteArray blank(kBlockSize, kErased);
    for (int b = first; b <= last; ++b) {
        if (b >= kDirectoryFirst && b <= kDirectoryTop) {
            // The directory lists only the records in use.
            if (b > lastDirectoryBlock())
                continue;
            const QByteArray bytes = block(b);
            if (bytes != blank)
                r.lines.append(directoryLine(b, bytes));
        } else {
            r.lines.append(blockLine(b));
        }
    }
    r.lines.append(QByteArrayLiteral("OK"));
    r.after = m_faults.linesAfterDump;
    return r;
}

SimulatedUnit::Reply SimulatedUnit::listTags(const QByteArray &line)
{
    Reply r;
    int first = 0, last = 0;
    if (line.size() != 9 || !parseDigits(line, 1, 4, &first) || !parseDigits(line, 5, 4, &last) || first > last
        || last >= kBlockCount) {
        r.lines = {QByteArrayLiteral("Error")};
        return r;
    }
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
        r.lines = {QByteArrayLiteral("Error")};
        return r;
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
            setClock(QDateTime(date, time));
            r.lines = {QByteArrayLiteral("OK")};
            return r;
        }
    }
    r.lines = {QByteArrayLiteral("Error")};
    return r;
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

// --- sending -----------------------------------------------------------------

void SimulatedUnit::emitReply(const Reply &reply)
{
    const quint64 gen = m_generation;
    if (reply.lines.isEmpty()) {
        QTimer::singleShot(0, this, [this, gen] {
            if (gen == m_generation)
                processNext();
        });
        return;
    }
    const int delay = scaled(reply.delayMs + m_timing.replyDelayMs + m_faults.extraDelayMs);
    QTimer::singleShot(delay, this, [this, reply, gen] {
        if (gen != m_generation)
            return;
        if (reply.connects) {
            m_dialling = false;
            m_modemConnected = true;
        }
        const int interval = scaled(m_timing.lineIntervalMs);
        if (reply.raw || interval <= 0 || reply.lines.size() < 2) {
            emitOut(reply.lines, reply.raw);
            replyDone(reply.after);
        } else {
            sendLinesFrom(reply.lines, interval, reply.after);
        }
    });
}

void SimulatedUnit::sendLinesFrom(QList<QByteArray> lines, int intervalMs, QList<QByteArray> after)
{
    const quint64 gen = m_generation;
    emitOut({lines.takeFirst()}, false);
    if (lines.isEmpty()) {
        replyDone(after);
        return;
    }
    QTimer::singleShot(intervalMs, this, [this, lines, intervalMs, after, gen] {
        if (gen == m_generation)
            sendLinesFrom(lines, intervalMs, after);
    });
}

void SimulatedUnit::replyDone(QList<QByteArray> after)
{
    if (!after.isEmpty()) {
        const quint64 gen = m_generation;
        QTimer::singleShot(scaled(20), this, [this, after, gen]() mutable {
            if (gen != m_generation)
                return;
            emitOut({after.takeFirst()}, false);
            replyDone(after);
        });
        return;
    }
    processNext();
}

void SimulatedUnit::emitOut(const QList<QByteArray> &lines, bool raw)
{
    QByteArray out;
    for (const QByteArray &line : lines) {
        if (m_faults.breakAfterLines > 0 && m_linesOut >= m_faults.breakAfterLines)
            m_broken = true;
        ++m_linesOut;
        if (m_broken || m_faults.silent)
            continue;
        if (m_faults.dropEveryNthLine > 0 && m_linesOut % m_faults.dropEveryNthLine == 0)
            continue;
        out += line;
        if (!raw)
            out += "\r\n";
    }
    if (out.isEmpty())
        return;
    if (m_faults.corruptEveryNthByte > 0) {
        for (int i = 0; i < out.size(); ++i) {
            ++m_bytesOut;
            if (m_bytesOut % m_faults.corruptEveryNthByte == 0)
                out[i] = char(uchar(out.at(i)) ^ 0x01);
        }
    }
    emit send(out);
}

} // namespace qx4
