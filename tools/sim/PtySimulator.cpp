#include "PtySimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

using namespace std::chrono;

namespace {

void SleepAtLeastUntil(steady_clock::time_point when)
{
    const auto since = when.time_since_epoch();
    timespec ts{};
    ts.tv_sec = time_t(duration_cast<seconds>(since).count());
    ts.tv_nsec = long((since - seconds(ts.tv_sec)).count());
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

bool ChangesChip(std::uint8_t byte)
{
    return byte == 'B' || byte == 'J' || byte == 'K';
}

}  // namespace

PtySimulator::PtySimulator(SimulatorFaults faults, SimulatorTiming timing) : model_(faults), faults_(faults), timing_(timing) {}

PtySimulator::~PtySimulator()
{
    Stop();
}

QString PtySimulator::Start()
{
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        return QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    if (pipe(wake_) != 0)
        return QStringLiteral("cannot make a pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    path_ = QString::fromLocal8Bit(name);
    // A flood must not block the serving thread when the client stops reading.
    if (faults_.floodAfterBytes >= 0)
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    thread_ = std::thread([this] { Serve(); });
    return QString();
}

void PtySimulator::Stop()
{
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        [[maybe_unused]] const auto written = write(wake_[1], "s", 1);
        thread_.join();
    }
    for (int* fd : {&master_, &slave_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

void PtySimulator::Hangup()
{
    {
        std::lock_guard lock(mutex_);
        hangup_ = true;
    }
    [[maybe_unused]] const auto written = write(wake_[1], "h", 1);
    // The serving thread closes both ends; wait until it has.
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (master_ < 0)
                return;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
}

QString PtySimulator::Path() const
{
    return path_;
}

void PtySimulator::Inject(const QByteArray& bytes)
{
    std::lock_guard lock(mutex_);
    [[maybe_unused]] const auto written = write(master_, bytes.constData(), size_t(bytes.size()));
}

std::vector<PtySimulator::TraceEntry> PtySimulator::Trace() const
{
    std::lock_guard lock(mutex_);
    return trace_;
}

QByteArray PtySimulator::BytesSent(bool byProgram) const
{
    std::lock_guard lock(mutex_);
    QByteArray bytes;
    for (const auto& entry : trace_) {
        if (entry.fromProgram == byProgram)
            bytes.append(char(entry.byte));
    }
    return bytes;
}

bool PtySimulator::Drained() const
{
    int waiting = 0;
    return master_ < 0 || ioctl(master_, FIONREAD, &waiting) != 0 || waiting == 0;
}

void PtySimulator::ClearTrace()
{
    std::lock_guard lock(mutex_);
    trace_.clear();
}

void PtySimulator::SetTracing(bool on)
{
    std::lock_guard lock(mutex_);
    tracing_ = on;
}

long long PtySimulator::BytesFromProgram() const
{
    std::lock_guard lock(mutex_);
    return fromProgram_;
}

long long PtySimulator::BytesFromSimulator() const
{
    std::lock_guard lock(mutex_);
    return fromSimulator_;
}

int PtySimulator::EraseCommands()
{
    std::lock_guard lock(mutex_);
    return model_.eraseCommands;
}

void PtySimulator::WithModel(const std::function<void(FirmwareModel&)>& f)
{
    std::lock_guard lock(mutex_);
    f(model_);
}

void PtySimulator::OnChipChanged(std::function<void()> callback)
{
    std::lock_guard lock(mutex_);
    chipChanged_ = std::move(callback);
}

// A timer wakes a thread late by tens of microseconds, more so in a virtual
// machine, and by a fairly steady amount: aim that much early, learning the
// amount as it goes, so that a paced byte takes its byte time without a spin
// that would starve the other programmers of a gang.
void PtySimulator::SleepUntil(steady_clock::time_point when)
{
    const auto aim = when - lateness_;
    if (aim <= steady_clock::now())
        return;
    SleepAtLeastUntil(aim);
    const auto late = steady_clock::now() - aim;
    lateness_ += (duration_cast<nanoseconds>(late) - lateness_) / 8;
}

void PtySimulator::Send(const QByteArray& bytes, steady_clock::time_point arrival)
{
    if (bytes.isEmpty())
        return;
    if (timing_.latency.count() > 0)
        SleepUntil(arrival + timing_.latency);
    for (const char c : bytes) {
        if (timing_.paced) {
            // The byte leaves when the line is free and is whole at the far end one byte time later.
            lineFree_ = std::max(lineFree_, steady_clock::now()) + kByteTime;
            SleepUntil(lineFree_);
        }
        std::lock_guard lock(mutex_);
        [[maybe_unused]] const auto written = write(master_, &c, 1);
        ++fromSimulator_;
        if (tracing_)
            trace_.push_back({false, std::uint8_t(c), steady_clock::now()});
    }
}

void PtySimulator::CloseTerminal()
{
    close(master_);
    close(slave_);
    master_ = slave_ = -1;
}

void PtySimulator::Serve()
{
    // Sleeps of a fraction of a byte time must not be rounded up by the kernel.
    prctl(PR_SET_TIMERSLACK, 1UL);
    steady_clock::time_point inputFree{};
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const bool flooding = faults_.floodAfterBytes >= 0 && BytesFromProgram() >= faults_.floodAfterBytes;
        if (poll(fds, 2, flooding ? 1 : -1) < 0 && errno != EINTR)
            return;
        if ((fds[1].revents & POLLIN) && !TakeWake())
            return;
        if (flooding)
            Flood();
        if (!(fds[0].revents & POLLIN))
            continue;
        std::uint8_t buffer[256];
        const ssize_t got = read(master_, buffer, sizeof buffer);
        const auto received = steady_clock::now();
        for (ssize_t i = 0; i < got; ++i) {
            if (!Answer(buffer[i], received, inputFree))
                return;
        }
    }
}

bool PtySimulator::TakeWake()
{
    char signal = 0;
    [[maybe_unused]] const auto got = read(wake_[0], &signal, 1);
    std::lock_guard lock(mutex_);
    if (hangup_ && !stopping_)
        CloseTerminal();
    return !stopping_ && !hangup_;
}

void PtySimulator::Flood()
{
    // Junk as fast as the line takes it, until the client goes or the simulator stops.
    const QByteArray junk(64, 'x');
    std::lock_guard lock(mutex_);
    [[maybe_unused]] const auto written = write(master_, junk.constData(), size_t(junk.size()));
    fromSimulator_ += junk.size();
}

bool PtySimulator::Answer(std::uint8_t byte, steady_clock::time_point received, steady_clock::time_point& inputFree)
{
    auto arrival = received;
    if (timing_.paced) {
        // The byte started on the wire when it was handed over, and takes one byte time to come in.
        inputFree = std::max(inputFree, received) + kByteTime;
        arrival = inputFree;
        SleepUntil(arrival);
    }
    QByteArray reply;
    std::function<void()> changed;
    {
        std::lock_guard lock(mutex_);
        ++fromProgram_;
        if (tracing_)
            trace_.push_back({true, byte, received});
        if (faults_.floodAfterBytes >= 0 && fromProgram_ > faults_.floodAfterBytes)
            return true;
        reply = model_.Receive(byte);
        if (ChangesChip(byte) && reply.endsWith('^'))
            changed = chipChanged_;
    }
    Send(reply, arrival);
    if (changed)
        changed();
    if (faults_.hangupAfterBytes >= 0 && BytesFromProgram() >= faults_.hangupAfterBytes) {
        std::lock_guard lock(mutex_);
        CloseTerminal();
        return false;
    }
    return true;
}
