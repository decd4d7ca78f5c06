#pragma once

#include <QString>

// What a line window remembers for its station (the job, the ports, the
// record) in the user's settings, and what an administrator fixes for it in
// the system-wide ones (/etc/xdg/KORVEXC.ini on Linux): a value set there is
// shown and cannot be changed. The file's permissions are the lock.
class LineSettings {
public:
    struct Value {
        QString text;
        bool locked = false;
    };
    static Value Job();
    static Value Ports();
    // Stored as shown: never with its password.
    static Value Record();
    static void Remember(const QString& job, const QString& ports, const QString& record);
    // "Line"/"SoundOnFail": a short sound on each FAIL unless set to false.
    static bool SoundOnFail();
};
