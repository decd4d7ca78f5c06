#include "ops/ChipOperations.h"

#include "image/MemoryImage.h"
#include "link/CompanionCommands.h"
#include "link/ProgrammerProtocol.h"
#include "ops/BlockCourier.h"
#include "ops/OperatorInterface.h"

#include <algorithm>

using namespace ChipGeometry;

namespace {

constexpr int kBlockBytes = 16;
constexpr int kBlockWords = kBlockBytes / 2;
// What the commands that take no file's data see as their image.
const MemoryImage kNoImage;
constexpr int kWordsPerProgress = 32;
constexpr int kBytesPerProgress = 16;
// From ID word 3's successor to the configuration word.
constexpr int kIdToConfigSteps = kConfigWordLocation - kIdWords;

}  // namespace

ChipOperations::ChipOperations(ProgrammerProtocol& protocol, const MemoryImage& image, OperatorInterface& ui, ProgramScope scope)
    : protocol_(protocol), image_(image), ui_(ui), scope_(scope)
{
}

bool ChipOperations::Fast() const
{
    return protocol_.Facts().FastPath();
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

template <typename Visit> bool ChipOperations::Blocks(Pass pass, int end, Visit visit)
{
    BlockCourier courier(protocol_);
    courier.Restart();
    for (int first = 0; first < end; first += kBlockWords) {
        ProgressPoint(pass, first, end);
        if (!visit(courier, first))
            return false;
    }
    if (end > 0)
        ui_.PassCompleted(pass);
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
    // The firmware leaves its faster rate after a second of silence; the operator may take longer.
    CompanionCommands(protocol_).SetRate(LineRate::kBaud);
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
    if (Fast())
        return VerifyProgramBlocks() && VerifyEepromBlocks();
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    const bool goOn = Walk(Pass::VerifyProgram, scope_.CheckedWordsEnd(image_), [this](int word) {
        return !scope_.ChecksWord(image_, word)
               || VerifyWord(ProgrammerProtocol::ReadProgram, Memory::ProgramWord, word, scope_.WordAfter(image_, word));
    });
    if (!goOn)
        return false;
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    return Walk(Pass::VerifyEeprom, scope_.CheckedEepromEnd(image_), [this](int i) {
        if (!scope_.ChecksEeprom(image_, i))
            return true;
        // The reply's first byte means nothing: only the EEPROM byte is compared.
        const int read = protocol_.ReadWord(ProgrammerProtocol::ReadEeprom) & 0xFF;
        return read == image_.EepromImage[i] || Mismatched({Memory::EepromByte, i, image_.EepromImage[i], read});
    });
}

bool ChipOperations::VerifyProgramBlocks()
{
    return Blocks(Pass::VerifyProgram, scope_.CheckedWordsEnd(image_), [this](BlockCourier& courier, int first) {
        if (!scope_.ChecksAnyWord(image_, first))
            return true;
        const BlockCourier::Words read = courier.ReadWords(first);
        for (int w = first; w < first + kBlockWords; ++w) {
            if (!scope_.ChecksWord(image_, w))
                continue;
            const auto mismatch = Compare(Memory::ProgramWord, w, scope_.WordAfter(image_, w), read[w - first]);
            if (mismatch && !Mismatched(*mismatch))
                return false;
        }
        return true;
    });
}

bool ChipOperations::VerifyEepromBlocks()
{
    return Blocks(Pass::VerifyEeprom, scope_.CheckedEepromEnd(image_), [this](BlockCourier& courier, int first) {
        const BlockCourier::Bytes read = courier.ReadEeprom(first);
        for (int i = first; i < first + kBlockWords; ++i) {
            if (!scope_.ChecksEeprom(image_, i))
                continue;
            const int expected = image_.EepromImage[i];
            if (read[i - first] != expected && !Mismatched({Memory::EepromByte, i, expected, read[i - first]}))
                return false;
        }
        return true;
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
    if (Fast()) {
        WriteProgramBlocks();
        return;
    }
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    // Blocks are sent whole, up to the one that holds ProgramReadTop; a block
    // never starts at the lone offset 16384.
    const int top = image_.ProgramReadTop();
    const int words = WordsWritten(image_);
    int counter = 0;
    for (int first = 0; 2 * first <= top; first += kBlockWords) {
        if (!scope_.WritesBlock(image_, first)) {
            ProgressPoint(Pass::Program, first, words);
            continue;
        }
        for (int w = first; w < first + kBlockWords; ++w) {
            for (; counter < w; ++counter)
                protocol_.SendCommand(ProgrammerProtocol::Increment);
            const int word = scope_.WordAfter(image_, w);
            protocol_.SendCommandWord(ProgrammerProtocol::LoadWord, word & 0xFF, word >> 8);
        }
        ProgressPoint(Pass::Program, first, words);
        protocol_.SendCommand(ProgrammerProtocol::Write);
    }
    if (top >= 0)
        ui_.PassCompleted(Pass::Program);
}

void ChipOperations::WriteProgramBlocks()
{
    Blocks(Pass::Program, WordsWritten(image_), [this](BlockCourier& courier, int first) {
        if (!scope_.WritesBlock(image_, first))
            return true;
        BlockCourier::Words block{};
        for (int k = 0; k < kBlockWords; ++k)
            block[k] = std::uint16_t(scope_.WordAfter(image_, first + k));
        courier.WriteWords(first, block);
        return true;
    });
}

int ChipOperations::WordsWritten(const MemoryImage& image)
{
    const int top = image.ProgramReadTop();
    return top < 0 ? 0 : (top / kBlockBytes + 1) * kBlockWords;
}

std::uint16_t ChipOperations::Checksum(const MemoryImage& image, ProgramScope scope)
{
    const int written = WordsWritten(image);
    unsigned sum = 0;
    for (int w = 0; w < kProgramWords; ++w) {
        const bool over = scope.skipEmpty || w < written;
        sum += over ? scope.WordAfter(image, w) & kWordBits : kErasedWord;
    }
    sum += (image.ConfigWord(MemoryImage::kConfigWordOffset) | kConfigReadBackBits) & kWordBits;
    return std::uint16_t(sum);
}

void ChipOperations::WriteEeprom()
{
    if (Fast()) {
        WriteEepromBlocks();
        return;
    }
    protocol_.SendCommand(ProgrammerProtocol::Restart);
    Walk(Pass::Eeprom, scope_.WrittenEepromEnd(image_), [this](int i) {
        if (scope_.WritesEeprom(image_, i)) {
            protocol_.SendCommandWord(ProgrammerProtocol::LoadEepromByte, image_.EepromImage[i], 0);
            protocol_.SendCommand(ProgrammerProtocol::Write);
        }
        return true;
    });
}

void ChipOperations::WriteEepromBlocks()
{
    Blocks(Pass::Eeprom, scope_.WrittenEepromEnd(image_), [this](BlockCourier& courier, int first) {
        std::uint8_t mask = 0;
        BlockCourier::Bytes bytes{};
        for (int k = 0; k < kBlockWords; ++k) {
            if (!scope_.WritesEeprom(image_, first + k))
                continue;
            bytes[k] = image_.EepromImage[first + k];
            mask |= std::uint8_t(1u << k);
        }
        if (mask != 0)
            courier.WriteEeprom(first, mask, bytes);
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

int ChipOperations::ProbeCompanion()
{
    Step(CompanionCommands::kProbeLocation - kDeviceIdLocation);
    return CompanionCommands::VersionIn(protocol_.ReadWord(ProgrammerProtocol::ReadConfiguration));
}

ChipContents ChipOperations::ReadChip()
{
    ChipContents chip;
    if (Fast()) {
        ReadBlocks(chip);
    } else {
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
    }
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

void ChipOperations::ReadBlocks(ChipContents& chip)
{
    Blocks(Pass::Read, kProgramWords, [&chip](BlockCourier& courier, int first) {
        const BlockCourier::Words words = courier.ReadWords(first);
        std::copy(words.begin(), words.end(), chip.program.begin() + first);
        return true;
    });
    Blocks(Pass::ReadEeprom, kEepromBytes, [&chip](BlockCourier& courier, int first) {
        const BlockCourier::Bytes bytes = courier.ReadEeprom(first);
        std::copy(bytes.begin(), bytes.end(), chip.eeprom.begin() + first);
        return true;
    });
}
