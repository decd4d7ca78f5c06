#pragma once

#include "ui/SystemRegistry.h"

// Finds and starts the operating system's system information tool.
class SystemInfo {
public:
    // False when the tool cannot be found or started.
    static bool StartSysInfo(SystemRegistry& registry);
    // Reads one registry value as text: a string as it is, a double word as a
    // number; other types leave keyVal as it was. False when the key or the
    // value cannot be read.
    static bool GetKeyValue(SystemRegistry& registry, SystemRegistry::Key keyRoot, const QString& keyName,
                            const QString& subKeyRef, QString& keyVal);
};
