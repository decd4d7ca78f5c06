#pragma once

#include "PtySimulator.h"
#include "RecordingOperator.h"
#include "image/MemoryImage.h"
#include "link/QtSerialLink.h"
#include "ops/ChipOperations.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"

#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

// A simulated programmer on a pseudo-terminal, a real serial link to it, the
// envelope and commands around it, and a recording operator.
struct ChipBench {
    explicit ChipBench(SimulatorFaults faults = {}, std::chrono::milliseconds replyLimit = std::chrono::milliseconds(2000));

    // Runs a command on the simulator with the bench's file.
    CommandOutcome Do(CommandResult (CommandFlows::*flow)(const CommandRequest&));
    // Runs an operation inside the envelope, as a command would; its result,
    // or nothing when the body did not run.
    std::optional<bool> Run(const std::function<bool(ChipOperations&)>& operation);
    CommandRequest Request() const;
    // Waits until the simulator has taken and answered all it was sent.
    void Settle() const;
    // What the program sent, once the simulator has caught up.
    QByteArray FromProgram() const;
    // The same as commands: "A", "C 3F FF", "D 00 00"...
    QStringList Commands() const;
    // A copy of the simulated chip.
    FirmwareModel Chip();

    // What a command sends before it touches the chip: the ping, then the read of the chip's ID.
    static const QStringList kDetectAndIdentify;
    // How many of the commands from..to-1 are the letter; the index of its nth (from 0).
    static int Count(const QStringList& commands, const QString& letter, int from = 0, int to = -1);
    static int Find(const QStringList& commands, const QString& letter, int nth = 0);
    // What another program finds at a port after a command: free, and no
    // lock file left (/dev/pts/3 locks as /var/lock/LCK..pts_3).
    static bool PortIsFree(const QString& device);
    static bool HasLockFile(const QString& device);

    PtySimulator simulator;
    QtSerialLink link;
    RecordingOperator ui;
    MemoryImage image;
    QString file;
    ProgramScope scope;
    CommandEnvelope envelope;
    CommandFlows flows{envelope, ui};
};
