#pragma once

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

private:
    CommandEnvelope& envelope_;
    MemoryImage& image_;
    OperatorInterface& ui_;
    std::function<QString()> fileName_;
};
