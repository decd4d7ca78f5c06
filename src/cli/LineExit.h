#pragma once

#include "production/LineEvents.h"

// The exit code of a line: the highest of its chips'. Round after round, an
// empty socket is skipped rather than failed.
class LineExit : public LineEvents {
public:
    explicit LineExit(bool skipEmpty) : skipEmpty_(skipEmpty) {}

    void RoundStarted(int) override { round_ = 0; }
    void ChipFinished(const QString& port, int round, const ChipResult& result) override;

    int Round() const { return round_; }
    int Run() const { return run_; }

private:
    bool skipEmpty_;
    int round_ = 0;
    int run_ = 0;
};
