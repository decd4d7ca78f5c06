#pragma once

#include <QString>

// What another program would find at a port after a command: the port free,
// and no lock file left behind.
class PortChecks {
public:
    static bool IsFree(const QString& device);
    // The serial port library's lock file: /dev/pts/3 is /var/lock/LCK..pts_3.
    static bool HasLockFile(const QString& device);
};
