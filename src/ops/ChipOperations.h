#pragma once

struct MemoryImage;
class OperatorInterface;
class ProgrammerProtocol;

// The command sequences that erase, verify and program the target. They follow
// the firmware's location counter by counting their own "I" commands.
class ChipOperations {
public:
    // The chip reads these bits of its configuration word back as ones.
    static constexpr int kConfigReadBackBits = 0x10B0;

    ChipOperations(ProgrammerProtocol& protocol, MemoryImage& image, OperatorInterface& ui);

    void EraseChip();
    // False when the operator answered No at a mismatch.
    bool VerifyMemory();
    // False only when the operator answered No at an ID-word mismatch.
    bool VerifyConfiguration();
    void ProgramChip();

private:
    ProgrammerProtocol& protocol_;
    MemoryImage& image_;
    OperatorInterface& ui_;
};
