// The main of every test executable: the window's application object (with
// its failure handler) on the offscreen platform, a dialog seam that tests
// answer in advance, and ticks 50 times faster than on a real unit.
#include <gtest/gtest.h>

#include "application.h"
#include "delay.h"
#include "dialogseam.h"

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    porv::Application app(argc, argv);
    // Every wait and window timer runs 50 times faster than on a real unit.
    porv::SetTickScale(0.02);
    porv::DialogSeam::SetScriptedByDefault(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
