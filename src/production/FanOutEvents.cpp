#include "production/FanOutEvents.h"

void FanOutEvents::RunStarted(const RunFacts& facts)
{
    for (LineEvents* consumer : consumers_)
        consumer->RunStarted(facts);
}

void FanOutEvents::RoundStarted(int round)
{
    for (LineEvents* consumer : consumers_)
        consumer->RoundStarted(round);
}

void FanOutEvents::ChipStarted(const QString& port, int round, std::optional<long long> serial)
{
    for (LineEvents* consumer : consumers_)
        consumer->ChipStarted(port, round, serial);
}

void FanOutEvents::ChipIdentified(const QString& port, const ChipIdentity& chip)
{
    for (LineEvents* consumer : consumers_)
        consumer->ChipIdentified(port, chip);
}

void FanOutEvents::Status(const QString& port, const QString& text)
{
    for (LineEvents* consumer : consumers_)
        consumer->Status(port, text);
}

void FanOutEvents::PassProgress(const QString& port, const Progress& progress)
{
    for (LineEvents* consumer : consumers_)
        consumer->PassProgress(port, progress);
}

void FanOutEvents::MismatchFound(const QString& port, const Mismatch& mismatch)
{
    for (LineEvents* consumer : consumers_)
        consumer->MismatchFound(port, mismatch);
}

void FanOutEvents::Notice(const QString& port, const LineNotice& notice)
{
    for (LineEvents* consumer : consumers_)
        consumer->Notice(port, notice);
}

void FanOutEvents::SocketChanged(const QString& port, SocketState state)
{
    for (LineEvents* consumer : consumers_)
        consumer->SocketChanged(port, state);
}

void FanOutEvents::ChipFinished(const QString& port, int round, const ChipResult& result)
{
    for (LineEvents* consumer : consumers_)
        consumer->ChipFinished(port, round, result);
}

void FanOutEvents::RoundFinished(int round, const Tally& tally)
{
    for (LineEvents* consumer : consumers_)
        consumer->RoundFinished(round, tally);
}

void FanOutEvents::RunFinished(const Tally& tally)
{
    for (LineEvents* consumer : consumers_)
        consumer->RunFinished(tally);
}
