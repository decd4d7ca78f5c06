#pragma once

#include "CliCommand.h"
#include "image/EepromLayout.h"
#include "image/MemoryImage.h"
#include "ops/ChipContents.h"
#include "ops/ChipIdentity.h"
#include "ops/CommandOutcome.h"
#include "ops/OperatorFacts.h"
#include "ops/SerialPlace.h"

#include <QString>
#include <chrono>
#include <cstdio>
#include <optional>

class CliOperator;

// One command on one programmer, with its own link and envelope: what a
// worker of a gang runs, and what a single command runs. It writes the
// chip's row of the production record, its serial number into the image, and
// the file that read makes.
class ChipJob {
public:
    // What every port's job of one run shares, read only.
    struct Plan {
        CliCommand command = CliCommand::Detect;
        QString file;
        EepromLayout layout = EepromLayout::Auto;
        std::optional<MemoryImage> image;  // the file, loaded once for every port; unset, each job loads it
        QString sha256;
        std::optional<int> fuse;  // the configuration word written, for the record
        QString recordPath;  // empty: no record
        std::optional<SerialPlace> serialPlace;
        std::optional<SerialSequence> serials;
        QString pingReads;
        QString job;  // the job's name and the SHA-256 of its file, when a job runs
        QString jobSha256;
    };
    struct Result {
        CommandOutcome outcome = CommandOutcome::Completed;
        bool recordFailed = false;  // the chip's row could not be started: the chip was not touched
        bool recordLost = false;  // the chip's row could not be completed
        bool serialTooLarge = false;
        bool fileNotWritten = false;  // read: the chip was read, but its file could not be written
        double seconds = 0;
        long long wireBytes = 0;
        std::chrono::microseconds pingRoundTrip{0};
        std::optional<int> adapterTimer;
        std::optional<long long> serial;
        std::optional<Mismatch> firstMismatch;
        ChipContents chip;  // read and blank-check
        std::optional<ChipIdentity> identity;  // the chip's ID, when it was read

        int Exit() const;
        // "success", "mismatch", "not detected", "record lost: success"...
        QString Text() const;

    private:
        QString ChipText() const;
    };

    ChipJob(const Plan& plan, QString port, CliOperator& ui, std::FILE* trace);
    Result Run();

private:
    CommandOutcome RunCommand(Result& result);

    const Plan& plan_;
    QString port_;
    CliOperator& ui_;
    std::FILE* trace_;
};
