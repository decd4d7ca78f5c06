#pragma once

#include "production/SerialPlace.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <variant>

struct MemoryImage;

// Each chip's own data from a file, as the chip maker's serialization tool
// keeps it: one Intel HEX line per chip, placed at its own address, taken in
// order, each line once; a used line has its ':' turned into ';'.
class NumberFile {
public:
    struct Line {
        int number = 0;  // from 1, counting only the data lines
        qint64 offset = 0;  // of its first character in the file
        bool used = false;
        QByteArray text;  // as the file has it, without its line end
    };
    // How serials make numbers the chips.
    struct Numbering {
        enum class Kind { Sequential, Random, PseudoRandom } kind = Kind::Sequential;
        SerialSequence sequence;
        quint64 seed = 0;
    };

    // The file's lines, or why it cannot be used.
    static std::variant<NumberFile, QString> Read(const QString& path);
    // The name the record knows the file by, wherever a station keeps its copy.
    static QString NameOf(const QString& path);
    // Marks the line used in the file itself, in place, so that a shared file keeps every station's marks.
    static QString MarkUsed(const QString& path, const Line& line);
    // Places the line's data into the image; EEPROM data is in the word layout.
    static void Apply(const Line& line, MemoryImage& image);
    // Writes a new file of count lines for the place; empty, or why not.
    static QString Make(const QString& path, const SerialPlace& place, int count, const Numbering& numbering);

    const QList<Line>& Lines() const { return lines_; }
    // The first line after line `after` that is not marked used.
    std::optional<Line> NextAfter(int after) const;
    // The first program word that a line not yet used would write over the file's code.
    std::optional<int> CodeUnder(const MemoryImage& image) const;

private:
    QList<Line> lines_;
};
