#include "ui/SystemInfo.h"

#include <gtest/gtest.h>

namespace {

// One double-word value, 0x100, stored low byte first.
struct OneValue : SystemRegistry {
    long OpenKey(Key, const QString&, unsigned long, Key* key) override { return (*key = 1, 0); }
    long QueryValue(Key, const QString&, unsigned long, unsigned long* type, QByteArray* data) override
    {
        *type = kDoubleWordValue;
        *data = QByteArray("\x00\x01\x00\x00", 4);
        return 0;
    }
    long CloseKey(Key) override { return 0; }
    bool FileExists(const QString&) override { return false; }
    bool StartProgram(const QString&) override { return false; }
};

}  // namespace

TEST(SystemInfo, ADoubleWordReadsWithEveryDigitOfItsBytes)
{
    OneValue registry;
    QString value;
    EXPECT_TRUE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "K", "V", value));
    EXPECT_EQ(value, QStringLiteral("256"));
}
