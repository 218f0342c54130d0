// The log-on without a window: the core operation alone against the simulated
// unit over UDP on loopback.
#include <QStringList>

#include "headless_fixture.h"
#include "waiting.h"

using namespace headlesstest;
using porv::test::WaitFor;

using HeadlessLogOn = HeadlessUnit;

TEST_F(HeadlessLogOn, ARefusedPinThenTheRightOneOverTheNetworkLink)
{
    unit.setModel(qx4::Model::Qx4_200);
    const porv::LogOnResult refused = logOn("9999");
    EXPECT_EQ(refused.outcome, porv::LogOnOutcome::PinRefused);
    EXPECT_EQ(refused.message(), QStringLiteral("Failed to Connect\r\nCheck PIN"));
    EXPECT_FALSE(link.LoggedOn());
    EXPECT_FALSE(unit.loggedOn());

    QStringList statuses;
    QByteArray title;
    porv::LogOnProgress progress;
    progress.status = [&statuses](const QString &text) { statuses << text; };
    progress.modelRecognised = [&title](const porv::UnitModel &model) { title = model.title; };
    const porv::LogOnResult result = logOn("1234", progress);
    ASSERT_EQ(result.outcome, porv::LogOnOutcome::Connected) << result.message().toStdString();
    EXPECT_TRUE(result.message().isEmpty());
    EXPECT_EQ(statuses, QStringList({QStringLiteral("Loging on Please Wait"), QStringLiteral("waiting for Model Number"),
                                     QStringLiteral("OK Connected")}));
    EXPECT_EQ(result.modelLine, QByteArray("Portavel_200_Qx4"));
    EXPECT_EQ(result.memoryLimit, 0x2A00);
    EXPECT_EQ(session.MemoryLimit, 0x2A00);
    EXPECT_EQ(title, QByteArray("KVR Portavel QX4_200    Programmer   =Porv-Pro=  V8.4"));
    EXPECT_TRUE(link.LoggedOn());
    EXPECT_TRUE(unit.loggedOn());
    EXPECT_EQ(unit.commandCount("a"), 2);
    EXPECT_FALSE(link.Trace().Text().contains("1234"));

    link.CloseLink();
    EXPECT_TRUE(WaitFor([&] { return !unit.loggedOn(); }));
}

TEST(LogOnModels, ModelLineWithATrailingBlankMatchesNothing)
{
    EXPECT_EQ(porv::Session::FindModel("Portavel_200_Qx4 "), nullptr);
    ASSERT_NE(porv::Session::FindModel("Portavel_200_Qx4"), nullptr);
    EXPECT_EQ(porv::Session::FindModel("Portavel_200_Qx4")->memoryLimit, 0x2A00);
}
