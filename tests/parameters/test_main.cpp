#include <gtest/gtest.h>

#include "delay.h"
#ifdef PORV_HAVE_SHELL
#include "application.h"
#include "dialogseam.h"
#else
#include <QApplication>
#endif

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef PORV_HAVE_SHELL
    // The window's failure handler and a dialog seam that tests answer.
    porv::Application app(argc, argv);
    porv::DialogSeam::SetScriptedByDefault(true);
#else
    QApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    // The reads and writes count ticks, not seconds: run them fast.
    porv::SetTickScale(0.02);
    return RUN_ALL_TESTS();
}
