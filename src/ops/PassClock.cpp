#include "ops/PassClock.h"

bool PassClock::Take(const Progress& progress)
{
    last_ = progress;
    if (pass_ == progress.pass)
        return false;
    pass_ = progress.pass;
    clock_.start();
    first_ = progress.location;
    return true;
}

int PassClock::Percent() const
{
    return last_.size > 0 ? int(100LL * last_.location / last_.size) : 0;
}

std::optional<qint64> PassClock::SecondsLeft() const
{
    if (!pass_ || last_.location <= first_)
        return std::nullopt;
    const qint64 left = clock_.elapsed() * (last_.size - last_.location) / (last_.location - first_);
    return (left + 999) / 1000;
}
