#include "production/LockedEvents.h"

void LockedEvents::RunStarted(const RunFacts& facts)
{
    const std::lock_guard lock(mutex_);
    events_.RunStarted(facts);
}

void LockedEvents::RoundStarted(int round)
{
    const std::lock_guard lock(mutex_);
    events_.RoundStarted(round);
}

void LockedEvents::ChipStarted(const QString& port, int round, std::optional<long long> serial)
{
    const std::lock_guard lock(mutex_);
    events_.ChipStarted(port, round, serial);
}

void LockedEvents::ChipIdentified(const QString& port, const ChipIdentity& chip)
{
    const std::lock_guard lock(mutex_);
    events_.ChipIdentified(port, chip);
}

void LockedEvents::Status(const QString& port, const QString& text)
{
    const std::lock_guard lock(mutex_);
    events_.Status(port, text);
}

void LockedEvents::PassProgress(const QString& port, const Progress& progress)
{
    const std::lock_guard lock(mutex_);
    events_.PassProgress(port, progress);
}

void LockedEvents::MismatchFound(const QString& port, const Mismatch& mismatch)
{
    const std::lock_guard lock(mutex_);
    events_.MismatchFound(port, mismatch);
}

void LockedEvents::Notice(const QString& port, const LineNotice& notice)
{
    const std::lock_guard lock(mutex_);
    events_.Notice(port, notice);
}

void LockedEvents::SocketChanged(const QString& port, SocketState state)
{
    const std::lock_guard lock(mutex_);
    events_.SocketChanged(port, state);
}

void LockedEvents::ChipFinished(const QString& port, int round, const ChipResult& result)
{
    const std::lock_guard lock(mutex_);
    events_.ChipFinished(port, round, result);
}

void LockedEvents::RoundFinished(int round, const Tally& tally)
{
    const std::lock_guard lock(mutex_);
    events_.RoundFinished(round, tally);
}

void LockedEvents::RunFinished(const Tally& tally)
{
    const std::lock_guard lock(mutex_);
    events_.RunFinished(tally);
}
