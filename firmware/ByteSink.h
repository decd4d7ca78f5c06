#pragma once

#include <stdint.h>

// Where the firmware's answers go: the UART, or a test's record.
class ByteSink {
public:
    virtual void Send(uint8_t byte) = 0;

protected:
    ~ByteSink() = default;
};
