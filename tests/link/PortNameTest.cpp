#include "link/PortName.h"

#include <gtest/gtest.h>

TEST(PortName, NumbersAndNamesMapToDevicesAndOtherTextIsRefusedWithAReason)
{
    EXPECT_EQ(PortName::Resolve(" 4 ").device, QStringLiteral("/dev/ttyS3"));
    EXPECT_EQ(PortName::Resolve("com7").device, QStringLiteral("/dev/ttyS6"));
    EXPECT_EQ(PortName::Resolve("65535").device, QStringLiteral("/dev/ttyS65534"));
    EXPECT_EQ(PortName::Resolve("ttyUSB0").device, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(PortName::Resolve("/dev/ttyACM0").device, QStringLiteral("/dev/ttyACM0"));
    EXPECT_EQ(PortName::Resolve("pts/3").device, QStringLiteral("/dev/pts/3"));

    for (const QString& text :
         {QString(), QStringLiteral("   "), QStringLiteral("0"), QStringLiteral("-1"), QStringLiteral("70000"),
          QStringLiteral("99999999999999999999999"), QStringLiteral("1.5"), QStringLiteral("/etc/passwd"),
          QStringLiteral("/dev/../etc/passwd"), QStringLiteral("pts/../../etc"), QStringLiteral("a b"), QString(10000, u'9')}) {
        const PortName::Choice choice = PortName::Resolve(text);
        EXPECT_TRUE(choice.device.isEmpty()) << text.left(50).toStdString();
        EXPECT_FALSE(choice.error.isEmpty()) << text.left(50).toStdString();
        EXPECT_LT(choice.error.size(), 200) << "the message stays readable";
    }
}
