#include "ui/SystemInfo.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <map>

namespace {

// Registry values by "key|value name", each with its type.
struct FakeRegistry : SystemRegistry {
    long OpenKey(Key, const QString& keyName, unsigned long, Key* key) override
    {
        open = keyName;
        *key = 1;
        return 0;
    }
    long QueryValue(Key, const QString& valueName, unsigned long, unsigned long* type, QByteArray* data) override
    {
        const auto found = values.find(open + QLatin1Char('|') + valueName);
        if (found == values.end())
            return 2;
        std::tie(*type, *data) = found->second;
        return 0;
    }
    long CloseKey(Key) override { return 0; }
    bool FileExists(const QString& path) override { return path == existing; }
    bool StartProgram(const QString& path) override { return (started << path, true); }

    std::map<QString, std::pair<unsigned long, QByteArray>> values;
    QString open, existing;
    QStringList started;
};

}  // namespace

TEST(SystemInfo, ReadsValuesAndFindsTheToolByEitherKey)
{
    FakeRegistry registry;
    registry.values["K|dword"] = {SystemRegistry::kDoubleWordValue, QByteArray("\x00\x01\x00\x00", 4)};
    QString value;
    EXPECT_TRUE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "K", "dword", value));
    EXPECT_EQ(value, QStringLiteral("256")) << "each byte keeps both its digits";
    EXPECT_FALSE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "K", "missing", value));
    EXPECT_TRUE(value.isEmpty());

    // The folder from the second key, its terminating zero cut; then the first key's path wins.
    registry.values["SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO"] = {SystemRegistry::kStringValue, QByteArray("C:\\Info\0", 8)};
    EXPECT_FALSE(SystemInfo::StartSysInfo(registry)) << "no MSINFO32.EXE in that folder";
    registry.existing = QStringLiteral("C:\\Info\\MSINFO32.EXE");
    EXPECT_TRUE(SystemInfo::StartSysInfo(registry));
    registry.values["SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH"] = {SystemRegistry::kStringValue, "C:\\Direct\\msinfo32.exe"};
    EXPECT_TRUE(SystemInfo::StartSysInfo(registry));
    EXPECT_EQ(registry.started, (QStringList{"C:\\Info\\MSINFO32.EXE", "C:\\Direct\\msinfo32.exe"}));
}
