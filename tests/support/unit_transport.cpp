#include "unit_transport.h"

namespace porv::test {

UnitTransport::UnitTransport(qx4::SimulatedUnit &unit, QObject *parent) : Transport(parent), m_unit(unit)
{
    connect(&m_unit, &qx4::SimulatedUnit::send, this, [this](const QByteArray &chunk) {
        if (m_open)
            emit received(chunk);
    });
}

void UnitTransport::write(const QByteArray &text)
{
    if (!m_open)
        return;
    written.append(text);
    m_unit.receive(text);
}

void UnitTransport::close()
{
    m_open = false;
    m_unit.linkDropped();
}

} // namespace porv::test
