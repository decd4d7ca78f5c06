#include "ui/QueuedEvents.h"

template <typename Call> void QueuedEvents::Post(Call call)
{
    QMetaObject::invokeMethod(
        &context_, [&events = events_, call] { call(events); }, Qt::QueuedConnection);
}

void QueuedEvents::RunStarted(const RunFacts& facts)
{
    Post([facts](LineEvents& events) { events.RunStarted(facts); });
}

void QueuedEvents::RoundStarted(int round)
{
    Post([round](LineEvents& events) { events.RoundStarted(round); });
}

void QueuedEvents::ChipStarted(const QString& port, int round, std::optional<long long> serial)
{
    Post([port, round, serial](LineEvents& events) { events.ChipStarted(port, round, serial); });
}

void QueuedEvents::ChipIdentified(const QString& port, const ChipIdentity& chip)
{
    Post([port, chip](LineEvents& events) { events.ChipIdentified(port, chip); });
}

void QueuedEvents::Status(const QString& port, const QString& text)
{
    Post([port, text](LineEvents& events) { events.Status(port, text); });
}

void QueuedEvents::PassProgress(const QString& port, const Progress& progress)
{
    Post([port, progress](LineEvents& events) { events.PassProgress(port, progress); });
}

void QueuedEvents::MismatchFound(const QString& port, const Mismatch& mismatch)
{
    Post([port, mismatch](LineEvents& events) { events.MismatchFound(port, mismatch); });
}

void QueuedEvents::Notice(const QString& port, const LineNotice& notice)
{
    Post([port, notice](LineEvents& events) { events.Notice(port, notice); });
}

void QueuedEvents::SocketChanged(const QString& port, SocketState state)
{
    Post([port, state](LineEvents& events) { events.SocketChanged(port, state); });
}

void QueuedEvents::ChipFinished(const QString& port, int round, const ChipResult& result)
{
    Post([port, round, result](LineEvents& events) { events.ChipFinished(port, round, result); });
}

void QueuedEvents::RoundFinished(int round, const Tally& tally)
{
    Post([round, tally](LineEvents& events) { events.RoundFinished(round, tally); });
}

void QueuedEvents::RunFinished(const Tally& tally)
{
    Post([tally](LineEvents& events) { events.RunFinished(tally); });
}
