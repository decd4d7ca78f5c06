#pragma once

#include "ops/CommandOutcome.h"

#include <QString>

// The command line's exit codes, and the outcome each command maps to.
enum ExitCode {
    kSuccess = 0,
    kUsage = 2,
    kNotDetected = 3,
    kFileError = 4,
    kMismatch = 5,
    kLinkLost = 6,
    kPortError = 7,
    kChipRefused = 8,
};

// The help's table of the exit codes and what each means.
QString ExitCodeHelp();
// Writes "korvexc-cli: text" on stderr: every message of the command line goes this way.
void Complain(const QString& text);

inline int ExitFor(CommandOutcome outcome)
{
    switch (outcome) {
    case CommandOutcome::Completed:
    case CommandOutcome::Cancelled:
        return kSuccess;
    case CommandOutcome::BadPortName:
    case CommandOutcome::PortNotOpened:
        return kPortError;
    case CommandOutcome::NotDetected:
        return kNotDetected;
    case CommandOutcome::LinkLost:
    case CommandOutcome::Abandoned:
        return kLinkLost;
    case CommandOutcome::FileNotLoaded:
        return kFileError;
    case CommandOutcome::Mismatch:
        return kMismatch;
    case CommandOutcome::NoChip:
    case CommandOutcome::WrongChip:
        return kChipRefused;
    case CommandOutcome::FuseRefused:
        break;
    }
    return kUsage;
}
