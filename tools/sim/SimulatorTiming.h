#pragma once

#include <chrono>

// How fast the simulated programmer answers.
struct SimulatorTiming {
    std::chrono::milliseconds latency{0};  // extra delay before every reply
    bool paced = false;  // one byte every 10/19200 s, both ways
};
