#pragma once

// How a command ended, for callers that act on it (the command line's exit
// codes); the window only shows what the flows told the operator.
enum class CommandOutcome {
    Completed,      // the body ran to its end (mismatches are the operator's to judge)
    BadPortName,    // the COM box names no port
    PortNotOpened,
    NotDetected,
    LinkLost,
    Abandoned,      // the operator quit during the command
    FileNotLoaded,
    Cancelled,      // the fuse prompt was left empty or cancelled
    FuseRefused,    // the fuse answer is no 16-bit hexadecimal number
};
