#pragma once

#include "ops/ChipIdentity.h"
#include "ops/OperatorFacts.h"
#include "production/ChipCommand.h"
#include "production/ChipResult.h"
#include "production/LineNotice.h"
#include "production/Tally.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// What a run is, as it starts.
struct RunFacts {
    ChipCommand command = ChipCommand::Detect;
    QString file;
    QString sha256;
    QString job;  // the job's name and the SHA-256 of its file, when a job runs
    QString jobSha256;
    std::optional<std::uint16_t> checksum;
    std::optional<int> fuse;  // the configuration word Program! writes
    QStringList ports;
    bool automatic = false;  // each socket on its own
};

// Where a socket that runs on its own stands between chips.
enum class SocketState {
    WaitingForChip,
    WaitingForRemoval,  // done with its chip, which is still seated
    NoProgrammer,  // the port, or the programmer on it, does not answer: tried again shortly
};

// Where a line reports what happens, for a face to show or a machine to read.
// A station calls these one at a time, from its workers' threads, in the
// order things happen. Ports are named as they were given.
class LineEvents {
public:
    virtual ~LineEvents() = default;

    virtual void RunStarted(const RunFacts&) {}
    virtual void RoundStarted(int) {}
    // A chip accepted, its row begun; serial is the number taken, if any. A
    // socket with nothing to work on (empty, no programmer) gives ChipFinished alone.
    virtual void ChipStarted(const QString& /*port*/, int /*round*/, std::optional<long long> /*serial*/) {}
    virtual void ChipIdentified(const QString& /*port*/, const ChipIdentity&) {}
    // The chip commands' own status texts ("Erasing...", "Done"), for a person.
    virtual void Status(const QString& /*port*/, const QString& /*text*/) {}
    virtual void PassProgress(const QString& /*port*/, const Progress&) {}
    virtual void MismatchFound(const QString& /*port*/, const Mismatch&) {}
    // port is empty for what concerns the whole run (the HEX file's notices).
    virtual void Notice(const QString& /*port*/, const LineNotice&) {}
    virtual void SocketChanged(const QString& /*port*/, SocketState) {}
    virtual void ChipFinished(const QString& /*port*/, int /*round*/, const ChipResult&) {}
    virtual void RoundFinished(int /*round*/, const Tally&) {}
    virtual void RunFinished(const Tally&) {}
};
