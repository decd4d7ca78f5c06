#pragma once

#include "image/EepromLayout.h"
#include "image/MemoryImage.h"
#include "ops/ProgramScope.h"
#include "production/ChipCommand.h"
#include "production/SerialPlace.h"

#include <QString>
#include <cstdint>
#include <optional>

// What one run of a line is, from the request a face makes to the plan that
// every port shares (LineSetup fills in what the file or the job gives), the
// run's first event and each chip's row.
struct LinePlan {
    // Asked for: a command with a file, or a locked job.
    ChipCommand command = ChipCommand::Detect;
    QString file;  // the HEX file; for read, the file it makes
    QString jobPath;  // a job instead of the file and settings; its command is program
    QString expectChecksum;  // the checksum the job must have, as the release sheet gives it
    EepromLayout layout = EepromLayout::Auto;
    std::optional<int> fuse;  // the configuration word Program! writes
    ProgramScope scope;
    std::optional<SerialSequence> serials;
    std::optional<SerialPlace> serialPlace;
    QString serialFile;  // each chip's own data from this file's lines, instead of serials
    QString recordAddress;  // empty: no record
    QString pingReads;
    bool continueOnMismatch = false;
    bool checkChain = false;  // walk the record's hash chain before the run, and tell its state
    bool force = false;  // go on with a chip that is missing, unknown or too small for the file

    // Found while setting the run up.
    std::optional<MemoryImage> image;  // the file, loaded once for every port
    QString sha256;
    std::optional<std::uint16_t> checksum;
    QString job;  // the job's name and the SHA-256 of its file, when a job runs
    QString jobSha256;
};
