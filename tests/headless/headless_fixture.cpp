#include "headless_fixture.h"

#include <cmath>

#include "delay.h"

namespace headlesstest {

void HeadlessUnit::SetUp()
{
    unit.setTimeScale(porv::TickScale());
    server = std::make_unique<qx4::UdpUnitServer>(&unit);
    ASSERT_TRUE(server->listen(QHostAddress(QLatin1String(porv::test::UnitAddress)), 8000)) << server->errorString().toStdString();
    session.NetworkSelected = true;
    poll.setInterval(std::max(1, int(std::lround(50 * porv::TickScale()))));
    QObject::connect(&poll, &QTimer::timeout, &session, [this] {
        if (session.NetworkOpen())
            session.PollNetwork();
    });
    poll.start();
}

void HeadlessUnit::TearDown()
{
    poll.stop();
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
