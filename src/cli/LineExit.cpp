#include "LineExit.h"

#include "ExitCode.h"

#include <algorithm>

void LineExit::ChipFinished(const QString&, int, const ChipResult& result)
{
    if (skipEmpty_ && result.Counted() == Tally::Count::Empty)
        return;
    round_ = std::max(round_, ExitFor(result));
    run_ = std::max(run_, round_);
}
