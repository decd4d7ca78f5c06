#pragma once

#include "image/HexNotice.h"
#include "ops/OperatorFacts.h"

#include <QString>

// The window's words for what the chip commands report.
class OperatorWords {
public:
    static QString ProgressText(const Progress& progress);
    // The Yes/No question for a mismatch; for the configuration word, the message.
    static QString MismatchText(const Mismatch& mismatch);
    static QString NoticeText(const HexNotice& notice, const QString& fileName);
    static QString FailureText(const Failure& failure);
};
