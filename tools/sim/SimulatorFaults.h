#pragma once

#include <cstdint>
#include <optional>

// The ways in which the simulated programmer can misbehave, and the chip in
// its socket, for tests and demos.
struct SimulatorFaults {
    struct StuckBit {
        int wordAddress = 0;
        int bit = 0;
        int level = 0;  // the value the bit is stuck at
    };

    bool neverAnswer = false;
    int answerFromPing = 1;  // the first ping that gets an answer
    long silentAfterBytes = -1;  // stop answering after this many received bytes; -1 never
    bool garbleEchoes = false;  // echo every byte wrongly, as a broken line would
    bool rawConfigReadBack = false;  // the configuration word reads back as stored, without its fixed bits
    std::optional<StuckBit> stuckBit;  // a program-memory cell that cannot hold one bit
    long hangupAfterBytes = -1;  // close the pseudo-terminal after this many received bytes
    long floodAfterBytes = -1;  // after this many received bytes, answer nothing but junk, without end
    std::uint16_t deviceId = 0x0E20;  // the chip's ID word: 8K words, 40 pins, revision 0
    bool noChip = false;  // an empty socket: every read answers 3FFF, and nothing is written
};
