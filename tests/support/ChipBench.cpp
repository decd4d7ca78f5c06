#include "ChipBench.h"

#include "WireCommands.h"

ChipBench::ChipBench(SimulatorFaults faults, std::chrono::milliseconds replyLimit, SimulatorTiming timing)
    : sim(faults, timing), portText(sim.simulator.Path()),
      envelope(sim.link, ui, [this] { return portText; }, [this] { return pingReads; }, replyLimit)
{
}

void ChipBench::Run(const std::function<void(ChipOperations&)>& operation)
{
    envelope.Run([&](ProgrammerProtocol& protocol) {
        ChipOperations operations(protocol, image, ui);
        operation(operations);
    });
}

QStringList ChipBench::Commands()
{
    sim.Settle();
    return WireCommands::Parse(sim.FromProgram());
}

int ChipBench::ChipWord(int address)
{
    int word = 0;
    sim.simulator.WithModel([&](FirmwareModel& model) { word = model.program[address]; });
    return word;
}

int ChipBench::ChipConfig(int location)
{
    int word = 0;
    sim.simulator.WithModel([&](FirmwareModel& model) { word = model.config[location]; });
    return word;
}
