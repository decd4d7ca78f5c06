#pragma once

#include <stdint.h>

// The programming pins of the chip, and a clock to time its cycles by: the
// board drives them, the tests stand in for them.
class IcspBus {
public:
    // The clock's unit: long enough that a 32-bit count never wraps in a session.
    static constexpr uint16_t kMicrosecondsPerTick = 16;

    virtual void Enter() = 0;  // low-voltage programming mode, the address at 0
    virtual void Leave() = 0;
    virtual void Command(uint8_t code) = 0;
    virtual void CommandWithData(uint8_t code, uint16_t data) = 0;
    virtual uint16_t CommandReading(uint8_t code) = 0;
    virtual uint32_t Ticks() = 0;

protected:
    ~IcspBus() = default;
};
