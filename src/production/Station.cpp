#include "production/Station.h"

#include "ops/ChipOperations.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandRequest.h"
#include "production/ChipTask.h"
#include "production/HeldPort.h"

#include <QThread>
#include <memory>

namespace {

// One Qt thread per port, as the serial ports' notifiers need them.
void RunOnWorkers(int count, const std::function<void(int)>& work)
{
    std::vector<std::unique_ptr<QThread>> workers;
    for (int i = 0; i < count; ++i) {
        workers.emplace_back(QThread::create(work, i));
        workers.back()->start();
    }
    for (const auto& worker : workers)
        worker->wait();
}

}  // namespace

Station::Station(LinePlan plan, QStringList ports, LineEvents& events, LinkFactory links)
    : plan_(std::move(plan)),
      ports_(std::move(ports)),
      events_(events),
      links_(std::move(links)),
      answers_{plan_.fuse, plan_.continueOnMismatch, plan_.force},
      shown_(size_t(ports_.size()))
{
}

void Station::SetLot(const QString& lot)
{
    const std::lock_guard lock(mutex_);
    lot_ = lot;
}

QString Station::Lot() const
{
    const std::lock_guard lock(mutex_);
    return lot_;
}

void Station::Stop()
{
    const std::lock_guard lock(mutex_);
    stop_ = true;
    wake_.notify_all();
}

void Station::Nap(std::chrono::milliseconds time)
{
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, time, [this] { return Ending(); });
}

Tally Station::RunRounds(const NextRound& another)
{
    events_.Tell(LineEvent::RunStarted{plan_, ports_, false});
    for (int round = 1;; ++round) {
        events_.Tell(LineEvent::RoundStarted{round});
        const std::vector<ChipResult> results = RunRound(round);
        events_.Tell(LineEvent::RoundFinished{round, tally_});
        if (Ending() || !another(round, results))
            break;
    }
    events_.Tell(LineEvent::RunFinished{tally_});
    return tally_;
}

std::vector<ChipResult> Station::RunRound(int round)
{
    std::vector<ChipResult> results(size_t(ports_.size()));
    RunOnWorkers(int(ports_.size()), [&](int socket) {
        const std::unique_ptr<SerialPort> link = links_();
        results[size_t(socket)] = RunChip(socket, round, *link);
    });
    return results;
}

ChipResult Station::RunChip(int socket, int chipNumber, SerialPort& link)
{
    UnattendedOperator ui(ports_[socket], answers_, events_, stop_);
    ChipResult result = ChipTask(plan_, ports_[socket], chipNumber, Lot(), ui, events_).Run(link);
    const std::lock_guard lock(mutex_);
    tally_.Add(ports_[socket], result.Counted());
    // No chip after this one gets a line; those under way finish.
    if (result.verdict == ChipVerdict::SerialsUsedUp) {
        ending_ = true;
        wake_.notify_all();
    }
    return result;
}

Tally Station::RunAuto(const std::function<void()>& awaitEnd)
{
    events_.Tell(LineEvent::RunStarted{plan_, ports_, true});
    const std::unique_ptr<QThread> sockets(
        QThread::create([this] { RunOnWorkers(int(ports_.size()), [this](int socket) { RunSocket(socket); }); }));
    sockets->start();
    awaitEnd();
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
        wake_.notify_all();
    }
    sockets->wait();
    events_.Tell(LineEvent::RunFinished{tally_});
    return tally_;
}

void Station::RunSocket(int socket)
{
    const std::unique_ptr<SerialPort> link = links_();
    HeldPort port(*link);
    for (int chips = 1; AwaitSocket(socket, port, true); ++chips) {
        const ChipResult result = RunChip(socket, chips, port);
        if (ChipVerdicts::Row(result.verdict).programmerGone != ProgrammerGone::No)
            port.Release();
        {
            // Where the socket stands after a chip is always told.
            const std::lock_guard lock(mutex_);
            shown_[size_t(socket)].reset();
        }
        if (!AwaitSocket(socket, port, false))
            break;
    }
}

bool Station::AwaitSocket(int socket, HeldPort& port, bool seated)
{
    while (!Ending()) {
        const std::optional<ChipIdentity> chip = PollChip(socket, port);
        if (!chip) {
            port.Release();
            if (seated)
                Show(socket, SocketState::NoProgrammer);
        } else if (chip->Answered() == seated) {
            return true;
        } else {
            Show(socket, seated ? SocketState::WaitingForChip : SocketState::WaitingForRemoval);
        }
        Nap(kSocketPoll);
    }
    return false;
}

std::optional<ChipIdentity> Station::PollChip(int socket, HeldPort& port)
{
    // Nothing of the poll is told: only where the socket stands.
    struct Unheard : LineEvents {
        void Tell(const LineEvent::Any&) override {}
    } quiet;
    UnattendedOperator ui(ports_[socket], answers_, quiet, stop_);
    CommandEnvelope envelope(port, ui);
    CommandRequest request;
    request.port = ports_[socket];
    request.pingReads = [reads = plan_.pingReads] { return reads; };
    std::optional<ChipIdentity> chip;
    const CommandOutcome outcome = envelope.Run(request, [&](ProgrammerProtocol& protocol) {
        chip = ChipIdentity(ChipOperations(protocol, ui).ReadDeviceId());
        return CommandOutcome::Completed;
    });
    return outcome == CommandOutcome::Completed ? chip : std::nullopt;
}

void Station::Show(int socket, SocketState state)
{
    {
        const std::lock_guard lock(mutex_);
        if (shown_[size_t(socket)] == state)
            return;
        shown_[size_t(socket)] = state;
    }
    events_.Tell(LineEvent::SocketChanged{ports_[socket], state});
}
