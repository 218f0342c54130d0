// The unit connection under both front ends, without a window: its log-on,
// the keep-alive it alone counts, and the typed end of a link whose unit
// stopped answering, against the simulated unit over UDP on loopback.
#include <QList>

#include "headless_fixture.h"
#include "waiting.h"

using namespace headlesstest;
using porv::test::WaitFor;

using UnitConnectionTest = HeadlessUnit;

TEST_F(UnitConnectionTest, LogsOnKeepsTheLinkAliveOnceAndEndsASilentUnitByItsReason)
{
    unit.setModel(qx4::Model::Qx4_200);
    int loggedOn = 0;
    QList<porv::LogOffReason> reasons;
    QObject::connect(&connection, &porv::UnitConnection::loggedOn, &connection, [&] { ++loggedOn; });
    QObject::connect(&connection, &porv::UnitConnection::loggedOff, &connection,
                     [&](porv::LogOffReason reason) { reasons << reason; });
    session.LogOnAbort = false;
    porv::LogOnDetails details;
    details.pin = "1234";
    details.address = porv::test::UnitAddress;
    ASSERT_TRUE(connection.LogOn(details).connected());
    EXPECT_EQ(loggedOn, 1);
    const porv::UnitIdentity identity = connection.Unit();
    EXPECT_EQ(identity.modelLine, QByteArray("Portavel_200_Qx4"));
    EXPECT_EQ(identity.memoryLimit, 0x2A00);
    EXPECT_EQ(identity.connection, QStringLiteral("udp ") + QLatin1String(porv::test::UnitAddress));
    EXPECT_EQ(porv::UnitConnection::MemoryLimitOf(link), 0x2A00);
    ASSERT_TRUE(connection.KeepAliveTimer().isActive());

    // Timer2's seconds as they fire; the unit notes how many had passed when
    // each CR prompt reached it. Counted once, the prompt goes out on the
    // fifteenth second after the last command, and again fifteen later.
    int seconds = 0;
    QList<int> prompts;
    QObject::connect(&connection.KeepAliveTimer(), &QTimer::timeout, &connection, [&] { ++seconds; });
    QObject::connect(&unit, &qx4::SimulatedUnit::commandHandled, &connection, [&](const QByteArray &line) {
        if (line.isEmpty())
            prompts << seconds;
    });
    ASSERT_TRUE(WaitFor([&] { return prompts.size() == 2; }, 120000));
    EXPECT_EQ(prompts, (QList<int>{14, 29}));
    EXPECT_TRUE(link.LoggedOn());
    EXPECT_TRUE(reasons.isEmpty());

    // A unit that stops answering ends the link at the next prompt.
    unit.faults().silent = true;
    ASSERT_TRUE(WaitFor([&] { return !link.LoggedOn(); }, 120000));
    EXPECT_EQ(prompts.size(), 3);
    EXPECT_EQ(reasons, QList<porv::LogOffReason>{porv::LogOffReason::KeepAliveFailed});
    EXPECT_FALSE(connection.KeepAliveTimer().isActive());
    EXPECT_FALSE(session.NetworkOpen());
}

TEST_F(UnitConnectionTest, OperationsNestAndHoldTheKeepAliveWhileTheyRun)
{
    unit.setModel(qx4::Model::Qx4_200);
    session.LogOnAbort = false;
    porv::LogOnDetails details;
    details.pin = "1234";
    details.address = porv::test::UnitAddress;
    ASSERT_TRUE(connection.LogOn(details).connected());
    QStringList seen;
    QObject::connect(&connection, &porv::UnitConnection::operationStarted, &connection,
                     [&](const QString &name) { seen << QStringLiteral("start ") + name; });
    QObject::connect(&connection, &porv::UnitConnection::operationFinished, &connection,
                     [&](const QString &name) { seen << QStringLiteral("end ") + name; });
    QObject::connect(&connection, &porv::UnitConnection::progress, &connection,
                     [&](int done, int total, const QString &step) { seen << QStringLiteral("%1 %2/%3").arg(step).arg(done).arg(total); });
    {
        porv::UnitOperation whole(connection, QStringLiteral("backup"), porv::kHeldTransfer);
        EXPECT_FALSE(connection.KeepAliveTimer().isActive());
        {
            porv::UnitOperation read(link, QStringLiteral("r0000"), porv::TransferShown);
            porv::UnitConnection::ReportProgress(link, 1, 4);
            connection.RequestCancel();
            EXPECT_TRUE(read.CancelRequested());
        }
        // The inner one ended; the outer still holds the unit and the keep-alive.
        EXPECT_EQ(connection.OperationName(), QStringLiteral("backup"));
        EXPECT_EQ(connection.Traits(), porv::kHeldTransfer);
        EXPECT_FALSE(connection.KeepAliveTimer().isActive());
        EXPECT_TRUE(connection.CancelRequested());
    }
    EXPECT_FALSE(connection.OperationRunning());
    EXPECT_FALSE(connection.CancelRequested());
    EXPECT_TRUE(connection.KeepAliveTimer().isActive());
    EXPECT_EQ(seen, (QStringList{QStringLiteral("start backup"), QStringLiteral("start r0000"),
                                 QStringLiteral("r0000 1/4"), QStringLiteral("end r0000"),
                                 QStringLiteral("end backup")}));

    // After a Log Off inside an operation the keep-alive stays off.
    {
        porv::UnitOperation read(connection, QStringLiteral("download"), porv::kHeldTransfer);
        connection.LogOff();
    }
    EXPECT_FALSE(connection.KeepAliveTimer().isActive());
    EXPECT_FALSE(link.LoggedOn());
}
