#include "production/Tally.h"

#include "production/ChipResult.h"

void Tally::Counts::Add(Count count)
{
    switch (count) {
    case Count::Passed:
        ++passed;
        break;
    case Count::Failed:
        ++failed;
        break;
    case Count::Empty:
        ++empty;
        break;
    case Count::Unfinished:
        ++unfinished;
        break;
    }
}

Tally::Count Tally::CountOfRecordWord(const QString& word)
{
    if (const std::optional<ChipVerdict> verdict = ChipVerdicts::Named(word))
        return ChipVerdicts::Row(*verdict).count;
    return word == ChipResult::kUnfinished ? Count::Unfinished : Count::Failed;
}

void Tally::Add(const QString& port, Count count)
{
    if (!byPort_.count(port))
        ports_ << port;
    byPort_[port].Add(count);
    total_.Add(count);
}

Tally::Counts Tally::Of(const QString& port) const
{
    const auto found = byPort_.find(port);
    return found == byPort_.end() ? Counts{} : found->second;
}
