#pragma once
// A transport for tests of the exchange: records what the tool writes and
// answers with scripted text, delivered through the event queue in chunks
// that may end anywhere.
#include <QByteArray>
#include <QList>
#include <functional>

#include "transport.h"

namespace porv::test {

class ScriptedTransport : public Transport {
    Q_OBJECT
public:
    using Answer = std::function<QList<QByteArray>(const QByteArray &written)>;

    explicit ScriptedTransport(QObject *parent = nullptr);

    bool isOpen() const override { return m_open; }
    void write(const QByteArray &text) override;
    void close() override { m_open = false; }

    void open() { m_open = true; }
    // For each write, the chunks to deliver back (each posted separately).
    void setAnswer(Answer answer) { m_answer = std::move(answer); }
    // Delivers text now, as if it had just arrived.
    void deliver(const QByteArray &chunk) { emit received(chunk); }
    // Posts chunks for delivery on the next passes of the event loop.
    void post(const QList<QByteArray> &chunks);

    // Every later write fails as a serial write does.
    void failWrites(bool fail) { m_failWrites = fail; }

    QList<QByteArray> written;

private:
    bool m_failWrites = false;
    bool m_open = true;
    Answer m_answer;
};

// Counts the writes that begin with the given prefix.
int CountStartingWith(const QList<QByteArray> &written, const QByteArray &prefix);

} // namespace porv::test
