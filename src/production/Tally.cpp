#include "production/Tally.h"

#include "production/ChipResult.h"

namespace {

void Bump(Tally::Counts& counts, Tally::Count count)
{
    switch (count) {
    case Tally::Count::Passed:
        ++counts.passed;
        break;
    case Tally::Count::Failed:
        ++counts.failed;
        break;
    case Tally::Count::Empty:
        ++counts.empty;
        break;
    case Tally::Count::Unfinished:
        ++counts.unfinished;
        break;
    }
}

}  // namespace

Tally::Count Tally::CountOfRecordWord(const QString& word)
{
    if (word == ChipResult::Word(ChipVerdict::Passed))
        return Count::Passed;
    if (word == ChipResult::Word(ChipVerdict::Empty))
        return Count::Empty;
    return word == ChipResult::kUnfinished ? Count::Unfinished : Count::Failed;
}

void Tally::Add(const QString& port, Count count)
{
    if (!byPort_.count(port))
        ports_ << port;
    Bump(byPort_[port], count);
    Bump(total_, count);
}

Tally::Counts Tally::Of(const QString& port) const
{
    const auto found = byPort_.find(port);
    return found == byPort_.end() ? Counts{} : found->second;
}
