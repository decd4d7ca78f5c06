#pragma once

#include <QString>
#include <optional>

// Reads the operator's answer at the fuse prompt as hexadecimal: either case,
// up to the first character that is not a digit. Blanks around and inside the
// answer are skipped, and a leading "0x" is allowed. An answer that starts with
// no digit, or that does not fit in 16 bits, is refused.
class FuseAnswer {
public:
    struct Reading {
        std::optional<int> value;
        QString refusal;  // the operator's message when value is empty
    };

    static Reading Read(const QString& answer);
};
