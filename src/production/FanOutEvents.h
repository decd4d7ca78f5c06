#pragma once

#include "production/LineEvents.h"

#include <vector>

// Passes every event to each of several consumers, in the order given.
class FanOutEvents : public LineEvents {
public:
    explicit FanOutEvents(std::vector<LineEvents*> consumers) : consumers_(std::move(consumers)) {}

    void Tell(const LineEvent::Any& event) override
    {
        for (LineEvents* consumer : consumers_)
            consumer->Tell(event);
    }

private:
    std::vector<LineEvents*> consumers_;
};
