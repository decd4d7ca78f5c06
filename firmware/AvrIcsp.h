#pragma once

#include "IcspBus.h"

#include <stdint.h>

// The programming pins on port B (Arduino D8 to D11), the LED on D13, and
// timer 1 as the clock.
class AvrIcsp : public IcspBus {
public:
    static void Start();
    void Enter() override;
    void Leave() override;
    void Command(uint8_t code) override;
    void CommandWithData(uint8_t code, uint16_t data) override;
    uint16_t CommandReading(uint8_t code) override;
    uint32_t Ticks() override;

private:
    static void Clock(uint16_t bits, uint8_t count);
};
