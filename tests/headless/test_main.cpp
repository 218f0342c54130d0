// The main of the tests without a window: a core application only, and ticks
// at 0.05 of their real length, or PORV_TEST_TICK_SCALE.
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "delay.h"
#include "private_environment.h"

int main(int argc, char **argv)
{
    const porv::test::PrivateEnvironment environment(argv[0]);
    QCoreApplication app(argc, argv);
    bool ok = false;
    const double scale = qEnvironmentVariable("PORV_TEST_TICK_SCALE").toDouble(&ok);
    porv::SetTickScale(ok && scale > 0 ? scale : 0.05);
    // A busy machine does not spend the short ticks while this thread waits
    // for a processor.
    porv::SetWaitsSkipRunQueue(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
