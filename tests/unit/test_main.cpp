#include <QCoreApplication>

#include <gtest/gtest.h>

#include "private_environment.h"

int main(int argc, char **argv)
{
    const porv::test::PrivateEnvironment environment(argv[0]);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
