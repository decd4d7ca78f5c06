#include "LineExit.h"

#include "ExitCode.h"

#include <algorithm>

void LineExit::Tell(const LineEvent::Any& event)
{
    std::visit(Overloaded{
                   [this](const LineEvent::RoundStarted&) { round_ = 0; },
                   [this](const LineEvent::ChipFinished& e) { ChipFinished(e.result); },
                   [](const auto&) {},  // only chips' ends decide the code
               },
               event);
}

void LineExit::ChipFinished(const ChipResult& result)
{
    if (skipEmpty_ && result.Counted() == Tally::Count::Empty)
        return;
    round_ = std::max(round_, ExitFor(result));
    line_ = std::max(line_, round_);
}
