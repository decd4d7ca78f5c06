#pragma once

#include "production/ChipResult.h"

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
    kInterrupted = 130,  // as shells give a process that Ctrl-C ended
};

// The help's table of the exit codes and what each means.
QString ExitCodeHelp();
// Writes "korvexc-cli: text" on stderr: every message of the command line goes this way.
void Complain(const QString& text);

// A chip's exit code.
int ExitFor(const ChipResult& result);
