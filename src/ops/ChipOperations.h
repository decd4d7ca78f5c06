#pragma once

#include "ops/ChipContents.h"
#include "ops/OperatorFacts.h"
#include "ops/ProgramScope.h"

#include <cstdint>
#include <optional>

struct MemoryImage;
class OperatorInterface;
class BlockCourier;
class ProgrammerProtocol;

// The command sequences that erase, verify, program and read the target. They
// follow the firmware's location counter by counting their own "I" commands.
class ChipOperations {
public:
    ChipOperations(ProgrammerProtocol& protocol, const MemoryImage& image, OperatorInterface& ui, ProgramScope scope = {});
    // For the commands that take no file's data: erase, read, and the device ID.
    ChipOperations(ProgrammerProtocol& protocol, OperatorInterface& ui);

    void EraseChip();
    // False when the operator answered No at a mismatch.
    bool VerifyMemory();
    // False only when the operator answered No at an ID-word mismatch.
    bool VerifyConfiguration();
    void ProgramChip();
    ChipContents ReadChip();
    // The read-only device ID word in configuration location 6.
    int ReadDeviceId();
    // Right after ReadDeviceId: the companion firmware's version, 0 when a
    // chip answered the probe, that is a programmer with the table's letters only.
    int ProbeCompanion();

    // The 16-bit sum of what Program! leaves on the chip: every program word
    // (the whole blocks written, erased words beyond them) and the
    // configuration word as it reads back, each as its 14 bits.
    static std::uint16_t Checksum(const MemoryImage& image, ProgramScope scope = {});

    // How many mismatches the verifies of this object met.
    int Mismatches() const { return mismatches_; }
    std::optional<Mismatch> FirstMismatch() const { return first_; }

private:
    // ProgramChip's steps: the memory, the EEPROM, the ID words and the configuration word.
    void WriteProgramMemory();
    // The same passes through the companion firmware's block commands.
    void WriteProgramBlocks();
    bool VerifyProgramBlocks();
    void WriteEepromBlocks();
    bool VerifyEepromBlocks();
    void ReadBlocks(ChipContents& chip);
    // Visits the blocks of eight locations below end through one courier, a
    // progress point before each, the pass completed after the last. False as
    // soon as a visit is.
    template <typename Visit> bool Blocks(Pass pass, int end, Visit visit);
    bool Fast() const;
    // How many program words the whole blocks up to ProgramReadTop hold: what Program! writes.
    static int WordsWritten(const MemoryImage& image);
    void WriteEeprom();
    void WriteConfiguration();
    // Visits count locations from where the firmware's counter stands, with
    // "I" after each; with a pass, a progress point before each and the pass
    // completed after the last. False as soon as a visit is.
    template <typename Visit> bool Walk(std::optional<Pass> pass, int count, Visit visit);
    // Every 32 words or 16 EEPROM bytes: the progress, then a safe point.
    void ProgressPoint(Pass pass, int location, int size);
    // Restart, then go to word 0 of the configuration area.
    void EnterConfiguration();
    void Step(int locations);
    bool Mismatched(const Mismatch& mismatch);
    // Reads the word where the counter stands and compares it; false when the operator said stop.
    bool VerifyWord(char readCommand, Memory memory, int address, int expected);
    static std::optional<Mismatch> Compare(Memory memory, int address, int expected, int read);

    ProgrammerProtocol& protocol_;
    const MemoryImage& image_;
    OperatorInterface& ui_;
    ProgramScope scope_;
    int mismatches_ = 0;
    std::optional<Mismatch> first_;
};
