// The simulated unit: its configuration, how command lines come in and are
// dispatched (the modem, the log-on, the command families in unit_memory.cpp
// and unit_events.cpp), and how answers go out with the faults applied. Its
// models, records, events and faults are in unit_types.*.
#include "simulated_unit.h"

#include <algorithm>
#include <cmath>

#include "codecs.h"
#include "unit_forms.h"

namespace qx4 {

using forms::kErased;

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
    m_writesAnswered = 0;
}

bool SimulatedUnit::writeAnswered()
{
    if (m_faults.silentAfterWrites > 0 && m_writesAnswered >= m_faults.silentAfterWrites)
        m_broken = true;
    if (m_broken)
        return false;
    ++m_writesAnswered;
    return true;
}

void SimulatedUnit::setModemEnabled(bool on)
{
    m_modemEnabled = on;
    m_modemConnected = false;
    m_dialling = false;
    m_modemEcho = true;
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

SimulatedUnit::Reply SimulatedUnit::errorReply()
{
    Reply r;
    r.lines = {QByteArrayLiteral("Error")};
    return r;
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
    case 'p': count("p"); return writeAnswered() ? writeBlock(line) : Reply();
    case 'b': count("b"); return writeAnswered() ? writeDirectory(line) : Reply();
    case 'd': count("d"); return dump(line);
    case 's': count("s"); return listTags(line);
    case 'g': count("g"); return writeAnswered() ? writeTag(line) : Reply();
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
    return errorReply();
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
        if (m_timing.splitAfterBytes > 0) {
            emitSplit(reply.lines, reply.raw, reply.after);
        } else if (reply.raw || interval <= 0 || reply.lines.size() < 2) {
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

void SimulatedUnit::emitSplit(const QList<QByteArray> &lines, bool raw, QList<QByteArray> after)
{
    const QByteArray out = rendered(lines, raw);
    if (!out.isEmpty())
        emit send(out.left(m_timing.splitAfterBytes));
    const quint64 gen = m_generation;
    QTimer::singleShot(scaled(m_timing.splitPauseMs), this, [this, rest = out.mid(m_timing.splitAfterBytes), after, gen] {
        if (gen != m_generation)
            return;
        if (!rest.isEmpty())
            emit send(rest);
        replyDone(after);
    });
}

void SimulatedUnit::emitOut(const QList<QByteArray> &lines, bool raw)
{
    const QByteArray out = rendered(lines, raw);
    if (!out.isEmpty())
        emit send(out);
}

QByteArray SimulatedUnit::rendered(const QList<QByteArray> &lines, bool raw)
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
    if (m_faults.corruptEveryNthByte > 0) {
        for (int i = 0; i < out.size(); ++i) {
            ++m_bytesOut;
            if (m_bytesOut % m_faults.corruptEveryNthByte == 0)
                out[i] = char(uchar(out.at(i)) ^ 0x01);
        }
    }
    return out;
}

} // namespace qx4
