#include "ops/ProgramScope.h"

#include "image/MemoryImage.h"

namespace {

constexpr int kBlockWords = 8;

// Whether the test holds for any word of the block from word first.
template <typename Test> bool AnyInBlock(int first, Test test)
{
    for (int w = first; w < first + kBlockWords; ++w) {
        if (test(w))
            return true;
    }
    return false;
}

// One past the last index below end for which the test holds.
template <typename Test> int EndOf(int end, Test test)
{
    while (end > 0 && !test(end - 1))
        --end;
    return end;
}

}  // namespace

bool ProgramScope::WritesBlock(const MemoryImage& image, int first) const
{
    return !skipEmpty || AnyInBlock(first, [&](int w) { return image.WordGiven(w); });
}

int ProgramScope::WordAfter(const MemoryImage& image, int w) const
{
    return skipEmpty ? image.WordOverErased(w) : image.ProgramWord(2 * w);
}

bool ProgramScope::ChecksWord(const MemoryImage& image, int w) const
{
    return w < image.ProgramReadWords() && (!skipEmpty || checkGaps || image.WordGiven(w));
}

bool ProgramScope::ChecksAnyWord(const MemoryImage& image, int first) const
{
    return AnyInBlock(first, [&](int w) { return ChecksWord(image, w); });
}

bool ProgramScope::WritesEeprom(const MemoryImage& image, int i) const
{
    return i <= image.EepromTop && (!skipEmpty || image.EepromGiven[i]);
}

bool ProgramScope::ChecksEeprom(const MemoryImage& image, int i) const
{
    return i <= image.EepromTop && (!skipEmpty || checkGaps || image.EepromGiven[i]);
}

int ProgramScope::CheckedWordsEnd(const MemoryImage& image) const
{
    return EndOf(image.ProgramReadWords(), [&](int w) { return ChecksWord(image, w); });
}

int ProgramScope::CheckedEepromEnd(const MemoryImage& image) const
{
    return EndOf(image.EepromTop + 1, [&](int i) { return ChecksEeprom(image, i); });
}

int ProgramScope::WrittenEepromEnd(const MemoryImage& image) const
{
    return EndOf(image.EepromTop + 1, [&](int i) { return WritesEeprom(image, i); });
}
