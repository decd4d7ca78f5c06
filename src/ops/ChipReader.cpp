#include "ops/ChipReader.h"

#include "image/HexText.h"
#include "image/HexWriter.h"
#include "link/ProgrammerProtocol.h"
#include "ops/OperatorInterface.h"

namespace {

constexpr std::uint16_t kErasedWord = 0x3FFF;
constexpr std::uint8_t kErasedByte = 0xFF;
// The configuration word reads back with its fixed bits set; erased, it reads all ones.
constexpr std::uint16_t kErasedConfig = 0x3FFF;

void AddWord(HexWriter& writer, int address, std::uint16_t word)
{
    writer.Add(address, std::uint8_t(word & 0xFF));
    writer.Add(address + 1, std::uint8_t(word >> 8));
}

}  // namespace

ChipReader::ChipReader(ProgrammerProtocol& protocol, OperatorInterface& ui) : protocol_(protocol), ui_(ui) {}

ChipReader::Contents ChipReader::ReadChip()
{
    Contents chip;
    protocol_.SendCommand('A');
    for (int w = 0; w < int(chip.program.size()); ++w) {
        if (w % 32 == 0) {
            ui_.SetStatus(QStringLiteral("Reading ") + HexText::Number(w));
            ui_.YieldToEvents();
        }
        chip.program[w] = std::uint16_t(protocol_.ReadWord('G'));
        protocol_.SendCommand('I');
    }
    protocol_.SendCommand('A');
    for (int i = 0; i < int(chip.eeprom.size()); ++i) {
        if (i % 16 == 0) {
            ui_.SetStatus(QStringLiteral("Reading EEPROM ") + HexText::Number(i));
            ui_.YieldToEvents();
        }
        chip.eeprom[i] = std::uint8_t(protocol_.ReadWord('H') & 0xFF);
        protocol_.SendCommand('I');
    }
    ui_.SetStatus(QStringLiteral("Reading Configuration"));
    ui_.YieldToEvents();
    protocol_.SendCommand('A');
    protocol_.SendCommandWord('D', 0, 0);
    for (auto& id : chip.ids) {
        id = std::uint16_t(protocol_.ReadWord('F'));
        protocol_.SendCommand('I');
    }
    for (int step = 0; step < 3; ++step)
        protocol_.SendCommand('I');
    chip.config = std::uint16_t(protocol_.ReadWord('F'));
    protocol_.SendCommand('A');
    return chip;
}

QByteArray ChipReader::ToHex(const Contents& chip)
{
    HexWriter writer;
    int last = int(chip.program.size()) - 1;
    while (last >= 0 && chip.program[last] == kErasedWord)
        --last;
    for (int w = 0; w <= last; ++w)
        AddWord(writer, 2 * w, chip.program[w]);
    for (int i = 0; i < int(chip.ids.size()); ++i)
        AddWord(writer, 0x4000 + 2 * i, chip.ids[i]);
    AddWord(writer, 0x400E, chip.config);
    for (int i = 0; i < int(chip.eeprom.size()); ++i) {
        if (chip.eeprom[i] != kErasedByte)
            writer.Add(0x4200 + i, chip.eeprom[i]);
    }
    return writer.Text();
}

QString ChipReader::FirstNotBlank(const Contents& chip)
{
    for (int w = 0; w < int(chip.program.size()); ++w) {
        if (chip.program[w] != kErasedWord)
            return QStringLiteral("program word %1 reads %2").arg(HexText::Number(w), HexText::Number(chip.program[w]));
    }
    for (int i = 0; i < int(chip.eeprom.size()); ++i) {
        if (chip.eeprom[i] != kErasedByte)
            return QStringLiteral("EEPROM byte %1 reads %2").arg(HexText::Number(i), HexText::Number(chip.eeprom[i]));
    }
    for (int i = 0; i < int(chip.ids.size()); ++i) {
        if (chip.ids[i] != kErasedWord)
            return QStringLiteral("ID word %1 reads %2").arg(i).arg(HexText::Number(chip.ids[i]));
    }
    if (chip.config != kErasedConfig)
        return QStringLiteral("the configuration word reads %1").arg(HexText::Number(chip.config));
    return QString();
}
