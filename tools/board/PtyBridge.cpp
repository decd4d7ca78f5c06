#include "PtyBridge.h"

#include <simavr/avr_uart.h>
#include <simavr/sim_avr.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace {

constexpr std::uint64_t kPollCycles = 800;  // 50 µs at 16 MHz
// The ATmega328P's UART registers, in data space.
constexpr int kUcsr0a = 0xC0;
constexpr int kUbrr0l = 0xC4;
constexpr int kUbrr0h = 0xC5;
constexpr std::uint8_t kU2x0 = 0x02;

// Ten bits at the rate the firmware has set: 8334 cycles at 19200 baud, 320 at 500000.
std::uint64_t ByteCycles(const avr_t* avr)
{
    const std::uint64_t divisor = (avr->data[kUbrr0h] << 8 | avr->data[kUbrr0l]) + 1;
    return 10 * divisor * (avr->data[kUcsr0a] & kU2x0 ? 8 : 16);
}

// The rate the firmware has set, in baud.
double FirmwareBaud(const avr_t* avr)
{
    return double(avr->frequency) / double(ByteCycles(avr) / 10);
}

// The rate the host has set on its end of the line, in baud; 0 for one not in the table.
double LineBaud(int master)
{
    static const std::pair<speed_t, double> kRates[] = {{B9600, 9600},     {B19200, 19200},   {B38400, 38400},
                                                        {B57600, 57600},   {B115200, 115200}, {B230400, 230400},
                                                        {B460800, 460800}, {B500000, 500000}, {B1000000, 1000000}};
    termios line{};
    if (tcgetattr(master, &line) != 0)
        return 0;
    const auto* rate = std::find_if(std::begin(kRates), std::end(kRates),
                                    [&line](const auto& entry) { return entry.first == cfgetospeed(&line); });
    return rate == std::end(kRates) ? 0 : rate->second;
}

// A byte crosses the line whole only when both ends run at one rate, within the 2 % a UART tolerates;
// otherwise it arrives as something else, as it would on a real line.
std::uint8_t Crossed(const avr_t* avr, int master, std::uint8_t byte)
{
    const double line = LineBaud(master);
    return line == 0 || std::abs(FirmwareBaud(avr) / line - 1) <= 0.02 ? byte : std::uint8_t(~byte);
}

}  // namespace

PtyBridge::PtyBridge(avr_t* avr) : avr_(avr)
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        master_ = -1;
        return;
    }
    path_ = ptsname(master_);
    keptOpen_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(keptOpen_, &raw);
    cfmakeraw(&raw);
    tcsetattr(keptOpen_, TCSANOW, &raw);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    avr_irq_register_notify(avr_io_getirq(avr_, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT), Sent, this);
    avr_cycle_timer_register(avr_, kPollCycles, Poll, this);
}

std::uint64_t PtyBridge::Poll(avr_t* avr, std::uint64_t when, void* param)
{
    auto* bridge = static_cast<PtyBridge*>(param);
    std::uint8_t byte = 0;
    const std::uint64_t byteCycles = ByteCycles(avr);
    if (avr->cycle - bridge->lastIn_ >= byteCycles && read(bridge->master_, &byte, 1) == 1) {
        bridge->lastIn_ = avr->cycle;
        bridge->answerDue_ = true;
        avr_raise_irq(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT), Crossed(avr, bridge->master_, byte));
    }
    return when + std::min(kPollCycles, byteCycles);
}

void PtyBridge::Sent(avr_irq_t*, std::uint32_t value, void* param)
{
    auto* bridge = static_cast<PtyBridge*>(param);
    if (bridge->answerDue_)
        bridge->worstAnswer_ = std::max(bridge->worstAnswer_, bridge->avr_->cycle - bridge->lastIn_);
    bridge->answerDue_ = false;
    const std::uint8_t byte = Crossed(bridge->avr_, bridge->master_, std::uint8_t(value));
    // The host reads what it is sent; a byte for no one is dropped.
    [[maybe_unused]] const ssize_t written = write(bridge->master_, &byte, 1);
}
