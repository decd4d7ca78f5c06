#pragma once

#include "ByteSink.h"

#include <stdint.h>

// The board's serial port at 19200 baud, or 500000 once the host asks, 8N1: received bytes wait in a ring
// filled by the receive interrupt, so a byte that arrives while the chip is
// being clocked is kept.
class Uart : public ByteSink {
public:
    static void Start();
    static bool Available();
    static uint8_t Next();
    void Send(uint8_t byte) override;
    void SetRate(uint8_t code) override;
    static bool Fast();
};
