#pragma once

#include "ops/ChipIdentity.h"
#include "ops/ProgramScope.h"
#include "production/ChipResult.h"

#include <QString>

// Words that several of the command line's reports print alike.
namespace CliWords {
// "Configuration word 3F72:" and what each field sets, on stdout.
void PrintFuseReading(int value);
// "Chip ID 0E20: 8192 program words, ...", or what is wrong with the chip.
QString ChipLine(const ChipIdentity& chip);
// Which way the data go: the companion firmware's blocks, or the letters.
QString PathLine(const ChipIdentity& chip);
// What a checksum assumes Program! writes.
QString ScopeAssumed(const ProgramScope& scope);
QString AdapterTimerAdvice(int milliseconds);
// The table of a round: its header, and a chip's row.
QString TableHeader();
QString TableRow(const QString& port, const ChipResult& result);
}  // namespace CliWords
