#pragma once

#include <QStringList>

// What a configuration word of this chip family sets, in words, with the
// warnings an operator needs before writing it.
class FuseReading {
public:
    // One line per field, then the warnings.
    static QStringList Lines(int value);
};
