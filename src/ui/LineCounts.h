#pragma once

#include "production/Tally.h"

#include <QElapsedTimer>
#include <QString>

// The line's counts since the window opened and since they were last reset:
// passed, failed, empty, the yield (passed over passed and failed) and chips
// per hour.
class LineCounts {
public:
    LineCounts();

    void Add(Tally::Count count);
    void Reset();
    // "Since opened: 12 passed, 1 failed, 2 empty, yield 92.3 %, 480 chips/h", then a line since the reset.
    QString Text() const;

private:
    struct Period {
        Tally::Counts counts;
        QElapsedTimer since;
    };
    static QString Line(const QString& name, const Period& period);

    Period opened_;
    Period reset_;
};
