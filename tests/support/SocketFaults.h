#pragma once

#include "SimulatorFaults.h"

// The sockets a line's tests seat: a chip whose bit 12 of program word 0010
// reads 0, so that it fails its verify there, and a socket with no chip.
inline SimulatorFaults StuckChip()
{
    return {.stuckBit = SimulatorFaults::StuckBit{0x10, 12, 0}};
}

inline SimulatorFaults EmptySocket()
{
    return {.noChip = true};
}
