#pragma once

#include <QLatin1String>
#include <optional>

// What a line does to each chip.
enum class ChipCommand { Detect, Erase, Verify, Program, Read, BlankCheck };

namespace ChipCommands {
// As the record and the event stream name it: "detect", "blank-check"...
QLatin1String Name(ChipCommand command);
std::optional<ChipCommand> Named(QLatin1String name);
// Whether it works from a HEX file's image.
bool LoadsImage(ChipCommand command);
// Whether it reads the chip's ID before it touches the chip.
bool Identifies(ChipCommand command);
}  // namespace ChipCommands
