// GoogleTest main for code that needs a Qt application object (serial ports,
// settings, files).
#include <gtest/gtest.h>
#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
