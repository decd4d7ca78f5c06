#pragma once

#include <stdint.h>

// Where the firmware's answers go: the UART, or a test's record.
class ByteSink {
public:
    virtual void Send(uint8_t byte) = 0;
    // Once the bytes sent so far are out: the line's rate, 0 the table's 19200, 1 the faster 500000.
    virtual void SetRate(uint8_t code) = 0;

protected:
    ~ByteSink() = default;
};
