#include "production/ChipResult.h"

#include "ops/SharedWords.h"

#include <iterator>

namespace {

// In the enum's order: the words stored records hold.
constexpr const char* kWords[] = {
    "success",
    "mismatch",
    "no such port",
    "port not opened",
    "not detected",
    "link lost",
    "abandoned",
    "file error",
    "cancelled",
    "fuse refused",
    "empty",
    "wrong chip",
    "serial number too large",
    "file not written",
    "record failed",
};
static_assert(std::size(kWords) == size_t(ChipVerdict::RecordFailed) + 1);

}  // namespace

QLatin1String ChipResult::Word(ChipVerdict verdict)
{
    return QLatin1String(kWords[int(verdict)]);
}

ChipVerdict ChipResult::VerdictOf(CommandOutcome outcome)
{
    switch (outcome) {
    case CommandOutcome::Completed:
        return ChipVerdict::Passed;
    case CommandOutcome::Mismatch:
        return ChipVerdict::Mismatch;
    case CommandOutcome::BadPortName:
        return ChipVerdict::NoSuchPort;
    case CommandOutcome::PortNotOpened:
        return ChipVerdict::PortNotOpened;
    case CommandOutcome::NotDetected:
        return ChipVerdict::NotDetected;
    case CommandOutcome::LinkLost:
        return ChipVerdict::LinkLost;
    case CommandOutcome::Abandoned:
        return ChipVerdict::Abandoned;
    case CommandOutcome::FileNotLoaded:
        return ChipVerdict::FileError;
    case CommandOutcome::Cancelled:
        return ChipVerdict::Cancelled;
    case CommandOutcome::FuseRefused:
        return ChipVerdict::FuseRefused;
    case CommandOutcome::NoChip:
        return ChipVerdict::Empty;
    case CommandOutcome::WrongChip:
        return ChipVerdict::WrongChip;
    case CommandOutcome::Declined:
        break;
    }
    return ChipVerdict::RecordFailed;
}

QString ChipResult::RecordWord() const
{
    return recordLost ? QStringLiteral("record lost: ") + Word(verdict) : QString(Word(verdict));
}

QString ChipResult::MismatchText() const
{
    return firstMismatch ? SharedWords::MismatchLine(*firstMismatch) : QString();
}

Tally::Count ChipResult::Counted() const
{
    if (verdict == ChipVerdict::Empty && !recordLost)
        return Tally::Count::Empty;
    // As its row stays: stopped before the chip was judged.
    if (verdict == ChipVerdict::Abandoned && !recordLost)
        return Tally::Count::Unfinished;
    return Passed() ? Tally::Count::Passed : Tally::Count::Failed;
}
