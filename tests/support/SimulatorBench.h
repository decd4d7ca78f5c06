#pragma once

#include "PtySimulator.h"
#include "link/QtSerialLink.h"

#include <QString>

// A simulator on a pseudo-terminal and a real serial link to it, as tests use them.
struct SimulatorBench {
    explicit SimulatorBench(SimulatorFaults faults = {});

    // The bytes of the trace in one direction, in order.
    QByteArray FromProgram() const { return simulator.BytesSent(true); }
    QByteArray FromSimulator() const { return simulator.BytesSent(false); }
    // Waits until the simulator has taken and answered all it was sent.
    void Settle() const;
    // A copy of the simulated chip.
    FirmwareModel Chip();
    // What another program finds at a port after a command: free, and no
    // lock file left (/dev/pts/3 locks as /var/lock/LCK..pts_3).
    static bool PortIsFree(const QString& device);
    static bool HasLockFile(const QString& device);

    PtySimulator simulator;
    QtSerialLink link;
};
