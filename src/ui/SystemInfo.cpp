#include "ui/SystemInfo.h"

namespace {

constexpr unsigned long kReadAccess = 0x2003F;
constexpr unsigned long kBufferSize = 1024;

}  // namespace

bool SystemInfo::GetKeyValue(SystemRegistry& registry, SystemRegistry::Key keyRoot, const QString& keyName,
                             const QString& subKeyRef, QString& keyVal)
{
    SystemRegistry::Key key = 0;
    if (registry.OpenKey(keyRoot, keyName, kReadAccess, &key) != 0) {
        keyVal.clear();
        return false;
    }
    unsigned long type = 0;
    QByteArray data;
    if (registry.QueryValue(key, subKeyRef, kBufferSize, &type, &data) != 0) {
        keyVal.clear();
        registry.CloseKey(key);
        return false;
    }
    if (data.endsWith('\0'))
        data.chop(1);
    if (type == SystemRegistry::kStringValue) {
        keyVal = QString::fromLocal8Bit(data);
    } else if (type == SystemRegistry::kDoubleWordValue) {
        // Every byte counts with both its digits, so 0x100 reads 256 and not 16.
        quint64 value = 0;
        for (qsizetype i = data.size() - 1; i >= 0; --i)
            value = value * 256 + static_cast<unsigned char>(data[i]);
        keyVal = QString::number(value);
    }
    registry.CloseKey(key);
    return true;
}

bool SystemInfo::StartSysInfo(SystemRegistry& registry)
{
    QString path;
    if (!GetKeyValue(registry, SystemRegistry::kLocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                     QStringLiteral("PATH"), path)) {
        if (!GetKeyValue(registry, SystemRegistry::kLocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                         QStringLiteral("MSINFO"), path))
            return false;
        path += QStringLiteral("\\MSINFO32.EXE");
        if (!registry.FileExists(path))
            return false;
    }
    return registry.StartProgram(path);
}
