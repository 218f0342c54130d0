#include <QCoreApplication>
#include <gtest/gtest.h>

#include "delay.h"
#include "private_environment.h"

int main(int argc, char **argv)
{
    const porv::test::PrivateEnvironment environment(argv[0]);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // The exchange tests count polls, not seconds: run the ticks fast.
    porv::SetTickScale(0.02);
    // A busy machine does not spend the short ticks while this thread waits
    // for a processor.
    porv::SetWaitsSkipRunQueue(true);
    return RUN_ALL_TESTS();
}
