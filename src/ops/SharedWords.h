#pragma once

#include "image/HexNotice.h"
#include "ops/OperatorFacts.h"

#include <QString>

class PassClock;

// The words that the window and the command line both use for what the chip
// commands report; each face adds its own around them.
class SharedWords {
public:
    // "Programming", "Verifying EEPROM"...
    static QString PassLabel(Pass pass);
    // "Programming 1A0", as the status line shows a pass's progress.
    static QString ProgressText(const Progress& progress);
    // "12 s left", or nothing before the pass's second point.
    static QString TimeLeft(const PassClock& clock);
    static QString FuseVerifyFailure();
    // fileWords names the file where it could not be read to its end, e.g. "The file a.hex".
    static QString NoticeText(const HexNotice& notice, const QString& fileWords);
    // What is wrong with the chip in the socket, and what to check.
    static QString DoubtText(const ChipDoubt& doubt);
    // between joins what happened to what to do about it: a space, or a blank line in a message box.
    static QString FailureText(const Failure& failure, const QString& between);
    // "program word 0100", "ID word 2"...
    static QString MismatchPlace(const Mismatch& mismatch);
    // "program word 0100: expected 305A, read 205A", as the record keeps it too
    static QString MismatchLine(const Mismatch& mismatch);
    // "program word 0100 reads 205A", for a blank check
    static QString NotBlankLine(const Mismatch& found);
};
