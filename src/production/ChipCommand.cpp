#include "production/ChipCommand.h"

#include "ops/CommandFlows.h"

#include <iterator>

namespace {

// In the enum's order.
constexpr const char* kNames[] = {"detect", "erase", "verify", "program", "read", "blank-check"};
static_assert(std::size(kNames) == size_t(ChipCommand::BlankCheck) + 1);

}  // namespace

QLatin1String ChipCommands::Name(ChipCommand command)
{
    return QLatin1String(kNames[int(command)]);
}

std::optional<ChipCommand> ChipCommands::Named(QLatin1String name)
{
    for (int i = 0; i < int(std::size(kNames)); ++i) {
        if (name == QLatin1String(kNames[i]))
            return ChipCommand(i);
    }
    return std::nullopt;
}

bool ChipCommands::LoadsImage(ChipCommand command)
{
    return command == ChipCommand::Verify || command == ChipCommand::Program;
}

bool ChipCommands::Identifies(ChipCommand command)
{
    return command == ChipCommand::Erase || LoadsImage(command);
}

CommandResult ChipCommands::Perform(ChipCommand command, CommandFlows& flows, const CommandRequest& request, ChipContents& chip)
{
    switch (command) {
    case ChipCommand::Detect:
        return flows.DoDetect(request);
    case ChipCommand::Erase:
        return flows.DoErase(request);
    case ChipCommand::Verify:
        return flows.DoVerify(request);
    case ChipCommand::Program:
        return flows.DoProgram(request);
    case ChipCommand::Read:
    case ChipCommand::BlankCheck:
        break;
    }
    return flows.DoRead(request, chip);
}
