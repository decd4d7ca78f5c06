#include "ui/SystemInfo.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <map>
#include <set>

namespace {

// A registry in memory: keys hold named values of a type, and every call is
// logged so that a test can see that what was opened was closed.
class FakeRegistry : public SystemRegistry {
public:
    struct Value {
        unsigned long type;
        QByteArray data;
    };

    long OpenKey(Key root, const QString& keyName, unsigned long access, Key* key) override
    {
        lastAccess = access;
        if (root != kLocalMachine || !keys.count(keyName) || failOpen)
            return 2;
        *key = Key(++opened);
        openNames[*key] = keyName;
        return 0;
    }
    long QueryValue(Key key, const QString& valueName, unsigned long bufferSize, unsigned long* type, QByteArray* data) override
    {
        const auto& values = keys[openNames[key]];
        const auto found = values.find(valueName);
        if (found == values.end() || found->second.data.size() > qsizetype(bufferSize))
            return 2;
        *type = found->second.type;
        *data = found->second.data;
        return 0;
    }
    long CloseKey(Key key) override
    {
        openNames.erase(key);
        return 0;
    }
    bool FileExists(const QString& path) override { return files.count(path) > 0; }
    bool StartProgram(const QString& path) override
    {
        started << path;
        return true;
    }

    std::map<QString, std::map<QString, Value>> keys;
    std::map<Key, QString> openNames;
    std::set<QString> files;
    QStringList started;
    unsigned long lastAccess = 0;
    int opened = 0;
    bool failOpen = false;
};

const QString kInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

}  // namespace

TEST(GetKeyValue, ReadsStringsAndDoubleWordsAndReportsFailures)
{
    FakeRegistry registry;
    registry.keys["K"] = {{"zero", {1, QByteArray("C:\\Tools\\info.exe\0", 18)}},
                          {"plain", {1, "text"}},
                          {"dword", {4, QByteArray("\x00\x01\x00\x00", 4)}},
                          {"binary", {3, "xyz"}},
                          {"huge", {1, QByteArray(2000, 'a')}}};
    QString value = QStringLiteral("old");
    EXPECT_TRUE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "K", "zero", value));
    EXPECT_EQ(value, QStringLiteral("C:\\Tools\\info.exe"));
    EXPECT_EQ(registry.lastAccess, 0x2003Fu);
    EXPECT_TRUE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "K", "plain", value));
    EXPECT_EQ(value, QStringLiteral("text"));
    EXPECT_TRUE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "K", "dword", value));
    EXPECT_EQ(value, QStringLiteral("256")) << "each byte keeps both its digits";
    EXPECT_TRUE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "K", "binary", value));
    EXPECT_EQ(value, QStringLiteral("256")) << "other types leave the value as it was";

    EXPECT_FALSE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "K", "missing", value));
    EXPECT_TRUE(value.isEmpty());
    value = QStringLiteral("old");
    EXPECT_FALSE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "K", "huge", value));
    EXPECT_TRUE(value.isEmpty());
    value = QStringLiteral("old");
    EXPECT_FALSE(SystemInfo::GetKeyValue(registry, SystemRegistry::kLocalMachine, "Nope", "plain", value));
    EXPECT_TRUE(value.isEmpty());
    EXPECT_TRUE(registry.openNames.empty()) << "every key opened was closed";
}

TEST(StartSysInfo, FindsTheToolByEitherValueOrGivesUp)
{
    FakeRegistry none;
    EXPECT_FALSE(SystemInfo::StartSysInfo(none));
    EXPECT_TRUE(none.started.isEmpty());

    FakeRegistry folderOnly;
    folderOnly.keys[kLocationKey] = {{"MSINFO", {1, QByteArray("C:\\Info\0", 8)}}};
    EXPECT_FALSE(SystemInfo::StartSysInfo(folderOnly)) << "no MSINFO32.EXE in that folder";
    folderOnly.files.insert(QStringLiteral("C:\\Info\\MSINFO32.EXE"));
    EXPECT_TRUE(SystemInfo::StartSysInfo(folderOnly));
    EXPECT_EQ(folderOnly.started, QStringList{"C:\\Info\\MSINFO32.EXE"});

    FakeRegistry direct;
    direct.keys[kInfoKey] = {{"PATH", {1, "C:\\Direct\\msinfo32.exe"}}};
    EXPECT_TRUE(SystemInfo::StartSysInfo(direct));
    EXPECT_EQ(direct.started, QStringList{"C:\\Direct\\msinfo32.exe"});

    EXPECT_FALSE(SystemInfo::StartSysInfo(SystemRegistry::Platform())) << "this platform has no registry";
}
