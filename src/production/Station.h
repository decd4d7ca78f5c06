#pragma once

#include "production/ChipResult.h"
#include "production/LinePlan.h"
#include "production/LinkFactory.h"
#include "production/LockedEvents.h"
#include "production/Tally.h"
#include "production/UnattendedOperator.h"

#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

class HeldPort;
class SerialPort;

// Several programmers at once, each port on a worker thread of its own: in
// rounds of one chip on every port, or with every socket on its own, taking
// each chip as it is seated. Nothing is asked; the plan answers. Stop() ends
// every port at its next safe point, from any thread.
class Station {
public:
    // After each round: whether to run another.
    using NextRound = std::function<bool(int round, const std::vector<ChipResult>& results)>;
    // Polled this often for a chip, and for the chip to be taken out.
    static constexpr std::chrono::milliseconds kSocketPoll{500};

    Station(LinePlan plan, QStringList ports, LineEvents& events, LinkFactory links = PlatformLinks());

    Tally RunRounds(const NextRound& another);
    // Every socket on its own until the run is ended: awaitEnd runs on the
    // calling thread meanwhile and returns when the operator ends the run (the
    // chips under way then finish), or after Stop().
    Tally RunAuto(const std::function<void()>& awaitEnd);
    void Stop();
    bool Stopped() const { return stop_; }
    // The lot that each chip's row records as the chip starts; it may change while the station runs.
    void SetLot(const QString& lot);
    QString Lot() const;

private:
    std::vector<ChipResult> RunRound(int round);
    ChipResult RunChip(int socket, int chipNumber, SerialPort& link);
    void RunSocket(int socket);
    // Waits for a chip to be seated, or taken out; false when the run ends first.
    bool AwaitSocket(int socket, HeldPort& port, bool seated);
    // The chip's ID through the envelope; nothing when the programmer does not answer.
    std::optional<ChipIdentity> PollChip(int socket, HeldPort& port);
    bool Ending() const { return stop_ || ending_; }
    // Sleeps for the time, or until the run ends.
    void Nap(std::chrono::milliseconds time);
    void Show(int socket, SocketState state);

    LinePlan plan_;
    // Read by every worker at once: const, so that no access detaches its shared data.
    const QStringList ports_;
    LockedEvents events_;
    LinkFactory links_;
    UnattendedOperator::Answers answers_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> ending_{false};
    mutable std::mutex mutex_;  // the tally, the sockets' states, the lot and the naps
    std::condition_variable wake_;
    Tally tally_;
    std::vector<std::optional<SocketState>> shown_;
    QString lot_;
};
