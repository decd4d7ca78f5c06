#include "ops/ChipContents.h"

#include "image/HexWriter.h"

#include <QSaveFile>

using namespace ChipGeometry;

namespace {

void AddWord(HexWriter& writer, int address, std::uint16_t word)
{
    writer.Add(address, std::uint8_t(word & 0xFF));
    writer.Add(address + 1, std::uint8_t(word >> 8));
}

}  // namespace

QByteArray ChipContents::ToHex() const
{
    HexWriter writer;
    int last = int(program.size()) - 1;
    while (last >= 0 && program[last] == kErasedWord)
        --last;
    for (int w = 0; w <= last; ++w)
        AddWord(writer, kProgramBase + 2 * w, program[w]);
    for (int i = 0; i < int(ids.size()); ++i)
        AddWord(writer, kConfigBase + 2 * i, ids[i]);
    AddWord(writer, kConfigBase + 2 * kConfigWordLocation, config);
    // EEPROM in the word layout that every tool reads: the byte, then a 00 high byte.
    for (int i = 0; i < int(eeprom.size()); ++i) {
        if (eeprom[i] != kErasedByte)
            AddWord(writer, kEepromBase + 2 * i, eeprom[i]);
    }
    return writer.Text();
}

QString ChipContents::SaveHex(const QString& path) const
{
    // A file that was there stays until the new one is complete.
    QSaveFile out(path);
    const QByteArray text = ToHex();
    if (out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit())
        return QString();
    return out.errorString();
}

std::optional<Mismatch> ChipContents::FirstNotBlank() const
{
    for (int w = 0; w < int(program.size()); ++w) {
        if (program[w] != kErasedWord)
            return Mismatch{Memory::ProgramWord, w, kErasedWord, program[w]};
    }
    for (int i = 0; i < int(eeprom.size()); ++i) {
        if (eeprom[i] != kErasedByte)
            return Mismatch{Memory::EepromByte, i, kErasedByte, eeprom[i]};
    }
    for (int i = 0; i < int(ids.size()); ++i) {
        if (ids[i] != kErasedWord)
            return Mismatch{Memory::IdWord, i, kErasedWord, ids[i]};
    }
    // Erased, the configuration word reads all ones, its read-back bits included.
    if (config != kErasedWord)
        return Mismatch{Memory::ConfigurationWord, 0, kErasedWord, config};
    return std::nullopt;
}
