#include "ModalAnswerer.h"
#include "Named.h"
#include "ui/frmAbout.h"

#include <windows.h>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const wchar_t kInfoKey[] = L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const wchar_t kLocationKey[] = L"SOFTWARE\\Microsoft\\Shared Tools Location";

void SetValue(const wchar_t* keyName, const wchar_t* valueName, const QString& text)
{
    HKEY key = nullptr;
    QVERIFY(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS);
    const std::wstring data = QDir::toNativeSeparators(text).toStdWString();
    RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   DWORD((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void DeleteValue(const wchar_t* keyName, const wchar_t* valueName)
{
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, keyName, valueName);
}

}  // namespace

// The System Info button against the machine's own registry.
class SystemInfoWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void theButtonStartsTheProgramTheRegistryNamesOrSaysItIsUnavailable()
    {
        QTemporaryDir folder;
        const QString program = folder.filePath(QStringLiteral("MSINFO32.EXE"));
        QVERIFY(QFile::copy(QStringLiteral(KORVEXC_MSINFO_STANDIN), program));
        const QString started = program + QStringLiteral(".started");

        // The program's own path first; with only the folder, the program in it.
        for (const bool withPath : {true, false}) {
            QFile::remove(started);
            if (withPath)
                SetValue(kInfoKey, L"PATH", program);
            SetValue(kLocationKey, L"MSINFO", folder.path());
            frmAbout about;
            ModalAnswerer answerer;
            Named<QPushButton>(about, "cmdSysInfo")->click();
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 20000);
            QVERIFY2(answerer.seen.isEmpty(), qPrintable(answerer.seen.join(u'\n')));
            DeleteValue(kInfoKey, L"PATH");
            DeleteValue(kLocationKey, L"MSINFO");
        }

        QFile::remove(started);
        frmAbout about;
        ModalAnswerer answerer;
        Named<QPushButton>(about, "cmdSysInfo")->click();
        QCOMPARE(answerer.seen, QStringList{"System Information Is Unavailable At This Time"});
        QVERIFY(!QFile::exists(started));
        QVERIFY(ModalAnswerer::TakeProblems().isEmpty());
    }
};

QTEST_MAIN(SystemInfoWindowsTest)
#include "SystemInfoWindowsTest.moc"
