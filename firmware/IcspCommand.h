#pragma once

#include <stdint.h>

// The chip's six-bit programming commands.
namespace IcspCommand {
constexpr uint8_t kLoadConfiguration = 0x00;
constexpr uint8_t kLoadProgram = 0x02;
constexpr uint8_t kLoadData = 0x03;
constexpr uint8_t kReadProgram = 0x04;
constexpr uint8_t kReadData = 0x05;
constexpr uint8_t kIncrementAddress = 0x06;
constexpr uint8_t kBeginEraseProgram = 0x08;  // timed by the chip
constexpr uint8_t kBeginProgramOnly = 0x18;  // timed by the programmer, ended with kEndProgramming
constexpr uint8_t kEndProgramming = 0x17;
constexpr uint8_t kChipErase = 0x1F;
}  // namespace IcspCommand
