#include "Uart.h"

#include <avr/interrupt.h>
#include <avr/io.h>

namespace {

constexpr uint32_t kBaud = 19200;
constexpr uint8_t kRingSize = 32;  // a power of two
volatile uint8_t ring[kRingSize];
volatile uint8_t head = 0;
volatile uint8_t tail = 0;

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
    constexpr uint16_t kDivisor = uint16_t(F_CPU / (16 * kBaud) - 1);  // 51: 19231 baud, 0.2 % fast
    UBRR0H = uint8_t(kDivisor >> 8);
    UBRR0L = uint8_t(kDivisor);
    UCSR0A = 0;
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
