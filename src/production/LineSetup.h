#pragma once

#include "image/EepromLayout.h"
#include "production/ChipCommand.h"
#include "production/LinePlan.h"
#include "production/SerialPlace.h"

#include <QString>
#include <optional>
#include <variant>

class LineEvents;

// What a line is asked to run: a command with a file, or a locked job.
struct LineRequest {
    ChipCommand command = ChipCommand::Detect;
    QString file;  // the HEX file, or the file read makes
    QString jobPath;  // a job instead of the file and settings; its command is program
    QString expectChecksum;  // the checksum the job must have, as the release sheet gives it
    EepromLayout layout = EepromLayout::Auto;
    std::optional<int> fuse;
    std::optional<SerialSequence> serials;
    std::optional<SerialPlace> serialPlace;
    QString recordAddress;
    QString pingReads;
    bool continueOnMismatch = false;
    bool force = false;
};

// Why a line does not start; no port was opened.
struct SetupRefusal {
    enum class Kind {
        JobRefused,  // detail: the job's reason
        UnexpectedChecksum,  // checksum: the job's
        SerialNeedsRecord,
        FileNotLoaded,  // the loader told its notices
        RecordUnwritable,  // detail: the record's problem
    };
    Kind kind;
    QString detail;
    std::optional<std::uint16_t> checksum;
};

// Sets a line up before any port opens: the job opened and checked, the
// file loaded once for every port with its hash and checksum, and the record
// created, so that the workers only connect to it.
namespace LineSetup {
std::variant<LinePlan, SetupRefusal> Prepare(const LineRequest& request, LineEvents& events);
}  // namespace LineSetup
