#pragma once

#include "link/CompanionCommands.h"

#include <cstdint>

class ProgrammerProtocol;

// Blocks of eight locations of program memory or EEPROM through the companion
// firmware's commands, at its faster rate where both ends take it. The
// firmware's counter is followed; an exchange that fails its check is done
// again with the table's letters, and the rest of the opening keeps to them.
class BlockCourier {
public:
    using Words = CompanionCommands::Words;
    using Bytes = CompanionCommands::Bytes;

    explicit BlockCourier(ProgrammerProtocol& protocol);

    // "A": the counter to the first location of every memory.
    void Restart();
    // Each of these first moves the counter to first, a multiple of eight.
    void WriteWords(int first, const Words& words);
    Words ReadWords(int first);
    void WriteEeprom(int first, std::uint8_t mask, const Bytes& bytes);
    Bytes ReadEeprom(int first);

private:
    bool Fast();
    void MoveTo(int location);
    // After a failed check: "A" and the table's "I" up to location.
    void Resync(int location);
    void Failed(int location);
    void StepOnce();
    // A block through write, or after a failed check or without the firmware's own letters, byLetters.
    template <typename Write, typename ByLetters> void Send(int first, Write write, ByLetters byLetters);
    // A block through read, or the same ways location by location with readOne.
    template <typename Block, typename Read, typename ReadOne> Block Fetch(int first, Read read, ReadOne readOne);

    ProgrammerProtocol& protocol_;
    CompanionCommands commands_;
    int counter_ = 0;
};
