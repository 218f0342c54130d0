#include "headless_fixture.h"

#include "delay.h"

namespace headlesstest {

void HeadlessUnit::SetUp()
{
    unit.setTimeScale(porv::TickScale());
    server = std::make_unique<qx4::UdpUnitServer>(&unit);
    ASSERT_TRUE(server->listen(QHostAddress(QLatin1String(porv::test::UnitAddress)), 8000)) << server->errorString().toStdString();
    session.NetworkSelected = true;
}

void HeadlessUnit::TearDown()
{
    link.CloseLink();
    server.reset();
}

porv::LogOnResult HeadlessUnit::logOn(const QByteArray &pin, const porv::LogOnProgress &progress)
{
    session.LogOnAbort = false;
    porv::LogOnDetails details;
    details.pin = pin;
    details.address = porv::test::UnitAddress;
    return porv::RunLogOn(session, details, progress);
}

} // namespace headlesstest
