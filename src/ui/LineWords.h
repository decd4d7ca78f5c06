#pragma once

#include "production/ChipResult.h"
#include "production/LineNotice.h"
#include "production/LineSetup.h"
#include "production/RecordChain.h"

#include <QString>

// How the line window words what the engine reports.
namespace LineWords {
// Why a chip failed, for its tile: the first mismatch, or what failed.
QString Reason(const ChipResult& result);
// Why the line did not start.
QString Refusal(const SetupRefusal& refusal);
// The record's chain as the run found it.
QString Chain(const RecordChain::State& chain);
// A notice worth the operator's eye, or empty.
QString Notice(const LineNotice& notice);
}  // namespace LineWords
