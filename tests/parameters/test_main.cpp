#include <QCoreApplication>
#include <gtest/gtest.h>

#include "delay.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // The reads and writes count ticks, not seconds: run them fast.
    porv::SetTickScale(0.02);
    return RUN_ALL_TESTS();
}
