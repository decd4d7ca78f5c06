#pragma once

#include "image/MemoryImage.h"
#include "link/CommandEnvelope.h"
#include "ops/ChipOperations.h"
#include "ops/CommandFlows.h"
#include "RecordingOperator.h"
#include "SimulatorBench.h"

#include <QStringList>
#include <chrono>
#include <functional>

// A simulated programmer, the envelope and flows around it, and a recording operator.
struct ChipBench {
    explicit ChipBench(SimulatorFaults faults = {}, std::chrono::milliseconds replyLimit = std::chrono::milliseconds(300),
                       SimulatorTiming timing = {});

    // Runs an operation inside the envelope, as a command would.
    void Run(const std::function<void(ChipOperations&)>& operation);
    // The program's side of the wire, once the simulator has caught up.
    QStringList Commands();
    int ChipWord(int address);
    int ChipConfig(int location);

    SimulatorBench sim;
    RecordingOperator ui;
    MemoryImage image;
    QString file;
    QString portText;  // the simulator's path unless set
    QString pingReads = QStringLiteral("5000");
    CommandEnvelope envelope;
    CommandFlows flows{envelope, image, ui, [this] { return file; }};
};

