#include "SimulatorBench.h"

#include <QFile>
#include <QSerialPort>
#include <stdexcept>
#include <thread>

SimulatorBench::SimulatorBench(SimulatorFaults faults) : simulator(faults)
{
    if (const QString error = simulator.Start(); !error.isEmpty())
        throw std::runtime_error(error.toStdString());
    link.SetPort(simulator.Path());
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

FirmwareModel SimulatorBench::Chip()
{
    FirmwareModel copy;
    simulator.WithModel([&copy](FirmwareModel& model) { copy = model; });
    return copy;
}

bool SimulatorBench::PortIsFree(const QString& device)
{
    QSerialPort other(device);
    const bool opened = other.open(QIODevice::ReadWrite);
    other.close();
    return opened;
}

bool SimulatorBench::HasLockFile(const QString& device)
{
    QString name = device;
    name.remove(QStringLiteral("/dev/")).replace(u'/', u'_');
    return QFile::exists(QStringLiteral("/var/lock/LCK..") + name);
}
