#pragma once

// The programmer's line: 19200 baud, 8N1, so ten bits a byte (start, eight data bits, stop).
namespace LineRate {
inline constexpr int kBaud = 19200;
inline constexpr double kByteSeconds = 10.0 / kBaud;
}  // namespace LineRate
