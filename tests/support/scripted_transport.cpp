#include "scripted_transport.h"

#include <QTimer>

#include "failures.h"

namespace porv::test {

ScriptedTransport::ScriptedTransport(QObject *parent) : Transport(parent) {}

void ScriptedTransport::write(const QByteArray &text)
{
    if (m_failWrites)
        throw SerialError(QStringLiteral("WriteFile function failed (Error: 5)"));
    written.append(text);
    if (m_answer)
        post(m_answer(text));
}

void ScriptedTransport::post(const QList<QByteArray> &chunks)
{
    for (const QByteArray &chunk : chunks)
        QTimer::singleShot(0, this, [this, chunk] { emit received(chunk); });
}

int CountStartingWith(const QList<QByteArray> &written, const QByteArray &prefix)
{
    int n = 0;
    for (const QByteArray &w : written)
        if (w.startsWith(prefix))
            ++n;
    return n;
}

} // namespace porv::test
