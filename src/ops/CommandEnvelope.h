#pragma once

#include "link/ProgrammerProtocol.h"
#include "ops/CommandOutcome.h"

#include <chrono>
#include <functional>

class OperatorInterface;
class SerialPort;
struct CommandRequest;

// The frame of every chip command: open the port that the request names, ping
// the programmer, run the body, close the port. Every way out, a bad port
// name, a failed open or a lost link included, ends with the port closed.
// Locking a face's controls meanwhile is the face's own business.
class CommandEnvelope {
public:
    using Body = std::function<CommandOutcome(ProgrammerProtocol&)>;

    CommandEnvelope(SerialPort& port, OperatorInterface& ui,
                    std::chrono::milliseconds replyLimit = ProgrammerProtocol::kDefaultReplyLimit);

    // afterClose runs once the port is closed, and only when the body ran to
    // its end. The outcome is the body's when it ran, else why it did not.
    CommandOutcome Run(const CommandRequest& request, const Body& body, const std::function<void()>& afterClose = {});

private:
    SerialPort& port_;
    OperatorInterface& ui_;
    std::chrono::milliseconds replyLimit_;
};
