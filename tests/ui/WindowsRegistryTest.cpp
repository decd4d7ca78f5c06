#include "ui/SystemInfo.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

namespace {

const wchar_t kInfoKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const wchar_t kLocationKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";

void SetValue(const wchar_t* keyName, const wchar_t* valueName, const QString& text)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    const std::wstring data = QDir::toNativeSeparators(text).toStdWString();
    RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   DWORD((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

bool AppearsWithin20s(const QString& path)
{
    for (int tenth = 0; tenth < 200 && !QFile::exists(path); ++tenth)
        QThread::msleep(100);
    return QFile::exists(path);
}

}  // namespace

// The machine's own registry: the program's path first, else the program in the folder named.
// (With neither value, the window's tests see the message that it is unavailable.)
TEST(WindowsRegistry, SystemInfoStartsTheProgramThatTheRegistryNames)
{
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("MSINFO32.EXE"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KORVEXC_MSINFO_STANDIN), program));
    const QString started = program + QStringLiteral(".started");
    for (const bool withPath : {true, false}) {
        QFile::remove(started);
        if (withPath)
            SetValue(kInfoKey, L"PATH", program);
        SetValue(kLocationKey, L"MSINFO", withPath ? folder.filePath("elsewhere") : folder.path());
        EXPECT_TRUE(SystemInfo::StartSysInfo(SystemRegistry::Platform()));
        EXPECT_TRUE(AppearsWithin20s(started)) << "with the program's path: " << withPath;
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kInfoKey, L"PATH");
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kLocationKey, L"MSINFO");
    }
}
