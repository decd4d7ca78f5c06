#pragma once

#include <stdint.h>

// What the programmer waits, in microseconds. Each is the chip's minimum
// (the larger where sources differ) with a margin; the README lists them.
namespace IcspTiming {
constexpr uint16_t kMclrLow = 20;  // MCLR held low before an entry
constexpr uint16_t kPgmToMclr = 10;  // PGM up before MCLR rises: 5
constexpr uint16_t kMclrToClock = 10;  // MCLR up before the first clock: 5
constexpr uint16_t kHalfClock = 2;  // data setup and hold around the falling edge: 1
constexpr uint16_t kCommandToData = 2;  // after a command's last clock: 1
constexpr uint16_t kClockToReadData = 2;  // after the rising edge, before sampling: 1
constexpr uint16_t kProgramOnly = 2000;  // externally timed write of a block: 1000
constexpr uint16_t kDischarge = 200;  // after the end of a write: 100
constexpr uint16_t kSelfTimedWrite = 12000;  // configuration word, EEPROM byte: 8000 to 10000
constexpr uint16_t kChipErase = 12000;  // chip erase: 8000 to 10000
}  // namespace IcspTiming
