#pragma once

#include "image/HexNotice.h"

#include <QString>
#include <optional>

struct MemoryImage;

// Reads an Intel HEX file into the memory image, leniently: fields are read by
// fixed positions up to the first non-digit, checksums are not checked, and
// problems that do not stop the work are reported one box per line.
class HexLoader {
public:
    // False when the file cannot be opened (the image is then untouched) or
    // cannot be read to its end (the image is then partly loaded and must not
    // be used). The file is read line by line, so any size is fine.
    // EEPROM data is read in the layout given, or in the one the file uses.
    static bool LoadHexFile(const QString& fileName, MemoryImage& image, const HexNoticeSink& notice,
                            EepromLayout layout = EepromLayout::Auto);
    // One line placed into the image as the file loader places it, over what
    // the image holds; false when the line is no data record.
    static bool LoadLine(const QByteArray& line, MemoryImage& image, EepromLayout layout, const HexNoticeSink& notice);
    // "auto", "word" or "byte"; nothing for any other text.
    static std::optional<EepromLayout> LayoutNamed(const QString& name);
};
