#pragma once

#include "ByteSink.h"
#include "ChipSession.h"

#include <stdint.h>

// The host's letters, byte by byte: every byte of a command is echoed as it
// arrives, before the chip is touched, and the answer or the prompt follows.
// The firmware's own letters, which the host sends only once its probe found
// them, echo only the letter: their data come as a burst closed by a check
// byte, and so do their answers.
class ProtocolDecoder {
public:
    // The probe: a configuration-area read here answers this, which no chip could.
    static constexpr uint16_t kProbeLocation = 0x2008;
    static constexpr uint16_t kSignature = 0x4B01;

    ProtocolDecoder(ChipSession& chip, ByteSink& out) : chip_(chip), out_(out) {}

    void Take(uint8_t byte);
    // A command whose data stopped coming is forgotten, so that the next
    // letter is read as a letter.
    void Abandon() { command_ = 0; }
    bool Midway() const { return command_ != 0; }

    // CRC-8, polynomial 07, as the host computes it.
    static uint8_t Check(const uint8_t* bytes, uint8_t count);

private:
    void Execute();
    void ExecuteOwn();
    void SendWord(uint16_t word);
    void Answer(const uint8_t* bytes, uint8_t count);
    bool DataIntact() const;
    void WriteBlock();
    void WriteEeprom();

    ChipSession& chip_;
    ByteSink& out_;
    uint8_t command_ = 0;
    uint8_t data_[17] = {};
    uint8_t received_ = 0;
};
