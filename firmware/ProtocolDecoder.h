#pragma once

#include "ByteSink.h"
#include "ChipSession.h"

#include <stdint.h>

// The host's letters, byte by byte: every byte of a command is echoed as it
// arrives, before the chip is touched, and the answer or the prompt follows.
class ProtocolDecoder {
public:
    ProtocolDecoder(ChipSession& chip, ByteSink& out) : chip_(chip), out_(out) {}

    void Take(uint8_t byte);
    // A command whose data stopped coming is forgotten, so that the next
    // letter is read as a letter.
    void Abandon() { command_ = 0; }
    bool Midway() const { return command_ != 0; }

private:
    void Execute();
    void SendWord(uint16_t word);

    ChipSession& chip_;
    ByteSink& out_;
    uint8_t command_ = 0;
    uint8_t data_[2] = {0, 0};
    uint8_t received_ = 0;
};
