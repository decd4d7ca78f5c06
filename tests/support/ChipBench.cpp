#include "ChipBench.h"

#include "WireCommands.h"

ChipBench::ChipBench(SimulatorFaults faults, std::chrono::milliseconds replyLimit, SimulatorTiming timing)
    : sim(faults, timing), portText(sim.simulator.Path()),
      envelope(sim.link, ui, [this] { return portText; }, [this] { return pingReads; }, replyLimit)
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
