#pragma once

#include "production/LineEvents.h"

#include <QObject>

// Hands every event of a station's workers to a face on its own thread, in
// order: the face's thread never waits on a worker, and a worker never waits
// on the face. Events that arrive after the context is gone are dropped.
class QueuedEvents : public LineEvents {
public:
    // events must live as long as context does.
    QueuedEvents(QObject& context, LineEvents& events) : context_(context), events_(events) {}

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
    template <typename Call> void Post(Call call);

    QObject& context_;
    LineEvents& events_;
};
