#include "ops/ChipOperations.h"

#include "image/MemoryImage.h"
#include "link/ProgrammerProtocol.h"
#include "ops/OperatorInterface.h"

using namespace ChipGeometry;

namespace {

constexpr int kBlockBytes = 16;
constexpr int kWordsPerProgress = 32;
constexpr int kBytesPerProgress = 16;
// From ID word 3's successor to the configuration word.
constexpr int kIdToConfigSteps = kConfigWordLocation - kIdWords;

}  // namespace

ChipOperations::ChipOperations(ProgrammerProtocol& protocol, const MemoryImage& image, OperatorInterface& ui)
    : protocol_(protocol), image_(image), ui_(ui)
{
}

void ChipOperations::ProgressPoint(Pass pass, int location, int every, int size)
{
    if (location % every != 0)
        return;
    ui_.ShowProgress({pass, location, size});
    ui_.YieldToEvents();
}

void ChipOperations::Completed(Pass pass, int top)
{
    if (top >= 0)
        ui_.PassCompleted(pass);
}

void ChipOperations::EnterConfiguration()
{
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    protocol_.SendCommandWord(ProgrammerProtocol::ConfigurationArea, 0, 0);
}

void ChipOperations::Step(int locations)
{
    for (int step = 0; step < locations; ++step)
        protocol_.SendCommand(ProgrammerProtocol::Increment);
}

bool ChipOperations::Mismatched(const Mismatch& mismatch)
{
    ++mismatches_;
    return ui_.Mismatched(mismatch);
}

std::optional<Mismatch> ChipOperations::Compare(Memory memory, int address, int expected, int read)
{
    // The chip holds 14 bits: what a file gives above them is never written, so never compared.
    if ((expected & kWordBits) == (read & kWordBits))
        return std::nullopt;
    return Mismatch{memory, address, expected & kWordBits, read};
}

void ChipOperations::EraseChip()
{
    EnterConfiguration();
    protocol_.SendCommand(ProgrammerProtocol::Erase);
}

bool ChipOperations::VerifyMemory()
{
    ui_.SetStatus(QStringLiteral("Verifying Program Memory"));
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    const int top = image_.ProgramReadTop();
    for (int i = 0; i <= top; i += 2) {
        ProgressPoint(Pass::VerifyProgram, i / 2, kWordsPerProgress, top / 2 + 1);
        const int read = protocol_.ReadWord(ProgrammerProtocol::ReadProgram);
        const auto mismatch = Compare(Memory::ProgramWord, i / 2, image_.ProgramWord(i), read);
        if (mismatch && !Mismatched(*mismatch))
            return false;
        protocol_.SendCommand(ProgrammerProtocol::Increment);
    }
    Completed(Pass::VerifyProgram, top);

    protocol_.SendCommand(ProgrammerProtocol::Restart);
    for (int i = 0; i <= image_.EepromTop; ++i) {
        ProgressPoint(Pass::VerifyEeprom, i, kBytesPerProgress, image_.EepromTop + 1);
        // The reply's first byte means nothing: only the EEPROM byte is compared.
        const int read = protocol_.ReadWord(ProgrammerProtocol::ReadEeprom) & 0xFF;
        if (read != image_.EepromImage[i] && !Mismatched({Memory::EepromByte, i, image_.EepromImage[i], read}))
            return false;
        protocol_.SendCommand(ProgrammerProtocol::Increment);
    }
    Completed(Pass::VerifyEeprom, image_.EepromTop);
    return true;
}

bool ChipOperations::VerifyConfiguration()
{
    ui_.SetStatus(QStringLiteral("Final Verify"));
    ui_.YieldToEvents();
    EnterConfiguration();
    for (int id = 0; id < kIdWords; ++id) {
        const int read = protocol_.ReadWord(ProgrammerProtocol::ReadConfiguration);
        const auto mismatch = Compare(Memory::IdWord, id, image_.ConfigWord(2 * id), read);
        if (mismatch && !Mismatched(*mismatch))
            return false;
        protocol_.SendCommand(ProgrammerProtocol::Increment);
    }
    Step(kIdToConfigSteps);
    // The chip reads its unimplemented bits back as ones: set them on the image side only.
    const int expected = image_.ConfigWord(MemoryImage::kConfigWordOffset) | kConfigReadBackBits;
    const int read = protocol_.ReadWord(ProgrammerProtocol::ReadConfiguration);
    if (const auto mismatch = Compare(Memory::ConfigurationWord, 0, expected, read))
        Mismatched(*mismatch);
    return true;
}

void ChipOperations::ProgramChip()
{
    EraseChip();
    WriteProgramMemory();
    WriteEeprom();
    if (!VerifyMemory())
        return;
    WriteConfiguration();
    if (!VerifyConfiguration())
        return;
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    ui_.SetStatus(QStringLiteral("Done"));
}

void ChipOperations::WriteProgramMemory()
{
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    // Blocks are sent whole, up to the one that holds ProgramReadTop; a block
    // never starts at the lone offset 16384.
    const int top = image_.ProgramReadTop();
    const int words = (top / kBlockBytes + 1) * kBlockBytes / 2;
    for (int b = 0; b <= top; b += kBlockBytes) {
        for (int j = 0; j < kBlockBytes; j += 2) {
            if (b + j > 0)
                protocol_.SendCommand(ProgrammerProtocol::Increment);
            protocol_.SendCommandWord(ProgrammerProtocol::LoadWord, image_.ProgramImage[b + j], image_.ProgramImage[b + j + 1]);
        }
        ProgressPoint(Pass::Program, b / 2, kWordsPerProgress, words);
        protocol_.SendCommand(ProgrammerProtocol::Write);
    }
    Completed(Pass::Program, top);
}

void ChipOperations::WriteEeprom()
{
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    for (int i = 0; i <= image_.EepromTop; ++i) {
        ProgressPoint(Pass::Eeprom, i, kBytesPerProgress, image_.EepromTop + 1);
        protocol_.SendCommandWord(ProgrammerProtocol::LoadEepromByte, image_.EepromImage[i], 0);
        protocol_.SendCommand(ProgrammerProtocol::Write);
        protocol_.SendCommand(ProgrammerProtocol::Increment);
    }
    Completed(Pass::Eeprom, image_.EepromTop);
}

void ChipOperations::WriteConfiguration()
{
    ui_.SetStatus(QStringLiteral("Programming Configuration"));
    ui_.YieldToEvents();
    EnterConfiguration();
    for (int i = 0; i < 2 * kIdWords; i += 2) {
        protocol_.SendCommandWord(ProgrammerProtocol::LoadWord, image_.ConfigImage[i], image_.ConfigImage[i + 1]);
        protocol_.SendCommand(ProgrammerProtocol::Increment);
    }
    protocol_.SendCommand(ProgrammerProtocol::Write);
    Step(kIdToConfigSteps);
    protocol_.SendCommandWord(ProgrammerProtocol::LoadWord, image_.ConfigImage[MemoryImage::kConfigWordOffset],
                              image_.ConfigImage[MemoryImage::kConfigWordOffset + 1]);
    protocol_.SendCommand(ProgrammerProtocol::WriteConfiguration);
}

ChipContents ChipOperations::ReadChip()
{
    ChipContents chip;
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    for (int w = 0; w < kProgramWords; ++w) {
        ProgressPoint(Pass::Read, w, kWordsPerProgress, kProgramWords);
        chip.program[w] = std::uint16_t(protocol_.ReadWord(ProgrammerProtocol::ReadProgram));
        protocol_.SendCommand(ProgrammerProtocol::Increment);
    }
    Completed(Pass::Read, kProgramWords);
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    for (int i = 0; i < kEepromBytes; ++i) {
        ProgressPoint(Pass::ReadEeprom, i, kBytesPerProgress, kEepromBytes);
        chip.eeprom[i] = std::uint8_t(protocol_.ReadWord(ProgrammerProtocol::ReadEeprom) & 0xFF);
        protocol_.SendCommand(ProgrammerProtocol::Increment);
    }
    Completed(Pass::ReadEeprom, kEepromBytes);
    ui_.SetStatus(QStringLiteral("Reading Configuration"));
    ui_.YieldToEvents();
    EnterConfiguration();
    for (auto& id : chip.ids) {
        id = std::uint16_t(protocol_.ReadWord(ProgrammerProtocol::ReadConfiguration));
        protocol_.SendCommand(ProgrammerProtocol::Increment);
    }
    Step(kIdToConfigSteps);
    chip.config = std::uint16_t(protocol_.ReadWord(ProgrammerProtocol::ReadConfiguration));
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    return chip;
}
