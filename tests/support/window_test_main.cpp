// The main of every test executable: the window's application object (with
// its failure handler) on the offscreen platform, a dialog seam that tests
// answer in advance, and ticks faster than on a real unit: 0.05 of their real
// length, or PORV_TEST_TICK_SCALE (a slower build, such as one with the
// sanitizers, runs with longer ticks so that the unit's answers still come
// within the budgets).
#include <gtest/gtest.h>

#include "application.h"
#include "delay.h"
#include "dialogseam.h"
#include "private_environment.h"

int main(int argc, char **argv)
{
    const porv::test::PrivateEnvironment environment(argv[0]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    porv::Application app(argc, argv);
    bool ok = false;
    const double scale = qEnvironmentVariable("PORV_TEST_TICK_SCALE").toDouble(&ok);
    porv::SetTickScale(ok && scale > 0 ? scale : 0.05);
    // A busy machine does not spend the short ticks while this thread waits
    // for a processor.
    porv::SetWaitsSkipRunQueue(true);
    porv::DialogSeam::SetScriptedByDefault(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
