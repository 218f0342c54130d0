#pragma once
// The unit connection without a window, against the simulated unit on
// porv::test::UnitAddress over UDP on loopback (the tool's side on
// porv::test::ToolAddress, port 8000); its Timer4 polls the network link.
#include <gtest/gtest.h>
#include <memory>

#include "link.h"
#include "logon.h"
#include "private_environment.h"
#include "session.h"
#include "simulated_unit.h"
#include "unit_servers.h"
#include "unitconnection.h"

namespace headlesstest {

class HeadlessUnit : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Logs on with that PIN through the network link (RunLogOn, the
    // connection's log-on without its keep-alive).
    porv::LogOnResult logOn(const QByteArray &pin, const porv::LogOnProgress &progress = {});

    qx4::SimulatedUnit unit;
    std::unique_ptr<qx4::UdpUnitServer> server;
    porv::UnitConnection connection;
    porv::Link &link = connection.link();
    porv::Session &session = connection.session();
};

} // namespace headlesstest
