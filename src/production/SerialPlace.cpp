#include "production/SerialPlace.h"

#include "image/HexWriter.h"
#include "image/MemoryImage.h"

#include <QStringList>

namespace {

constexpr int kIdBits = 4;
constexpr int kWordBits = 14;
constexpr int kRetlw = 0x3400;
constexpr int kRetlwMask = 0x3C00;

}  // namespace

std::optional<SerialSequence> SerialSequence::Parse(const QString& text)
{
    const QStringList parts = text.split(u':');
    bool firstOk = false;
    bool stepOk = true;
    const long long first = parts.value(0).toLongLong(&firstOk);
    const long long step = parts.size() == 2 ? parts[1].toLongLong(&stepOk) : 1;
    if (parts.size() > 2 || !firstOk || !stepOk || first < 0 || step < 1)
        return std::nullopt;
    return SerialSequence{first, step};
}

SerialPlace::SerialPlace(Kind kind, int address, int count, bool lsbFirst)
    : kind_(kind), address_(address), count_(count), lsbFirst_(lsbFirst)
{
}

std::optional<SerialPlace> SerialPlace::Parse(const QString& place)
{
    if (place == QLatin1String("id"))
        return SerialPlace(Kind::Id, 0, ChipGeometry::kIdWords, false);
    const QStringList parts = place.split(u':');
    const QString kind = parts[0];
    const bool retlw = kind == QLatin1String("retlw");
    const int most = retlw ? 4 : 3;
    if (parts.size() < 2 || parts.size() > most || (!retlw && kind != QLatin1String("eeprom") && kind != QLatin1String("words")))
        return std::nullopt;
    bool addressOk = false;
    bool countOk = true;
    const int address = parts[1].toInt(&addressOk, 16);
    const int count = parts.size() >= 3 ? parts[2].toInt(&countOk) : 2;
    const bool lsbFirst = parts.size() == 4 && parts[3] == QLatin1String("lsb");
    const int size = kind == QLatin1String("eeprom") ? ChipGeometry::kEepromBytes : ChipGeometry::kProgramWords;
    if (!addressOk || !countOk || count < 1 || count > 4 || address < 0 || address + count > size
        || (parts.size() == 4 && !lsbFirst && parts[3] != QLatin1String("msb")))
        return std::nullopt;
    const Kind chosen = retlw ? Kind::Retlw : kind == QLatin1String("words") ? Kind::Words : Kind::Eeprom;
    return SerialPlace(chosen, address, count, lsbFirst);
}

bool SerialPlace::TakesChipData(const MemoryImage& image, int word)
{
    const int value = image.ProgramWord(2 * word);
    return !image.WordGiven(word) || value == ChipGeometry::kErasedWord || (value & kRetlwMask) == kRetlw;
}

int SerialPlace::PartBits() const
{
    switch (kind_) {
    case Kind::Id:
        return kIdBits;
    case Kind::Words:
        return kWordBits;
    default:
        return 8;
    }
}

long long SerialPlace::Largest() const
{
    return (1LL << (PartBits() * count_)) - 1;
}

int SerialPlace::Part(long long number, int k) const
{
    const int shift = PartBits() * (lsbFirst_ ? k : count_ - 1 - k);
    return int(number >> shift) & ((1 << PartBits()) - 1);
}

bool SerialPlace::CoversFileData(const MemoryImage& image) const
{
    if (kind_ == Kind::Eeprom)
        return address_ <= image.EepromTop;
    if (kind_ != Kind::Id)
        return false;  // a reserved table is the common case; code under it is refused instead
    for (int id = 0; id < ChipGeometry::kIdWords; ++id) {
        if (image.ConfigWord(2 * id) != MemoryImage::kBlankWord)
            return true;
    }
    return false;
}

std::optional<int> SerialPlace::CodeUnder(const MemoryImage& image) const
{
    for (int k = 0; (kind_ == Kind::Retlw || kind_ == Kind::Words) && k < count_; ++k) {
        if (!TakesChipData(image, address_ + k))
            return address_ + k;
    }
    return std::nullopt;
}

void SerialPlace::Apply(MemoryImage& image, long long number) const
{
    for (int k = 0; k < count_; ++k) {
        const int part = Part(number, k);
        if (kind_ == Kind::Id) {
            image.ConfigImage[2 * k] = std::uint8_t((image.ConfigImage[2 * k] & 0xF0) | part);
        } else if (kind_ == Kind::Eeprom) {
            image.EepromImage[address_ + k] = std::uint8_t(part);
            image.EepromGiven[address_ + k] = true;
        } else {
            const int word = kind_ == Kind::Retlw ? kRetlw | part : part;
            const int offset = 2 * (address_ + k);
            image.ProgramImage[offset] = std::uint8_t(word);
            image.ProgramImage[offset + 1] = std::uint8_t(word >> 8);
            image.ProgramGiven[offset] = image.ProgramGiven[offset + 1] = true;
            image.ProgramTop = std::max<std::int16_t>(image.ProgramTop, std::int16_t(offset + 1));
        }
    }
    // The bytes before the number are written too, with whatever the image holds there.
    if (kind_ == Kind::Eeprom)
        image.EepromTop = std::max<std::int16_t>(image.EepromTop, std::int16_t(address_ + count_ - 1));
}

QByteArray SerialPlace::NumberLine(long long number) const
{
    MemoryImage image;
    Apply(image, number);
    QByteArray data;
    for (int k = 0; k < count_; ++k) {
        if (kind_ == Kind::Id)
            data.append(char(image.ConfigImage[2 * k])).append(char(image.ConfigImage[2 * k + 1]));
        else if (kind_ == Kind::Eeprom)
            data.append(char(image.EepromImage[address_ + k])).append('\0');
        else
            data.append(char(image.ProgramImage[2 * (address_ + k)])).append(char(image.ProgramImage[2 * (address_ + k) + 1]));
    }
    const int hexAddress = kind_ == Kind::Id       ? ChipGeometry::kConfigBase
                           : kind_ == Kind::Eeprom ? ChipGeometry::kEepromBase + 2 * address_
                                                   : ChipGeometry::kProgramBase + 2 * address_;
    return HexWriter::DataRecord(hexAddress, data);
}
