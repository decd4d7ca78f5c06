#pragma once

#include "image/EepromLayout.h"
#include "image/MemoryImage.h"
#include "ops/AppSettings.h"
#include "ops/ChipIdentity.h"
#include "ops/CommandOutcome.h"
#include "ops/ProgramScope.h"

#include <QString>
#include <chrono>
#include <functional>
#include <optional>

// What one chip command works with, taken when the command starts.
struct CommandRequest {
    QString port;  // as the operator gave it: a number n for COMn, a name or a device
    // The stored reads per ping attempt; read afresh at every attempt, as the firmware's pacing expects.
    std::function<QString()> pingReads = &AppSettings::PingReads;
    // Verify and Program load this file inside the command, with this layout...
    QString file;
    EepromLayout layout = EepromLayout::Auto;
    ProgramScope scope;
    // ...unless the image is given, loaded already.
    std::optional<MemoryImage> image;
    // Told the chip's ID as soon as it is read, before anything is asked about it.
    std::function<void(const ChipIdentity&)> identified;
    // Called once the chip is accepted and before anything is written, with the
    // image to be written (none for an erase): it may add to the image (a serial
    // number), or decline the chip, which ends the command as Declined.
    std::function<bool(MemoryImage*)> accepted;
};

// How a command ended, whether it got past loading its file, and the chip's ID when it was read.
struct CommandResult {
    CommandOutcome outcome = CommandOutcome::Completed;
    bool fileLoaded = false;
    std::optional<ChipIdentity> chip;
    // From the "@" that was answered to its "^".
    std::chrono::microseconds pingRoundTrip{0};
    // What Program! leaves on the chip, summed; set once the file is loaded.
    std::optional<std::uint16_t> checksum;
    // What the verifies met: how many mismatches, and the first.
    int mismatches = 0;
    std::optional<Mismatch> firstMismatch;
};
