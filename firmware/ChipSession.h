#pragma once

#include "IcspBus.h"

#include <stdint.h>

// The host's location counter over the chip's own address: the chip only
// counts up, and only a new entry takes it back to 0, so the counter moves
// freely and the chip follows it only when a command needs the chip. A write
// cycle runs on while the next bytes are on the wire; whatever needs the chip
// next waits for its end.
class ChipSession {
public:
    explicit ChipSession(IcspBus& bus) : bus_(bus) {}

    void Restart();  // "A"
    void ToConfiguration();  // "D"
    void Advance();  // "I"
    void Move(uint16_t step);  // by step locations, modulo the address space
    uint16_t Counter() const { return counter_; }
    void LoadWord(uint16_t word);
    void LoadEepromByte(uint8_t value);
    void Erase();
    void WriteLoaded();  // "J"
    void WriteConfigurationWord();
    uint16_t ReadWord();  // "F" and "G": the chip's word at the counter
    uint8_t ReadEepromByte();
    // Ends a cycle whose time is up, and leaves programming mode after a pause.
    void Poll();
    bool Active() const { return programming_; }

private:
    enum class Cycle : uint8_t { None, SelfTimed, EndedByCommand };

    void Reach();
    void Settle();
    void Begin(uint8_t command, Cycle cycle, uint16_t microseconds);
    bool Elapsed(uint32_t since, uint32_t microseconds);

    IcspBus& bus_;
    uint16_t counter_ = 0;  // the chip address the counter names: 0x2000 on in the configuration area
    uint16_t chipAddress_ = 0;
    bool programming_ = false;
    bool wordsLoaded_ = false;
    bool eepromLoaded_ = false;
    uint8_t eepromByte_ = 0;
    Cycle cycle_ = Cycle::None;
    uint32_t cycleStart_ = 0;
    uint16_t cycleLength_ = 0;
    uint32_t lastUse_ = 0;
};
