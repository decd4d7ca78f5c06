#pragma once

#include <chrono>

class SerialPort;

// The ping's budget is a count of reads. Each empty read stands for a fixed
// slice of time, and the slices are slept in instalments of about a
// millisecond through the port's readiness wait: the default budget then
// lasts about a second, an answer is seen as soon as it arrives, and nothing
// spins.
class PingPacer {
public:
    static constexpr std::chrono::microseconds kReadSlice{20};

    explicit PingPacer(SerialPort& port);
    void StartAttempt();
    void AfterEmptyRead();

private:
    SerialPort& port_;
    std::chrono::steady_clock::time_point start_;
    long long emptyReads_ = 0;
};
