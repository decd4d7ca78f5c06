#include "ChipFile.h"

#include "PinChip.h"
#include "image/HexWriter.h"

#include <QFile>
#include <QSaveFile>
#include <map>

namespace {

constexpr int kConfigurationBase = 0x4000;
constexpr int kConfigurationWord = 7;
constexpr int kEepromBase = 0x4200;

void AddWord(HexWriter& writer, int address, std::uint16_t word)
{
    writer.Add(2 * address, std::uint8_t(word));
    writer.Add(2 * address + 1, std::uint8_t(word >> 8));
}

std::uint16_t* WordAt(PinChip& chip, int wordAddress)
{
    if (wordAddress < chip.ProgramWords())
        return &chip.program[std::size_t(wordAddress)];
    const int location = wordAddress - kConfigurationBase / 2;
    if (location >= 0 && location < 4)
        return &chip.ids[std::size_t(location)];
    return location == kConfigurationWord ? &chip.configuration : nullptr;
}

}  // namespace

bool ChipFile::Save(const PinChip& chip, const QString& path)
{
    HexWriter writer;
    for (int address = 0; address < chip.ProgramWords(); ++address)
        AddWord(writer, address, chip.program[std::size_t(address)]);
    for (int i = 0; i < 4; ++i)
        AddWord(writer, kConfigurationBase / 2 + i, chip.ids[std::size_t(i)]);
    AddWord(writer, kConfigurationBase / 2 + kConfigurationWord, chip.configuration);
    for (int i = 0; i < chip.EepromBytes(); ++i)
        writer.Add(kEepromBase + i, chip.eeprom[std::size_t(i)]);
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(writer.Text()) >= 0 && file.commit();
}

bool ChipFile::Load(PinChip& chip, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    std::map<int, std::uint8_t> bytes;
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine()) {
        line = line.trimmed();
        const QByteArray record = QByteArray::fromHex(line.mid(1));
        if (line.isEmpty() || line[0] != ':' || record.size() < 5 || record.size() != 5 + std::uint8_t(record[0]))
            return false;
        const int start = std::uint8_t(record[1]) << 8 | std::uint8_t(record[2]);
        for (int k = 0; record[3] == 0 && k < std::uint8_t(record[0]); ++k)
            bytes[start + k] = std::uint8_t(record[4 + k]);
    }
    for (const auto& [address, byte] : bytes) {
        if (address >= kEepromBase) {
            if (address - kEepromBase < chip.EepromBytes())
                chip.eeprom[std::size_t(address - kEepromBase)] = byte;
        } else if (std::uint16_t* word = WordAt(chip, address / 2)) {
            *word = address % 2 ? std::uint16_t((*word & 0x00FF) | (byte & 0x3F) << 8) : std::uint16_t((*word & 0x3F00) | byte);
        }
    }
    return true;
}
