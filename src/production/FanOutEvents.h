#pragma once

#include "production/LineEvents.h"

#include <vector>

// Passes every event to each of several consumers, in the order given.
class FanOutEvents : public LineEvents {
public:
    explicit FanOutEvents(std::vector<LineEvents*> consumers) : consumers_(std::move(consumers)) {}

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
    std::vector<LineEvents*> consumers_;
};
