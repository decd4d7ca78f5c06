#include "SimulatorBench.h"

#include <stdexcept>
#include <thread>

namespace {

QByteArray Direction(const PtySimulator& simulator, bool fromProgram)
{
    QByteArray bytes;
    for (const auto& entry : simulator.Trace()) {
        if (entry.fromProgram == fromProgram)
            bytes.append(char(entry.byte));
    }
    return bytes;
}

}  // namespace

SimulatorBench::SimulatorBench(SimulatorFaults faults, SimulatorTiming timing) : simulator(faults, timing)
{
    if (const QString error = simulator.Start(); !error.isEmpty())
        throw std::runtime_error(error.toStdString());
    link.SetPort(simulator.Path());
}

QByteArray SimulatorBench::FromProgram() const
{
    return Direction(simulator, true);
}

QByteArray SimulatorBench::FromSimulator() const
{
    return Direction(simulator, false);
}

void SimulatorBench::Settle() const
{
    std::size_t seen = simulator.Trace().size();
    for (int quiet = 0; quiet < 4;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::size_t now = simulator.Trace().size();
        quiet = now == seen ? quiet + 1 : 0;
        seen = now;
    }
}
