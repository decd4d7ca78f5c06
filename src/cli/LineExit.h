#pragma once

#include "production/LineEvents.h"

// The exit code of a line: the highest of its chips'. Round after round, an
// empty socket is skipped rather than failed.
class LineExit : public LineEvents {
public:
    explicit LineExit(bool skipEmpty) : skipEmpty_(skipEmpty) {}

    void Tell(const LineEvent::Any& event) override;

    int OfRound() const { return round_; }
    int OfLine() const { return line_; }

private:
    void ChipFinished(const ChipResult& result);

    bool skipEmpty_;
    int round_ = 0;
    int line_ = 0;
};
