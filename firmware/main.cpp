#include "AvrIcsp.h"
#include "ChipSession.h"
#include "ProtocolDecoder.h"
#include "Uart.h"

#include <avr/interrupt.h>
#include <avr/sleep.h>

namespace {

// A command whose data bytes stop coming for this long is dropped: longer than
// the host waits for an echo, so that a slow host never loses its command.
constexpr uint32_t kAbandonTicks = 3000000UL / IcspBus::kMicrosecondsPerTick;
// At the faster rate, a second without a byte means the host is gone, or
// could not follow: the line goes back to the rate every host starts at.
constexpr uint32_t kFastIdleTicks = 1000000UL / IcspBus::kMicrosecondsPerTick;

}  // namespace

int main()
{
    AvrIcsp pins;
    Uart uart;
    ChipSession chip(pins);
    ProtocolDecoder decoder(chip, uart);
    AvrIcsp::Start();
    Uart::Start();
    set_sleep_mode(SLEEP_MODE_IDLE);
    sei();
    uint32_t lastByte = 0;
    for (;;) {
        if (Uart::Available()) {
            decoder.Take(Uart::Next());
            lastByte = pins.Ticks();
            continue;
        }
        chip.Poll();
        if (decoder.Midway() && pins.Ticks() - lastByte > kAbandonTicks)
            decoder.Abandon();
        if (Uart::Fast() && pins.Ticks() - lastByte > kFastIdleTicks)
            uart.SetRate(0);
        // Asleep until a byte or the clock's overflow, when nothing waits on time.
        cli();
        if (!Uart::Available() && !chip.Active() && !decoder.Midway()) {
            sleep_enable();
            sei();
            sleep_cpu();
            sleep_disable();
        }
        sei();
    }
}
