#pragma once
// The link and the connection without a window, against the simulated unit on
// porv::test::UnitAddress over UDP on loopback (the tool's side on
// porv::test::ToolAddress, port 8000).
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

#include "link.h"
#include "logon.h"
#include "private_environment.h"
#include "session.h"
#include "simulated_unit.h"
#include "unit_servers.h"

namespace headlesstest {

class HeadlessUnit : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Logs on with that PIN through the network link.
    porv::LogOnResult logOn(const QByteArray &pin, const porv::LogOnProgress &progress = {});

    qx4::SimulatedUnit unit;
    std::unique_ptr<qx4::UdpUnitServer> server;
    porv::Link link;
    porv::Session session{link};
    // What the window's network poll does: passes the unit's datagrams on.
    QTimer poll;
};

} // namespace headlesstest
