#pragma once

#include "ops/CommandRequest.h"

#include <QLatin1String>
#include <optional>

class CommandFlows;
struct ChipContents;

// What a line, or a face, does to a chip.
enum class ChipCommand { Detect, Erase, Verify, Program, Read, BlankCheck };

namespace ChipCommands {
// As the record and the event stream name it: "detect", "blank-check"...
QLatin1String Name(ChipCommand command);
std::optional<ChipCommand> Named(QLatin1String name);
// Whether it works from a HEX file's image.
bool LoadsImage(ChipCommand command);
// Whether it reads the chip's ID before it touches the chip.
bool Identifies(ChipCommand command);
// Runs the command through the flows; Read and BlankCheck read the whole chip into chip.
CommandResult Perform(ChipCommand command, CommandFlows& flows, const CommandRequest& request, ChipContents& chip);
}  // namespace ChipCommands
