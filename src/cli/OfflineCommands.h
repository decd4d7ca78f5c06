#pragma once

#include "CliParser.h"
#include "production/ProductionJob.h"

#include <QString>

// The commands that need no programmer; each returns its exit code.
namespace OfflineCommands {
// What a configuration word sets: a value, or a HEX file's word.
int Fuses(const QString& valueOrFile);
// The sum of what Program! leaves on the chip, for a HEX file in the scope
// given or a job in its own; unless quiet, the scope it assumed on stderr.
int Checksum(const QString& file, ProgramScope scope, bool quiet);
int CreateJob(const QString& path, ProductionJob::Settings settings);
// serials make: a new serial number file.
int MakeSerials(const QString& path, const Invocation::SerialsToMake& make);
}  // namespace OfflineCommands
