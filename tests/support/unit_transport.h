#pragma once
// A transport to a simulated unit in the same process: what the tool writes
// reaches the unit, and what the unit sends comes back through the event
// queue, in the chunks the unit sends them.
#include "simulated_unit.h"
#include "transport.h"

namespace porv::test {

class UnitTransport : public Transport {
    Q_OBJECT
public:
    explicit UnitTransport(qx4::SimulatedUnit &unit, QObject *parent = nullptr);

    bool isOpen() const override { return m_open; }
    void write(const QByteArray &text) override;
    void close() override;
    void open() { m_open = true; }

    QList<QByteArray> written;

private:
    qx4::SimulatedUnit &m_unit;
    bool m_open = true;
};

} // namespace porv::test
