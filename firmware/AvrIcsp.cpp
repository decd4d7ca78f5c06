#include "AvrIcsp.h"

#include "IcspTiming.h"

#include <avr/interrupt.h>
#include <avr/io.h>
#include <util/delay.h>

namespace {

constexpr uint8_t kMclr = _BV(PB0);  // D8
constexpr uint8_t kPgm = _BV(PB1);  // D9
constexpr uint8_t kPgc = _BV(PB2);  // D10
constexpr uint8_t kPgd = _BV(PB3);  // D11
constexpr uint8_t kLed = _BV(PB5);  // D13
constexpr uint8_t kDataBits = 16;  // a start bit, 14 bits of the word, a stop bit

volatile uint16_t overflows = 0;

}  // namespace

ISR(TIMER1_OVF_vect)
{
    overflows = overflows + 1;
}

// Wakes the idle loop every millisecond. A real board wakes on the byte
// itself; simavr sleeps until its next timer and only then sees the byte.
EMPTY_INTERRUPT(TIMER2_OVF_vect)

void AvrIcsp::Start()
{
    // Every pin low: the chip held in reset, PGM off.
    PORTB &= uint8_t(~(kMclr | kPgm | kPgc | kPgd | kLed));
    DDRB |= kMclr | kPgm | kPgc | kPgd | kLed;
    TCCR1A = 0;
    TCCR1B = _BV(CS12);  // clk/256: 16 µs a tick
    TIMSK1 = _BV(TOIE1);
    TCCR2A = 0;
    TCCR2B = _BV(CS22);  // clk/64: an overflow every 1.024 ms
    TIMSK2 = _BV(TOIE2);
}

uint32_t AvrIcsp::Ticks()
{
    const uint8_t state = SREG;
    cli();
    uint16_t high = overflows;
    const uint16_t low = TCNT1;
    if ((TIFR1 & _BV(TOV1)) && low < 0x8000)
        ++high;
    SREG = state;
    return uint32_t(high) << 16 | low;
}

void AvrIcsp::Enter()
{
    PORTB &= uint8_t(~(kMclr | kPgc | kPgd));
    _delay_us(IcspTiming::kMclrLow);
    PORTB |= kPgm;
    _delay_us(IcspTiming::kPgmToMclr);
    PORTB |= kMclr | kLed;
    _delay_us(IcspTiming::kMclrToClock);
}

void AvrIcsp::Leave()
{
    PORTB &= uint8_t(~(kMclr | kPgc | kPgd));
    _delay_us(IcspTiming::kHalfClock);
    PORTB &= uint8_t(~(kPgm | kLed));
}

// Least significant bit first, each taken by the chip on the falling edge.
void AvrIcsp::Clock(uint16_t bits, uint8_t count)
{
    for (uint8_t i = 0; i < count; ++i, bits >>= 1) {
        if (bits & 1)
            PORTB |= kPgd;
        else
            PORTB &= uint8_t(~kPgd);
        PORTB |= kPgc;
        _delay_us(IcspTiming::kHalfClock);
        PORTB &= uint8_t(~kPgc);
        _delay_us(IcspTiming::kHalfClock);
    }
    PORTB &= uint8_t(~kPgd);
}

void AvrIcsp::Command(uint8_t code)
{
    Clock(code, 6);
    _delay_us(IcspTiming::kCommandToData);
}

void AvrIcsp::CommandWithData(uint8_t code, uint16_t data)
{
    Command(code);
    Clock(uint16_t((data & 0x3FFF) << 1), kDataBits);
    _delay_us(IcspTiming::kCommandToData);
}

uint16_t AvrIcsp::CommandReading(uint8_t code)
{
    Command(code);
    // Released to the chip, with the pull-up: no chip reads as all ones.
    DDRB &= uint8_t(~kPgd);
    PORTB |= kPgd;
    uint16_t bits = 0;
    for (uint8_t i = 0; i < kDataBits; ++i) {
        PORTB |= kPgc;
        _delay_us(IcspTiming::kClockToReadData);
        if (PINB & kPgd)
            bits |= uint16_t(1u << i);
        PORTB &= uint8_t(~kPgc);
        _delay_us(IcspTiming::kHalfClock);
    }
    PORTB &= uint8_t(~kPgd);
    DDRB |= kPgd;
    _delay_us(IcspTiming::kCommandToData);
    return uint16_t(bits >> 1) & 0x3FFF;
}
