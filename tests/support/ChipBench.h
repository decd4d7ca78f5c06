#pragma once

#include "image/MemoryImage.h"
#include "ops/ChipOperations.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"
#include "RecordingOperator.h"
#include "SimulatorBench.h"

#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

// A simulated programmer, the envelope and commands around it, and a recording operator.
struct ChipBench {
    explicit ChipBench(SimulatorFaults faults = {}, std::chrono::milliseconds replyLimit = std::chrono::milliseconds(300));

    // Runs an operation inside the envelope, as a command would; its result,
    // or nothing when the body did not run.
    std::optional<bool> Run(const std::function<bool(ChipOperations&)>& operation);
    // The program's side of the wire, once the simulator has caught up.
    QStringList Commands();

    SimulatorBench sim;
    RecordingOperator ui;
    MemoryImage image;
    QString file;
    CommandEnvelope envelope;
    CommandFlows flows{envelope, image, ui, [this] { return file; }};
};
