#include "link/PortName.h"

#include <gtest/gtest.h>

#include <QStringList>

TEST(PortName, NumbersAndNamesMapToDevicesAndOtherTextIsRefusedWithAReason)
{
#ifdef Q_OS_WIN
    EXPECT_EQ(PortName::Resolve(" 4 ").device, QStringLiteral("COM4"));
    EXPECT_EQ(PortName::Resolve("com17").device, QStringLiteral("COM17"));
    EXPECT_EQ(PortName::Resolve("\\\\.\\CNCA0").device, QStringLiteral("CNCA0"));
    const QStringList platformRefused{"C:\\Windows\\win.ini", "\\\\server\\share\\COM1", "..\\COM1", "COM1:", "/dev/ttyS0"};
#else
    EXPECT_EQ(PortName::Resolve(" 4 ").device, QStringLiteral("/dev/ttyS3"));
    EXPECT_EQ(PortName::Resolve("com7").device, QStringLiteral("/dev/ttyS6"));
    EXPECT_EQ(PortName::Resolve("65535").device, QStringLiteral("/dev/ttyS65534"));
    EXPECT_EQ(PortName::Resolve("ttyUSB0").device, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(PortName::Resolve("/dev/ttyACM0").device, QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(PortName::Resolve("pts/3").device, QStringLiteral("/dev/pts/3"));
    const QStringList platformRefused{"/etc/passwd", "/dev/../etc/passwd", "pts/../../etc"};
#endif

    QStringList refused{QString(), "   ", "0", "-1", "70000", "99999999999999999999999", "1.5", "a b", QString(10000, u'9')};
    for (const QString& text : refused + platformRefused) {
        const PortName::Choice choice = PortName::Resolve(text);
        EXPECT_TRUE(choice.device.isEmpty()) << text.left(50).toStdString();
        EXPECT_FALSE(choice.error.isEmpty()) << text.left(50).toStdString();
        EXPECT_LT(choice.error.size(), 200) << "the message stays readable";
    }
}
