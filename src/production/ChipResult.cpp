#include "production/ChipResult.h"

#include "ops/SharedWords.h"

QString ChipResult::RecordWord() const
{
    const QLatin1String word(ChipVerdicts::Row(verdict).word);
    return recordLost ? QStringLiteral("record lost: ") + word : QString(word);
}

QString ChipResult::MismatchText() const
{
    return firstMismatch ? SharedWords::MismatchLine(*firstMismatch) : QString();
}

Tally::Count ChipResult::Counted() const
{
    // A chip whose row could not be completed never passes.
    return recordLost ? Tally::Count::Failed : ChipVerdicts::Row(verdict).count;
}
