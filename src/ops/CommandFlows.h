#pragma once

#include "image/EepromLayout.h"
#include "ops/CommandOutcome.h"

#include <QString>
#include <functional>

class CommandEnvelope;
class OperatorInterface;
struct ChipContents;
struct MemoryImage;

// The chip commands, each inside the command envelope, each returning how it ended.
class CommandFlows {
public:
    // Fills the image for a command; false when it cannot, having told the operator why.
    using ImageSource = std::function<bool(MemoryImage&)>;

    // The file is loaded at every command; eepromLayout is asked each time,
    // and unset, each file's own layout is used.
    CommandFlows(CommandEnvelope& envelope, MemoryImage& image, OperatorInterface& ui, std::function<QString()> fileName,
                 std::function<EepromLayout()> eepromLayout = {});
    CommandFlows(CommandEnvelope& envelope, MemoryImage& image, OperatorInterface& ui, ImageSource source);

    // Loads the named file, its notices told to the operator.
    static ImageSource FileSource(OperatorInterface& ui, std::function<QString()> fileName,
                                  std::function<EepromLayout()> eepromLayout = {});

    CommandOutcome DoErase();
    CommandOutcome DoVerify();
    CommandOutcome DoProgram();
    // Reads the whole chip into chip; it is complete only when the outcome is Completed.
    CommandOutcome DoRead(ChipContents& chip);

private:

    CommandEnvelope& envelope_;
    MemoryImage& image_;
    OperatorInterface& ui_;
    ImageSource source_;
};
