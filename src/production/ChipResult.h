#pragma once

#include "ops/ChipContents.h"
#include "ops/ChipIdentity.h"
#include "ops/CommandOutcome.h"
#include "ops/OperatorFacts.h"
#include "production/ChipVerdict.h"
#include "production/Tally.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>

// One chip's result on one port, as facts.
struct ChipResult {
    // What a row holds while its command runs.
    static constexpr QLatin1String kUnfinished{"unfinished"};

    ChipVerdict verdict = ChipVerdict::Passed;
    bool recordLost = false;  // the chip is done, but its row could not be completed
    double seconds = 0;
    long long wireBytes = 0;
    std::chrono::microseconds pingRoundTrip{0};
    std::optional<int> adapterTimer;
    std::optional<long long> serial;
    std::optional<int> serialLine;  // the line of the serial number file the chip got
    QString lot;  // as the chip's row records it: the station's lot as the chip started
    int mismatches = 0;
    std::optional<Mismatch> firstMismatch;
    std::optional<ChipIdentity> identity;  // when the chip's ID was read
    std::optional<std::uint16_t> checksum;  // of what Program! leaves on the chip
    ChipContents chip;  // read and blank-check

    // The row's result: the verdict's word, or "record lost: " and it, so the chip's own result stays in sight.
    QString RecordWord() const;
    // The row's first mismatch, as the record keeps it; empty when there was none.
    QString MismatchText() const;
    bool Passed() const { return verdict == ChipVerdict::Passed && !recordLost; }
    Tally::Count Counted() const;
};
