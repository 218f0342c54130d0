#include "scripted_transport.h"

#include <QTimer>

namespace porv::test {

ScriptedTransport::ScriptedTransport(QObject *parent) : Transport(parent) {}

void ScriptedTransport::write(const QByteArray &text)
{
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
