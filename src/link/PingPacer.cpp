#include "link/PingPacer.h"

#include "link/SerialPort.h"

using namespace std::chrono;

PingPacer::PingPacer(SerialPort& port) : port_(port) {}

void PingPacer::StartAttempt()
{
    start_ = steady_clock::now();
    emptyReads_ = 0;
}

void PingPacer::AfterEmptyRead()
{
    ++emptyReads_;
    const auto ahead = start_ + kReadSlice * emptyReads_ - steady_clock::now();
    if (ahead >= milliseconds(1))
        port_.WaitForData(static_cast<int>(duration_cast<milliseconds>(ahead).count()));
}
