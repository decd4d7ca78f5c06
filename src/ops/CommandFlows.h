#pragma once

#include "link/CommandOutcome.h"

#include <QString>
#include <functional>

class CommandEnvelope;
class OperatorInterface;
struct MemoryImage;

// The three commands of the menu bar, each inside the command envelope.
class CommandFlows {
public:
    CommandFlows(CommandEnvelope& envelope, MemoryImage& image, OperatorInterface& ui, std::function<QString()> fileName);

    void DoErase();
    void DoVerify();
    void DoProgram();
    CommandOutcome LastOutcome() const { return outcome_; }

private:
    CommandEnvelope& envelope_;
    MemoryImage& image_;
    OperatorInterface& ui_;
    std::function<QString()> fileName_;
    CommandOutcome outcome_ = CommandOutcome::Completed;
};
