#pragma once

#include "production/LineEvents.h"

#include <mutex>

// Passes every event on under one lock, so that a face sees the events of
// several workers one at a time and in the order they happened.
class LockedEvents : public LineEvents {
public:
    explicit LockedEvents(LineEvents& events) : events_(events) {}

    void Tell(const LineEvent::Any& event) override
    {
        const std::lock_guard lock(mutex_);
        events_.Tell(event);
    }

private:
    std::mutex mutex_;
    LineEvents& events_;
};
