#include "production/SerialPlace.h"

#include "image/MemoryImage.h"

#include <QStringList>

namespace {

constexpr int kIdBits = 4;

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

SerialPlace::SerialPlace(bool inIdWords, int eepromAddress, int bytes)
    : inIdWords_(inIdWords), eepromAddress_(eepromAddress), bytes_(bytes)
{
}

std::optional<SerialPlace> SerialPlace::Parse(const QString& place)
{
    if (place == QLatin1String("id"))
        return SerialPlace(true, 0, 0);
    const QStringList parts = place.split(u':');
    if (parts.size() < 2 || parts.size() > 3 || parts[0] != QLatin1String("eeprom"))
        return std::nullopt;
    bool addressOk = false;
    bool bytesOk = true;
    const int address = parts[1].toInt(&addressOk, 16);
    const int bytes = parts.size() == 3 ? parts[2].toInt(&bytesOk) : 2;
    if (!addressOk || !bytesOk || bytes < 1 || bytes > 4 || address < 0 || address + bytes > ChipGeometry::kEepromBytes)
        return std::nullopt;
    return SerialPlace(false, address, bytes);
}

long long SerialPlace::Largest() const
{
    return inIdWords_ ? (1LL << (kIdBits * ChipGeometry::kIdWords)) - 1 : (1LL << (8 * bytes_)) - 1;
}

bool SerialPlace::CoversFileData(const MemoryImage& image) const
{
    if (!inIdWords_)
        return eepromAddress_ <= image.EepromTop;
    for (int id = 0; id < ChipGeometry::kIdWords; ++id) {
        if (image.ConfigWord(2 * id) != MemoryImage::kBlankWord)
            return true;
    }
    return false;
}

void SerialPlace::Apply(MemoryImage& image, long long number) const
{
    if (inIdWords_) {
        for (int id = 0; id < ChipGeometry::kIdWords; ++id) {
            const int nibble = int(number >> (kIdBits * (ChipGeometry::kIdWords - 1 - id))) & 0xF;
            image.ConfigImage[2 * id] = std::uint8_t((image.ConfigImage[2 * id] & 0xF0) | nibble);
        }
        return;
    }
    for (int k = 0; k < bytes_; ++k) {
        image.EepromImage[eepromAddress_ + k] = std::uint8_t(number >> (8 * (bytes_ - 1 - k)));
        image.EepromGiven[eepromAddress_ + k] = true;
    }
    // The bytes before the number are written too, with whatever the image holds there.
    image.EepromTop = std::max<std::int16_t>(image.EepromTop, std::int16_t(eepromAddress_ + bytes_ - 1));
}
