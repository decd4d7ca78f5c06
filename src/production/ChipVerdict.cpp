#include "production/ChipVerdict.h"

namespace {

using Count = Tally::Count;
using Gone = ProgrammerGone;

constexpr VerdictRow kRows[] = {
    {ChipVerdict::Passed, "success", Count::Passed, Gone::No},
    {ChipVerdict::Mismatch, "mismatch", Count::Failed, Gone::No},
    {ChipVerdict::NoSuchPort, "no such port", Count::Failed, Gone::No},
    {ChipVerdict::PortNotOpened, "port not opened", Count::Failed, Gone::NeverAnswered},
    {ChipVerdict::NotDetected, "not detected", Count::Failed, Gone::NeverAnswered},
    {ChipVerdict::LinkLost, "link lost", Count::Failed, Gone::StoppedAnswering},
    {ChipVerdict::Abandoned, "abandoned", Count::Unfinished, Gone::No},
    {ChipVerdict::FileError, "file error", Count::Failed, Gone::No},
    {ChipVerdict::Cancelled, "cancelled", Count::Failed, Gone::No},
    {ChipVerdict::FuseRefused, "fuse refused", Count::Failed, Gone::No},
    {ChipVerdict::Empty, "empty", Count::Empty, Gone::No},
    {ChipVerdict::WrongChip, "wrong chip", Count::Failed, Gone::No},
    {ChipVerdict::SerialTooLarge, "serial number too large", Count::Failed, Gone::No},
    {ChipVerdict::FileNotWritten, "file not written", Count::Failed, Gone::No},
    {ChipVerdict::RecordFailed, "record failed", Count::Failed, Gone::No},
    {ChipVerdict::SerialsUsedUp, "serial numbers used up", Count::Failed, Gone::No},
};
static_assert(ChipVerdicts::Complete(kRows));

}  // namespace

const VerdictRow& ChipVerdicts::Row(ChipVerdict verdict)
{
    return kRows[int(verdict)];
}

std::optional<ChipVerdict> ChipVerdicts::Named(const QString& word)
{
    for (const VerdictRow& row : kRows) {
        if (word == QLatin1String(row.word))
            return row.verdict;
    }
    return std::nullopt;
}

ChipVerdict ChipVerdicts::Of(CommandOutcome outcome)
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
