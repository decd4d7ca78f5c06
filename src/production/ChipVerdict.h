#pragma once

#include "ops/CommandOutcome.h"
#include "production/Tally.h"

#include <QLatin1String>
#include <QString>
#include <cstddef>
#include <optional>

// How one chip's command ended on a line.
enum class ChipVerdict {
    Passed,
    Mismatch,  // a verify met a mismatch, or a blank check a location that is not erased
    NoSuchPort,
    PortNotOpened,
    NotDetected,
    LinkLost,
    Abandoned,  // stopped at a safe point; its row stays unfinished
    FileError,
    Cancelled,
    FuseRefused,
    Empty,  // no chip in the socket: nothing was written, and no serial number taken
    WrongChip,
    SerialTooLarge,
    FileNotWritten,  // read: the chip was read, but its file could not be written
    RecordFailed,  // the chip's row could not be started: the chip was not touched
    SerialsUsedUp,  // every line of the serial number file is used: the chip was not touched, and the line stops
};

// Whether the programmer was gone when a chip's command ended: a socket on
// its own then waits for it to come back.
enum class ProgrammerGone {
    No,
    NeverAnswered,  // the port would not open, or nothing answered the ping
    StoppedAnswering,  // mid-command
};

// What a verdict means, one row a verdict.
struct VerdictRow {
    ChipVerdict verdict;
    const char* word;  // the record's, as stored records hold it
    Tally::Count count;  // how a chip with this verdict counts, while its record holds its row
    ProgrammerGone programmerGone;
};

namespace ChipVerdicts {
const VerdictRow& Row(ChipVerdict verdict);
// The verdict whose record word this is.
std::optional<ChipVerdict> Named(const QString& word);
ChipVerdict Of(CommandOutcome outcome);

// Whether a face's table of its own words for the verdicts has every verdict once, in the enum's order.
template <typename FaceRow, std::size_t N> constexpr bool Complete(const FaceRow (&rows)[N])
{
    for (std::size_t i = 0; i < N; ++i) {
        if (rows[i].verdict != ChipVerdict(i))
            return false;
    }
    return N == std::size_t(ChipVerdict::SerialsUsedUp) + 1;
}
}  // namespace ChipVerdicts
