#pragma once

#include <stdexcept>

// Thrown at a safe point (after a progress report, or at a question) when a
// stop was asked for during a command, as when the operator closes the window:
// the envelope unwinds, closes the port, and the face may then close.
class CommandAbandoned : public std::runtime_error {
public:
    CommandAbandoned() : std::runtime_error("command abandoned by the operator") {}
};
