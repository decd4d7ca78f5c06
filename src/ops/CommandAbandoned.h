#pragma once

#include <stdexcept>

// Thrown at a safe point (a yield, or after a dialog) when the operator closed
// the window during a command: the envelope unwinds, closes the port, and the
// window may then close.
class CommandAbandoned : public std::runtime_error {
public:
    CommandAbandoned() : std::runtime_error("command abandoned by the operator") {}
};
