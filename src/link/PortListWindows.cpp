#include "link/PortList.h"

#include <windows.h>

// Windows lists every serial port it has a driver for under one key: the
// value's name is the driver's device (\Device\VCP0 for an FTDI adapter), its
// data the COM name.
QList<PortList::Entry> PortList::SystemPorts()
{
    QList<Entry> entries;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return entries;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        wchar_t data[256] = {};
        DWORD nameLength = DWORD(std::size(name));
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG result =
            RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            continue;
        const QString port = QString::fromWCharArray(data, int(dataSize / sizeof(wchar_t))).section(QChar(0), 0, 0).trimmed();
        if (!port.isEmpty())
            entries << Entry{port,     QString::fromWCharArray(name, int(nameLength)), QString(), std::nullopt, std::nullopt,
                             QString()};
    }
    RegCloseKey(key);
    return entries;
}
