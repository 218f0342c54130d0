#include <gtest/gtest.h>

#include "delay.h"

#ifdef RFID_TESTS_WITH_WINDOW
#include "application.h"
#include "dialogseam.h"
#else
#include <QCoreApplication>
#endif

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef RFID_TESTS_WITH_WINDOW
    porv::Application app(argc, argv);
    porv::DialogSeam::SetScriptedByDefault(true);
#else
    QCoreApplication app(argc, argv);
#endif
    // Every wait and window timer runs 50 times faster than on a real unit.
    porv::SetTickScale(0.02);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
