#pragma once

#include "ops/ChipIdentity.h"
#include "ops/OperatorFacts.h"
#include "production/ChipCommand.h"
#include "production/ChipResult.h"
#include "production/LineNotice.h"
#include "production/LinePlan.h"
#include "production/Overloaded.h"
#include "production/RecordChain.h"
#include "production/Tally.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>

// Where a socket that runs on its own stands between chips.
enum class SocketState {
    WaitingForChip,
    WaitingForRemoval,  // done with its chip, which is still seated
    NoProgrammer,  // the port, or the programmer on it, does not answer: tried again shortly
};

// What a line tells, one value an event. Ports are named as they were given.
namespace LineEvent {
struct RunStarted {
    LinePlan plan;
    QStringList ports;
    bool automatic = false;  // each socket on its own
};
struct RoundStarted {
    int round = 0;
};
// A chip accepted, its row begun; serial is the number taken, if any. A socket
// with nothing to work on (empty, no programmer) gives ChipFinished alone.
// chipNumber counts the port's chips from 1: in rounds it is the round; with
// every socket on its own, the socket's own count.
struct ChipStarted {
    QString port;
    int chipNumber = 0;
    std::optional<long long> serial;
    std::optional<int> serialLine;  // the line of the serial number file the chip got
};
struct ChipIdentified {
    QString port;
    ChipIdentity chip{0};
};
// The chip commands' own status texts ("Erasing...", "Done"), for a person.
struct StatusShown {
    QString port;
    QString text;
};
struct PassProgressed {
    QString port;
    Progress progress{};
};
struct MismatchFound {
    QString port;
    Mismatch mismatch{};
};
// port is empty for what concerns the whole run (the HEX file's notices).
struct NoticeGiven {
    QString port;
    LineNotice notice;
};
struct SocketChanged {
    QString port;
    SocketState state = SocketState::WaitingForChip;
};
struct ChipFinished {
    QString port;
    int chipNumber = 0;
    ChipResult result;
};
struct RoundFinished {
    int round = 0;
    Tally tally;
};
struct RunFinished {
    Tally tally;
};

// The record's hash chain as the run found it.
struct RecordChecked {
    RecordChain::State chain;
};
using Any = std::variant<RecordChecked, RunStarted, RoundStarted, ChipStarted, ChipIdentified, StatusShown, PassProgressed,
                         MismatchFound, NoticeGiven, SocketChanged, ChipFinished, RoundFinished, RunFinished>;
}  // namespace LineEvent

// Where a line reports what happens, for a face to show or a machine to read.
// A station tells its events one at a time, from its workers' threads, in the
// order things happen. A face visits the events it draws and lets the rest go.
class LineEvents {
public:
    virtual ~LineEvents() = default;
    virtual void Tell(const LineEvent::Any& event) = 0;
};
