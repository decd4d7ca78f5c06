#include "Uart.h"

#include <avr/interrupt.h>
#include <avr/io.h>
#include <util/delay.h>

namespace {

constexpr uint32_t kBaud = 19200;
constexpr uint8_t kRingSize = 32;  // a power of two
volatile uint8_t ring[kRingSize];
volatile uint8_t head = 0;
volatile uint8_t tail = 0;
bool fast = false;

void SetDivisor(bool doubled, uint16_t divisor)
{
    UBRR0H = uint8_t(divisor >> 8);
    UBRR0L = uint8_t(divisor);
    UCSR0A = doubled ? _BV(U2X0) : 0;
}

}  // namespace

ISR(USART_RX_vect)
{
    const uint8_t byte = UDR0;
    const uint8_t next = uint8_t((head + 1) & (kRingSize - 1));
    if (next != tail) {
        ring[head] = byte;
        head = next;
    }
}

void Uart::Start()
{
    SetDivisor(false, uint16_t(F_CPU / (16 * kBaud) - 1));
    UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);
    UCSR0B = _BV(RXEN0) | _BV(TXEN0) | _BV(RXCIE0);
}

bool Uart::Available()
{
    return head != tail;
}

uint8_t Uart::Next()
{
    const uint8_t byte = ring[tail];
    tail = uint8_t((tail + 1) & (kRingSize - 1));
    return byte;
}

void Uart::Send(uint8_t byte)
{
    while (!(UCSR0A & _BV(UDRE0))) {
    }
    UDR0 = byte;
}

void Uart::SetRate(uint8_t code)
{
    constexpr uint16_t kSlow = uint16_t(F_CPU / (16 * kBaud) - 1);  // 51: 19231 baud, 0.2 % fast
    constexpr uint16_t kFast = uint16_t(F_CPU / (8 * 500000UL) - 1);  // 3: exact
    // The last byte leaves the data register for the shifter, then takes a
    // byte time at the old rate (521 µs at 19200) to go out.
    while (!(UCSR0A & _BV(UDRE0))) {
    }
    _delay_us(600);
    fast = code == 1;
    SetDivisor(fast, fast ? kFast : kSlow);
}

bool Uart::Fast()
{
    return fast;
}
