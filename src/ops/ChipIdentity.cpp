#include "ops/ChipIdentity.h"

#include "image/MemoryImage.h"

std::optional<ChipDoubt> ChipIdentity::Doubt() const
{
    if (!Answered())
        return ChipDoubt{ChipDoubt::Kind::NoChip, idWord};
    if (!member)
        return ChipDoubt{ChipDoubt::Kind::UnknownDevice, idWord};
    return std::nullopt;
}

std::optional<ChipDoubt> ChipIdentity::Misfit(const MemoryImage& image) const
{
    if (!member)
        return std::nullopt;
    // The first location beyond the member that the file filled, else the highest it loaded.
    const int words = image.ProgramReadWords();
    for (int w = member->programWords; w < words; ++w) {
        if (image.ProgramWord(2 * w) != MemoryImage::kBlankWord || w == words - 1)
            return ChipDoubt{ChipDoubt::Kind::FileTooLarge, idWord, Memory::ProgramWord, w};
    }
    for (int i = member->eepromBytes; i <= image.EepromTop; ++i) {
        if (image.EepromImage[i] != ChipGeometry::kErasedByte || i == image.EepromTop)
            return ChipDoubt{ChipDoubt::Kind::FileTooLarge, idWord, Memory::EepromByte, i};
    }
    return std::nullopt;
}
