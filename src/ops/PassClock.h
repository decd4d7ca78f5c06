#pragma once

#include "ops/OperatorFacts.h"

#include <QElapsedTimer>
#include <optional>

// Times a pass from its progress points: how much of it is done and, from
// its second point on, how long the rest will take at the rate so far.
class PassClock {
public:
    // True when the point begins a pass.
    bool Take(const Progress& progress);
    // The next point begins a pass, whatever its pass.
    void Reset() { pass_.reset(); }
    int Percent() const;
    std::optional<qint64> SecondsLeft() const;

private:
    std::optional<Pass> pass_;
    QElapsedTimer clock_;
    int first_ = 0;
    Progress last_{Pass::Program, 0, 0};
};
