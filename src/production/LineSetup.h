#pragma once

#include "image/EepromLayout.h"
#include "production/ChipCommand.h"
#include "production/LinePlan.h"
#include "production/SerialPlace.h"

#include <QString>
#include <optional>
#include <variant>

class LineEvents;

// Why a line does not start; no port was opened.
struct SetupRefusal {
    enum class Kind {
        JobRefused,  // detail: the job's reason
        UnexpectedChecksum,  // checksum: the job's
        SerialNeedsRecord,
        FileNotLoaded,  // the loader told its notices
        RecordUnwritable,  // detail: the record's problem
        ChipDataOverCode,  // word: where a chip's own data would replace the file's code
        SerialFileUnreadable,  // detail: why
    };
    Kind kind;
    QString detail;
    std::optional<std::uint16_t> checksum;
    int word = -1;
};

// Sets a line up before any port opens: the job opened and checked, the
// file loaded once for every port with its hash and checksum, and the record
// created, so that the workers only connect to it.
namespace LineSetup {
std::variant<LinePlan, SetupRefusal> Prepare(const LinePlan& request, LineEvents& events);
}  // namespace LineSetup
