#pragma once

#include "ops/CommandOutcome.h"

#include <QString>

// What the chip commands report to whoever runs them. Each front end words
// these facts in its own way.

// A pass over one memory of the chip.
enum class Pass {
    Program,  // writing program memory; locations are word addresses
    Eeprom,  // writing the EEPROM; locations are byte addresses
    VerifyProgram,
    VerifyEeprom,
    Read,  // reading program memory back
    ReadEeprom,
};

struct Progress {
    Pass pass;
    int location;  // the location the pass has reached
    int size;  // how many locations the pass covers
};

enum class Memory { ProgramWord, EepromByte, IdWord, ConfigurationWord };

// A location whose value read from the chip is not the value expected.
struct Mismatch {
    Memory memory;
    int address;  // word or byte address; the ID word's number; 0 for the configuration word
    int expected;  // as compared: the configuration word with its read-back bits set
    int read;
};

// Why a command asks before it touches the chip, whose ID word it read.
struct ChipDoubt {
    enum class Kind {
        NoChip,  // the ID reads 0000 or 3FFF
        UnknownDevice,  // a device that is not of the family
        FileTooLarge,  // a member too small for the file: memory and address name the first location beyond it
    };
    Kind kind;
    int idWord;
    Memory memory = Memory::ProgramWord;
    int address = 0;
};

// Why a command stopped before its body ran through, as its runner tells it.
struct Failure {
    CommandOutcome outcome;  // BadPortName, PortNotOpened, NotDetected or LinkLost
    QString detail;  // the port's reason; for LinkLost, what was awaited and why it did not come
};
