#include "ChipBench.h"

#include "WireCommands.h"

ChipBench::ChipBench(SimulatorFaults faults, std::chrono::milliseconds replyLimit)
    : sim(faults), envelope(sim.link, ui, [this] { return sim.simulator.Path(); }, [] { return QStringLiteral("5000"); }, replyLimit)
{
}

std::optional<bool> ChipBench::Run(const std::function<bool(ChipOperations&)>& operation)
{
    std::optional<bool> result;
    envelope.Run([&](ProgrammerProtocol& protocol) {
        ChipOperations operations(protocol, image, ui);
        result = operation(operations);
        return CommandOutcome::Completed;
    });
    return result;
}

QStringList ChipBench::Commands()
{
    sim.Settle();
    return WireCommands::Parse(sim.FromProgram());
}
