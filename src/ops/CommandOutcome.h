#pragma once

// How a command ended.
enum class CommandOutcome {
    Completed,
    Mismatch,  // the body ran, and a verify met at least one mismatch
    BadPortName,  // the COM box names no port
    PortNotOpened,
    NotDetected,
    LinkLost,
    Abandoned,  // the operator quit during the command
    FileNotLoaded,
    Cancelled,  // the fuse prompt was left empty or cancelled
    FuseRefused,  // the fuse answer is no 16-bit hexadecimal number
    NoChip,  // no chip answered, and the operator did not go on
    WrongChip,  // not the family's chip, or too small for the file, and the operator did not go on
    Declined,  // whoever runs the command turned the chip down once it was accepted, before anything was written
};
