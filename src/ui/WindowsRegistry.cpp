// The Windows registry and process start behind the System Info button.
#include "ui/SystemRegistry.h"

#include <windows.h>
#include <shellapi.h>
#include <QFileInfo>

namespace {

class WindowsRegistry : public SystemRegistry {
public:
    long OpenKey(Key root, const QString& keyName, unsigned long access, Key* key) override
    {
        HKEY opened = nullptr;
        const long result = RegOpenKeyExA(reinterpret_cast<HKEY>(root), keyName.toLocal8Bit().constData(), 0, access, &opened);
        *key = reinterpret_cast<Key>(opened);
        return result;
    }
    long QueryValue(Key key, const QString& valueName, unsigned long bufferSize, unsigned long* type, QByteArray* data) override
    {
        data->resize(qsizetype(bufferSize));
        DWORD size = bufferSize;
        DWORD valueType = 0;
        const long result = RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.toLocal8Bit().constData(), nullptr,
                                             &valueType, reinterpret_cast<BYTE*>(data->data()), &size);
        data->resize(result == 0 ? qsizetype(size) : 0);
        *type = valueType;
        return result;
    }
    long CloseKey(Key key) override { return RegCloseKey(reinterpret_cast<HKEY>(key)); }
    bool FileExists(const QString& path) override { return QFileInfo(path).isFile(); }
    bool StartProgram(const QString& path) override
    {
        return reinterpret_cast<INT_PTR>(
                   ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(path.utf16()), nullptr, nullptr, SW_SHOWNORMAL))
               > 32;
    }
};

}  // namespace

SystemRegistry& SystemRegistry::Platform()
{
    static WindowsRegistry registry;
    return registry;
}
