#include "BoardSimulation.h"

#include <simavr/avr_ioport.h>
#include <simavr/sim_avr.h>
#include <simavr/sim_elf.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

// Port B's registers in the ATmega328P's data space.
constexpr int kPinB = 0x23;
constexpr int kDdrB = 0x24;
constexpr int kPortB = 0x25;
enum : int { kMclr = 0, kPgm = 1, kPgc = 2, kPgd = 3 };
constexpr std::uint32_t kFrequency = 16000000;

std::uint64_t NanosecondsOf(std::uint64_t cycle)
{
    return cycle / kFrequency * 1000000000ull + cycle % kFrequency * 1000000000ull / kFrequency;
}

bool Bit(std::uint8_t value, int bit)
{
    return (value >> bit) & 1;
}

// simavr tells of the firmware it loads on the standard output, which is ours.
template <typename Work> void Quietly(Work work)
{
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    work();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(null);
    close(saved);
}

}  // namespace

BoardSimulation::BoardSimulation(const std::string& firmwareElf, PinChip& chip) : chip_(chip)
{
    Quietly([&] {
        elf_firmware_t firmware{};
        if (elf_read_firmware(firmwareElf.c_str(), &firmware) != 0)
            return;
        avr_ = avr_make_mcu_by_name("atmega328p");
        if (!avr_)
            return;
        avr_init(avr_);
        firmware.frequency = kFrequency;
        avr_load_firmware(avr_, &firmware);
        avr_->log = LOG_NONE;
    });
    if (avr_)
        pty_ = std::make_unique<PtyBridge>(avr_);
    if (!avr_)
        return;
    for (int pin : {kMclr, kPgm, kPgc, kPgd})
        avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('B'), pin), PinChanged, this);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ('B'), IOPORT_IRQ_DIRECTION_ALL), PinChanged, this);
}

std::string BoardSimulation::PortPath() const
{
    return pty_ ? pty_->Path() : "";
}

namespace {
// The board this thread runs, for simavr's sleep callback, which carries none.
thread_local BoardSimulation* running = nullptr;
}  // namespace

// A sleeping firmware waits out its sleep on the wall clock only while
// simulated time is ahead of it, and never longer than the sleep itself:
// simavr's own sleep waits whatever the time, so a loaded machine left an idle
// board ever further behind and its host without an answer.
void BoardSimulation::Sleep(avr_t* avr, std::uint64_t howLong)
{
    const auto now = std::chrono::steady_clock::now();
    const auto ahead = running->started_ + std::chrono::nanoseconds(NanosecondsOf(avr->cycle + howLong)) - now;
    const auto wait = std::min<std::chrono::nanoseconds>(ahead, std::chrono::nanoseconds(NanosecondsOf(howLong)));
    // The serial poll wakes the firmware every 50 µs: each such nap is waited
    // out, so that an idle board keeps to the wall clock instead of racing
    // ahead of it (its timeouts then last as long as a real board's) and
    // leaves the processor to the host.
    if (wait > std::chrono::microseconds(10))
        std::this_thread::sleep_for(wait);
}

void BoardSimulation::Run(const std::atomic<bool>& stop)
{
    running = this;
    started_ = std::chrono::steady_clock::now();
    avr_->sleep = Sleep;
    while (!stop.load(std::memory_order_relaxed)) {
        const int state = avr_run(avr_);
        if (state == cpu_Done || state == cpu_Crashed)
            return;
    }
}

std::vector<std::string> BoardSimulation::Faults() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::string> faults = chip_.Violations();
    faults.insert(faults.end(), wiringFaults_.begin(), wiringFaults_.end());
    return faults;
}

std::uint64_t BoardSimulation::Nanoseconds() const
{
    return NanosecondsOf(avr_->cycle);
}

void BoardSimulation::ScheduleAt(std::uint64_t ns)
{
    const std::uint64_t cycle = (ns * (kFrequency / 1000000) + 999) / 1000;
    avr_cycle_timer_register(avr_, cycle > avr_->cycle ? cycle - avr_->cycle : 1, Timer, this);
}

void BoardSimulation::PinChanged(avr_irq_t*, std::uint32_t, void* param)
{
    auto* board = static_cast<BoardSimulation*>(param);
    board->Update();
    // The port's own handler may come after this one and set PINB from PORTB:
    // the line is set again once the instruction is done.
    avr_cycle_timer_register(board->avr_, 1, Timer, board);
}

std::uint64_t BoardSimulation::Timer(avr_t*, std::uint64_t, void* param)
{
    static_cast<BoardSimulation*>(param)->Update();
    return 0;
}

void BoardSimulation::Update()
{
    const std::lock_guard<std::mutex> hold(lock_);
    const std::uint64_t ns = Nanoseconds();
    const std::uint8_t ddr = avr_->data[kDdrB];
    const std::uint8_t port = avr_->data[kPortB];
    const auto driven = [&](int pin) { return Bit(ddr, pin) && Bit(port, pin); };
    const bool hostDrivesPgd = Bit(ddr, kPgd);
    const auto line = [&](PinChip::Drive chip) {
        return hostDrivesPgd ? Bit(port, kPgd) : chip.driving ? chip.level : Bit(port, kPgd);
    };
    const PinChip::Drive before = chip_.PgdAt(ns);
    if (hostDrivesPgd && before.driving && before.level != Bit(port, kPgd))
        wiringFaults_.push_back("the firmware and the chip both drive PGD");
    chip_.Apply(ns, {driven(kMclr), driven(kPgm), driven(kPgc), line(before)});
    const PinChip::Drive after = chip_.PgdAt(ns);
    if (!hostDrivesPgd) {
        avr_->data[kPinB] = std::uint8_t((avr_->data[kPinB] & ~(1 << kPgd)) | (line(after) << kPgd));
    }
    if (const auto next = chip_.NextPgdChange(ns))
        ScheduleAt(*next);
}
