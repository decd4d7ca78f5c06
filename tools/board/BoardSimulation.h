#pragma once

#include "PinChip.h"
#include "PtyBridge.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct avr_t;
struct avr_irq_t;

// An Arduino board in simavr: the programmer's firmware, its serial port on a
// pseudo-terminal, its programming pins wired to the chip model. PGD is the
// one wire both sides drive; when neither does, the firmware's pull-up
// decides, or nothing does and it reads low. A board lives as long as its
// process.
class BoardSimulation {
public:
    BoardSimulation(const std::string& firmwareElf, PinChip& chip);
    BoardSimulation(const BoardSimulation&) = delete;
    BoardSimulation& operator=(const BoardSimulation&) = delete;

    bool Loaded() const { return avr_ != nullptr && pty_ && pty_->Open(); }
    std::string PortPath() const;
    // Runs the board until the flag is set or the firmware stops.
    void Run(const std::atomic<bool>& stop);
    // The chip's broken rules and the wiring's, in the order they came.
    std::vector<std::string> Faults() const;
    // The longest the firmware took from a byte's arrival to its answer's first byte, in cycles.
    std::uint64_t WorstAnswerCycles() const { return pty_->WorstAnswerCycles(); }

private:
    static void PinChanged(avr_irq_t* irq, std::uint32_t value, void* param);
    static std::uint64_t Timer(avr_t* avr, std::uint64_t when, void* param);
    static void Sleep(avr_t* avr, std::uint64_t howLong);
    void Update();
    std::uint64_t Nanoseconds() const;
    void ScheduleAt(std::uint64_t ns);

    PinChip& chip_;
    avr_t* avr_ = nullptr;
    std::unique_ptr<PtyBridge> pty_;
    std::vector<std::string> wiringFaults_;
    std::chrono::steady_clock::time_point started_;  // when the board's cycle 0 was
    mutable std::mutex lock_;  // the faults are read while the board runs
};
