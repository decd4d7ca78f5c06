#pragma once

#include "image/EepromLayout.h"
#include "image/MemoryImage.h"
#include "production/ChipCommand.h"
#include "production/SerialPlace.h"

#include <QString>
#include <cstdint>
#include <optional>

// What every port of one run shares, read only once the run starts.
struct LinePlan {
    ChipCommand command = ChipCommand::Detect;
    QString file;  // the HEX file; for read, the file it makes
    EepromLayout layout = EepromLayout::Auto;
    std::optional<MemoryImage> image;  // the file, loaded once for every port
    QString sha256;
    std::optional<int> fuse;  // the configuration word Program! writes
    std::optional<std::uint16_t> checksum;
    QString recordAddress;  // empty: no record
    std::optional<SerialSequence> serials;
    std::optional<SerialPlace> serialPlace;
    QString pingReads;
    QString job;  // the job's name and the SHA-256 of its file, when a job runs
    QString jobSha256;
    bool continueOnMismatch = false;
    bool force = false;  // go on with a chip that is missing, unknown or too small for the file
};
