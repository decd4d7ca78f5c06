#include "image/MemoryImage.h"

#include <algorithm>

namespace {

template <std::size_t N> void ClearWords(std::array<std::uint8_t, N>& image)
{
    for (std::size_t i = 0; i + 1 < N; i += 2) {
        image[i] = std::uint8_t(MemoryImage::kBlankWord & 0xFF);
        image[i + 1] = std::uint8_t(MemoryImage::kBlankWord >> 8);
    }
}

}  // namespace

void MemoryImage::ClearImage()
{
    ProgramTop = -1;
    EepromTop = -1;
    ClearWords(ProgramImage);
    ClearWords(ConfigImage);
    EepromImage.fill(0xFF);
    ProgramGiven.fill(false);
    EepromGiven.fill(false);
}

int MemoryImage::ProgramReadTop() const
{
    return std::min<int>(ProgramTop, kProgramWordEnd - 1);
}

int MemoryImage::ProgramWord(int offset) const
{
    return ProgramImage[offset + 1] * 256 + ProgramImage[offset];
}

int MemoryImage::ConfigWord(int offset) const
{
    return ConfigImage[offset + 1] * 256 + ConfigImage[offset];
}

void MemoryImage::SetConfigWord(int offset, int value)
{
    ConfigImage[offset + 1] = static_cast<std::uint8_t>(value / 256);
    ConfigImage[offset] = static_cast<std::uint8_t>(value & 0xFF);
}

bool MemoryImage::WordGiven(int word) const
{
    return ProgramGiven[2 * word] || ProgramGiven[2 * word + 1];
}

int MemoryImage::WordOverErased(int word) const
{
    using ChipGeometry::kErasedWord;
    const int low = ProgramGiven[2 * word] ? ProgramImage[2 * word] : kErasedWord & 0xFF;
    const int high = ProgramGiven[2 * word + 1] ? ProgramImage[2 * word + 1] : kErasedWord >> 8;
    return high * 256 + low;
}
