#pragma once

#include "FirmwareModel.h"
#include "SimulatorTiming.h"
#include "link/LineRate.h"

#include <QString>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Serves the firmware model on a pseudo-terminal from a thread of its own, so
// that a program talks to it exactly as to a real programmer on a serial port.
class PtySimulator {
public:
    struct TraceEntry {
        bool fromProgram;  // true: the program sent it; false: the simulator did
        std::uint8_t byte;
        std::chrono::steady_clock::time_point when;
    };
    static constexpr auto kByteTime =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(LineRate::kByteSeconds));

    explicit PtySimulator(SimulatorFaults faults = {}, SimulatorTiming timing = {});
    ~PtySimulator();
    PtySimulator(const PtySimulator&) = delete;
    PtySimulator& operator=(const PtySimulator&) = delete;

    // Opens the pseudo-terminal and starts serving; the error text on failure.
    QString Start();
    void Stop();
    // Closes the pseudo-terminal under the client, as a pulled cable would.
    void Hangup();
    QString Path() const;

    // Bytes that reach the client as if the programmer had sent them earlier.
    void Inject(const QByteArray& bytes);
    std::vector<TraceEntry> Trace() const;
    // The traced bytes of one direction, in order.
    QByteArray BytesSent(bool byProgram) const;
    void ClearTrace();
    // Whether every byte the program sent has been taken off the line.
    bool Drained() const;
    // A long-running simulator keeps only the counts below, not every byte.
    void SetTracing(bool on);
    long long BytesFromProgram() const;
    long long BytesFromSimulator() const;
    // Every erase the chip was given, into an empty socket too.
    int EraseCommands();
    // Runs f with the model locked: for reading or presetting the chip.
    void WithModel(const std::function<void(FirmwareModel&)>& f);
    // Called from the serving thread after a command changed the chip.
    void OnChipChanged(std::function<void()> callback);

private:
    void Serve();
    // Takes a wake-up; false when serving ends: stopped, or the terminal hung up.
    bool TakeWake();
    void Flood();
    // Answers one byte from the program; false once the terminal hung up.
    bool Answer(std::uint8_t byte, std::chrono::steady_clock::time_point received,
                std::chrono::steady_clock::time_point& inputFree);
    void Send(const QByteArray& bytes, std::chrono::steady_clock::time_point arrival);

    void CloseTerminal();
    void SleepUntil(std::chrono::steady_clock::time_point when);

    FirmwareModel model_;
    SimulatorFaults faults_;
    SimulatorTiming timing_;
    mutable std::mutex mutex_;
    std::vector<TraceEntry> trace_;
    bool tracing_ = true;
    long long fromProgram_ = 0;
    long long fromSimulator_ = 0;
    std::function<void()> chipChanged_;
    std::thread thread_;
    int master_ = -1;
    int slave_ = -1;
    int wake_[2] = {-1, -1};
    bool stopping_ = false;
    bool hangup_ = false;
    QString path_;
    std::chrono::steady_clock::time_point lineFree_{};
    std::chrono::nanoseconds lateness_{std::chrono::microseconds(50)};
};
