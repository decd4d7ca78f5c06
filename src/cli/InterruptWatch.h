#pragma once

#include "ExitCode.h"

#include <functional>

// While it lives, Ctrl-C (or a request to terminate) calls back on a thread
// of its own instead of ending the process, so that a line can stop its
// ports at their next safe point. A second Ctrl-C ends the process at once.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void()> callback);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // Starts catching the interrupt, once for the process: before any thread
    // starts, so that every thread leaves it to the one that takes it.
    static void Catch();
    // Calls the callback of the watch that lives; false when none does. The platform's part calls it.
    static bool Deliver();
};
