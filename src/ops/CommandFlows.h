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
    // eepromLayout is asked at every load; unset, each file's own layout is used.
    CommandFlows(CommandEnvelope& envelope, MemoryImage& image, OperatorInterface& ui, std::function<QString()> fileName,
                 std::function<EepromLayout()> eepromLayout = {});

    CommandOutcome DoErase();
    CommandOutcome DoVerify();
    CommandOutcome DoProgram();
    // Reads the whole chip into chip; it is complete only when the outcome is Completed.
    CommandOutcome DoRead(ChipContents& chip);

private:
    bool LoadFile();

    CommandEnvelope& envelope_;
    MemoryImage& image_;
    OperatorInterface& ui_;
    std::function<QString()> fileName_;
    std::function<EepromLayout()> eepromLayout_;
};
