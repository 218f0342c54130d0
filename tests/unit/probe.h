#pragma once
// Test helpers: drive a SimulatedUnit in-process and collect what it sends.
#include "simulated_unit.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QTimer>

#include <functional>

namespace unittest {

// Runs the event loop until pred() holds or timeoutMs passes.
inline bool waitFor(const std::function<bool()> &pred, int timeoutMs = 3000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Runs the event loop for ms milliseconds.
inline void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lines of a reply split at CR LF; a final CR LF ends the last line.
inline QList<QByteArray> linesOf(const QByteArray &text)
{
    QList<QByteArray> out;
    int from = 0;
    while (from < text.size()) {
        const int end = text.indexOf("\r\n", from);
        if (end < 0) {
            out.append(text.mid(from));
            break;
        }
        out.append(text.mid(from, end - from));
        from = end + 2;
    }
    return out;
}

class Probe {
public:
    explicit Probe(qx4::SimulatedUnit &unit) : m_unit(unit)
    {
        QObject::connect(&unit, &qx4::SimulatedUnit::send, &m_context, [this](const QByteArray &chunk) {
            received += chunk;
            chunks.append(chunk);
        });
    }

    void sendLine(const QByteArray &line) { m_unit.receive(line + '\r'); }

    bool waitForText(const QByteArray &text, int timeoutMs = 3000)
    {
        return waitFor([&] { return received.contains(text); }, timeoutMs);
    }

    // Sends a command and returns what arrived until `end` (or the timeout).
    QByteArray command(const QByteArray &line, const QByteArray &end = QByteArrayLiteral("OK\r\n"),
                       int timeoutMs = 3000)
    {
        clear();
        sendLine(line);
        waitForText(end, timeoutMs);
        return received;
    }

    // Sends a command and waits until the unit has handled it and gone quiet.
    QByteArray commandQuiet(const QByteArray &line, int quietMs = 60)
    {
        clear();
        sendLine(line);
        waitFor([&] { return !m_unit.busy(); }, 3000);
        settle(quietMs);
        return received;
    }

    bool logOn(const QByteArray &pin = QByteArrayLiteral("1234"))
    {
        return command("a" + pin).contains("OK\r\n") && m_unit.loggedOn();
    }

    void clear()
    {
        received.clear();
        chunks.clear();
    }

    QByteArray received;
    QList<QByteArray> chunks;

private:
    qx4::SimulatedUnit &m_unit;
    QObject m_context;
};

} // namespace unittest
