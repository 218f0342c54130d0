#include <QApplication>
#include <gtest/gtest.h>

#include "delay.h"

int main(int argc, char **argv)
{
    // The page tests need widgets; the rest needs only the event loop.
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // The reads and writes count ticks, not seconds: run them fast.
    porv::SetTickScale(0.02);
    return RUN_ALL_TESTS();
}
