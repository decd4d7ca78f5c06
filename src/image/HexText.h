#pragma once

#include <QString>

// Hexadecimal as the operator sees it: upper case, no prefix, no leading zeros.
class HexText {
public:
    static QString Number(int value);
    // Four digits, leading zeros kept: "0E20".
    static QString Word(int value);
    // The value of one hexadecimal digit of either case, or -1.
    static int Digit(char32_t c);
};
