#include "link/PortList.h"

#include <gtest/gtest.h>

TEST(PortList, UsbAdaptersComeBeforeBuiltInPortsAndNumbersSortAsNumbers)
{
    const auto builtIn = [](const char* name) { return PortList::Entry{name, {}, {}, std::nullopt, std::nullopt, {}}; };
    const auto adapter = [](const char* name) { return PortList::Entry{name, "FT232R USB UART", "FTDI", 0x0403, 0x6001, "A5"}; };
    const QList<PortList::Entry> ordered = PortList::InOrder(
        {builtIn("ttyS10"), adapter("ttyUSB10"), builtIn("ttyS2"), adapter("ttyACM0"), builtIn("ttyS0"), adapter("ttyUSB2")});
    EXPECT_EQ(PortList::Names(ordered), (QStringList{"ttyACM0", "ttyUSB2", "ttyUSB10", "ttyS0", "ttyS2", "ttyS10"}));
    EXPECT_EQ(ordered.front().UsbIds(), "0403:6001");
    EXPECT_EQ(ordered.back().UsbIds(), QString());
}
