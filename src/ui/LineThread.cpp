#include "ui/LineThread.h"

#include "production/Station.h"

LineThread::LineThread(LinePlan request, QStringList ports, Mode mode, QString lot, LineEvents& events, Refused refused)
    : lot_(std::move(lot))
{
    thread_.reset(QThread::create([this, request = std::move(request), ports = std::move(ports), mode, &events,
                                   refused = std::move(refused)] { Run(request, ports, mode, events, refused); }));
    thread_->start();
}

LineThread::~LineThread()
{
    Stop();
    thread_->wait();
}

void LineThread::Stop()
{
    const std::lock_guard lock(mutex_);
    stop_ = true;
    if (station_)
        station_->Stop();
    stopped_.notify_all();
}

void LineThread::SetLot(const QString& lot)
{
    const std::lock_guard lock(mutex_);
    lot_ = lot;
    if (station_)
        station_->SetLot(lot);
}

void LineThread::Run(const LinePlan& request, const QStringList& ports, Mode mode, LineEvents& events, const Refused& refused)
{
    std::variant<LinePlan, SetupRefusal> prepared = LineSetup::Prepare(request, events);
    if (const auto* refusal = std::get_if<SetupRefusal>(&prepared)) {
        refused(*refusal);
        return;
    }
    Station station(std::move(std::get<LinePlan>(prepared)), ports, events);
    {
        const std::lock_guard lock(mutex_);
        if (stop_)
            station.Stop();
        station.SetLot(lot_);
        station_ = &station;
    }
    if (mode == Mode::OneRound)
        station.RunRounds([](int, const std::vector<ChipResult>&) { return false; });
    else
        station.RunAuto([this] { AwaitStop(); });
    const std::lock_guard lock(mutex_);
    station_ = nullptr;
}

void LineThread::AwaitStop()
{
    std::unique_lock lock(mutex_);
    stopped_.wait(lock, [this] { return stop_; });
}
