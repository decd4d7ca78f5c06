#pragma once

#include "ops/CommandRequest.h"

#include <functional>

class CommandEnvelope;
class OperatorInterface;
class ProgrammerProtocol;
struct ChipContents;

// The chip commands, each inside the command envelope, each saying how it ended.
class CommandFlows {
public:
    CommandFlows(CommandEnvelope& envelope, OperatorInterface& ui);

    // Pings and reads the chip's ID, and asks nothing.
    CommandResult DoDetect(const CommandRequest& request);
    CommandResult DoErase(const CommandRequest& request);
    CommandResult DoVerify(const CommandRequest& request);
    CommandResult DoProgram(const CommandRequest& request);
    // Reads the whole chip into chip; it is complete only when the outcome is Completed.
    CommandResult DoRead(const CommandRequest& request, ChipContents& chip);

private:
    // The request's image, or its file loaded with the loader's notices told; false when there is none.
    bool Load(const CommandRequest& request, MemoryImage& image);
    // The chip's ID, and once an opening of the port, whether the companion firmware answers.
    ChipIdentity ReadIdentity(ProgrammerProtocol& protocol);
    // Reads the chip's ID into the result and asks about a chip that is
    // missing or unknown; the outcome that stops the command, if any.
    std::optional<CommandOutcome> Identify(const CommandRequest& request, ProgrammerProtocol& protocol, CommandResult& result);
    using ImageBody = std::function<CommandOutcome(ProgrammerProtocol&, MemoryImage&, CommandResult&)>;
    // Runs the body in the envelope on the request's image, once it is loaded and the chip accepted.
    CommandResult RunOnImage(const CommandRequest& request, const ImageBody& body);

    CommandEnvelope& envelope_;
    OperatorInterface& ui_;
};
