#include "ops/ChipOperations.h"

#include "image/MemoryImage.h"
#include "link/ProgrammerProtocol.h"
#include "ops/OperatorInterface.h"

using namespace ChipGeometry;

namespace {

constexpr int kBlockBytes = 16;
// What the commands that take no file's data see as their image.
const MemoryImage kNoImage;
constexpr int kWordsPerProgress = 32;
constexpr int kBytesPerProgress = 16;
// From ID word 3's successor to the configuration word.
constexpr int kIdToConfigSteps = kConfigWordLocation - kIdWords;

}  // namespace

ChipOperations::ChipOperations(ProgrammerProtocol& protocol, const MemoryImage& image, OperatorInterface& ui)
    : protocol_(protocol), image_(image), ui_(ui)
{
}

ChipOperations::ChipOperations(ProgrammerProtocol& protocol, OperatorInterface& ui) : ChipOperations(protocol, kNoImage, ui) {}

template <typename Visit> bool ChipOperations::Walk(std::optional<Pass> pass, int count, Visit visit)
{
    for (int location = 0; location < count; ++location) {
        if (pass)
            ProgressPoint(*pass, location, count);
        if (!visit(location))
            return false;
        protocol_.SendCommand(ProgrammerProtocol::Increment);
    }
    if (pass && count > 0)
        ui_.PassCompleted(*pass);
    return true;
}

void ChipOperations::ProgressPoint(Pass pass, int location, int size)
{
    const bool bytes = pass == Pass::Eeprom || pass == Pass::VerifyEeprom || pass == Pass::ReadEeprom;
    if (location % (bytes ? kBytesPerProgress : kWordsPerProgress) != 0)
        return;
    ui_.ShowProgress({pass, location, size});
    ui_.SafePoint();
}

void ChipOperations::EnterConfiguration()
{
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    protocol_.SendCommandWord(ProgrammerProtocol::ConfigurationArea, 0, 0);
}

void ChipOperations::Step(int locations)
{
    Walk(std::nullopt, locations, [](int) { return true; });
}

bool ChipOperations::Mismatched(const Mismatch& mismatch)
{
    if (++mismatches_ == 1)
        first_ = mismatch;
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

bool ChipOperations::VerifyWord(char readCommand, Memory memory, int address, int expected)
{
    const auto mismatch = Compare(memory, address, expected, protocol_.ReadWord(readCommand));
    return !mismatch || Mismatched(*mismatch);
}

bool ChipOperations::VerifyMemory()
{
    ui_.SetStatus(QStringLiteral("Verifying Program Memory"));
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    const int words = image_.ProgramReadWords();
    const bool goOn = Walk(Pass::VerifyProgram, words, [this](int word) {
        return VerifyWord(ProgrammerProtocol::ReadProgram, Memory::ProgramWord, word, image_.ProgramWord(2 * word));
    });
    if (!goOn)
        return false;
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    return Walk(Pass::VerifyEeprom, image_.EepromTop + 1, [this](int i) {
        // The reply's first byte means nothing: only the EEPROM byte is compared.
        const int read = protocol_.ReadWord(ProgrammerProtocol::ReadEeprom) & 0xFF;
        return read == image_.EepromImage[i] || Mismatched({Memory::EepromByte, i, image_.EepromImage[i], read});
    });
}

bool ChipOperations::VerifyConfiguration()
{
    ui_.SetStatus(QStringLiteral("Final Verify"));
    ui_.SafePoint();
    EnterConfiguration();
    const bool goOn = Walk(std::nullopt, kIdWords, [this](int id) {
        return VerifyWord(ProgrammerProtocol::ReadConfiguration, Memory::IdWord, id, image_.ConfigWord(2 * id));
    });
    if (!goOn)
        return false;
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
    const int words = WordsWritten(image_);
    for (int b = 0; b <= top; b += kBlockBytes) {
        for (int j = 0; j < kBlockBytes; j += 2) {
            if (b + j > 0)
                protocol_.SendCommand(ProgrammerProtocol::Increment);
            protocol_.SendCommandWord(ProgrammerProtocol::LoadWord, image_.ProgramImage[b + j], image_.ProgramImage[b + j + 1]);
        }
        ProgressPoint(Pass::Program, b / 2, words);
        protocol_.SendCommand(ProgrammerProtocol::Write);
    }
    if (top >= 0)
        ui_.PassCompleted(Pass::Program);
}

int ChipOperations::WordsWritten(const MemoryImage& image)
{
    const int top = image.ProgramReadTop();
    return top < 0 ? 0 : (top / kBlockBytes + 1) * kBlockBytes / 2;
}

std::uint16_t ChipOperations::Checksum(const MemoryImage& image)
{
    const int written = WordsWritten(image);
    unsigned sum = 0;
    for (int w = 0; w < kProgramWords; ++w)
        sum += w < written ? image.ProgramWord(2 * w) & kWordBits : kErasedWord;
    sum += (image.ConfigWord(MemoryImage::kConfigWordOffset) | kConfigReadBackBits) & kWordBits;
    return std::uint16_t(sum);
}

void ChipOperations::WriteEeprom()
{
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    Walk(Pass::Eeprom, image_.EepromTop + 1, [this](int i) {
        protocol_.SendCommandWord(ProgrammerProtocol::LoadEepromByte, image_.EepromImage[i], 0);
        protocol_.SendCommand(ProgrammerProtocol::Write);
        return true;
    });
}

void ChipOperations::WriteConfiguration()
{
    ui_.SetStatus(QStringLiteral("Programming Configuration"));
    ui_.SafePoint();
    EnterConfiguration();
    Walk(std::nullopt, kIdWords, [this](int id) {
        protocol_.SendCommandWord(ProgrammerProtocol::LoadWord, image_.ConfigImage[2 * id], image_.ConfigImage[2 * id + 1]);
        return true;
    });
    protocol_.SendCommand(ProgrammerProtocol::Write);
    Step(kIdToConfigSteps);
    protocol_.SendCommandWord(ProgrammerProtocol::LoadWord, image_.ConfigImage[MemoryImage::kConfigWordOffset],
                              image_.ConfigImage[MemoryImage::kConfigWordOffset + 1]);
    protocol_.SendCommand(ProgrammerProtocol::WriteConfiguration);
}

int ChipOperations::ReadDeviceId()
{
    EnterConfiguration();
    Step(kDeviceIdLocation);
    return protocol_.ReadWord(ProgrammerProtocol::ReadConfiguration);
}

ChipContents ChipOperations::ReadChip()
{
    ChipContents chip;
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    Walk(Pass::Read, kProgramWords, [&](int word) {
        chip.program[word] = std::uint16_t(protocol_.ReadWord(ProgrammerProtocol::ReadProgram));
        return true;
    });
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    Walk(Pass::ReadEeprom, kEepromBytes, [&](int i) {
        chip.eeprom[i] = std::uint8_t(protocol_.ReadWord(ProgrammerProtocol::ReadEeprom) & 0xFF);
        return true;
    });
    ui_.SetStatus(QStringLiteral("Reading Configuration"));
    ui_.SafePoint();
    EnterConfiguration();
    Walk(std::nullopt, kIdWords, [&](int id) {
        chip.ids[id] = std::uint16_t(protocol_.ReadWord(ProgrammerProtocol::ReadConfiguration));
        return true;
    });
    Step(kIdToConfigSteps);
    chip.config = std::uint16_t(protocol_.ReadWord(ProgrammerProtocol::ReadConfiguration));
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    return chip;
}
