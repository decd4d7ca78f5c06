#pragma once

#include "production/ProductionJob.h"

#include <QString>

// The commands that need no programmer; each returns its exit code.
namespace OfflineCommands {
// What a configuration word sets: a value, or a HEX file's word.
int Fuses(const QString& valueOrFile);
// The sum of what Program! leaves on the chip, for a HEX file or a job.
int Checksum(const QString& file);
int CreateJob(const QString& path, ProductionJob::Settings settings);
}  // namespace OfflineCommands
