#pragma once

#include "production/LineEvents.h"

#include <mutex>

// Passes every event on under one lock, so that a face sees the events of
// several workers one at a time and in the order they happened.
class LockedEvents : public LineEvents {
public:
    explicit LockedEvents(LineEvents& events) : events_(events) {}

    void RunStarted(const RunFacts& facts) override;
    void RoundStarted(int round) override;
    void ChipStarted(const QString& port, int round, std::optional<long long> serial) override;
    void ChipIdentified(const QString& port, const ChipIdentity& chip) override;
    void Status(const QString& port, const QString& text) override;
    void PassProgress(const QString& port, const Progress& progress) override;
    void MismatchFound(const QString& port, const Mismatch& mismatch) override;
    void Notice(const QString& port, const LineNotice& notice) override;
    void SocketChanged(const QString& port, SocketState state) override;
    void ChipFinished(const QString& port, int round, const ChipResult& result) override;
    void RoundFinished(int round, const Tally& tally) override;
    void RunFinished(const Tally& tally) override;

private:
    std::mutex mutex_;
    LineEvents& events_;
};
