#include "image/HexLoader.h"

#include "image/ChipGeometry.h"
#include "image/HexText.h"
#include "image/MemoryImage.h"

#include <QByteArray>
#include <QFile>
#include <optional>

namespace {

// A record uses at most its first 9 + 2 * 255 characters; the rest of a longer
// line is never looked at, so it is not kept either.
constexpr int kUsefulCharacters = 9 + 2 * 255;
constexpr qint64 kChunk = 64 * 1024;

// Characters first..first+count-1, counted from 1; missing ones read as empty.
int HexField(const QByteArray& line, int first, int count)
{
    int value = 0;
    for (int pos = first; pos < first + count && pos <= line.size(); ++pos) {
        const int digit = HexText::Digit(static_cast<unsigned char>(line[pos - 1]));
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return value;
}

struct Region {
    std::uint8_t* bytes;
    int size;
    int base;  // HEX address of offset 0
    int step;  // HEX bytes per offset: 2 for EEPROM data in the word layout
    std::int16_t* mark;  // null for the configuration area
    bool* given;  // null for the configuration area
};

enum class LineResult { Next, EndOfFile };

// One line read as a record, by the fixed positions of its fields: the count
// at 2, the address at 4, the type at 8, data from 10.
class Record {
public:
    // Nothing for a line that is no record (it does not start with ':').
    static std::optional<Record> Read(const QByteArray& line)
    {
        if (line.isEmpty() || line[0] != ':')
            return std::nullopt;
        return Record(line);
    }

    QByteArray type;  // as written, empty when missing
    int address;
    int count;
    // The kth data byte, from 1.
    int Byte(int k) const { return HexField(line_, 2 * k + 8, 2); }

private:
    explicit Record(const QByteArray& line)
        : type(line.mid(7, 2)), address(HexField(line, 4, 4)), count(HexField(line, 2, 2)), line_(line)
    {
    }

    const QByteArray& line_;
};

// What the first pass learns about a file's EEPROM data.
struct EepromSurvey {
    bool any = false;
    bool oddNonZero = false;
};

LineResult Survey(const QByteArray& line, EepromSurvey& survey)
{
    using namespace ChipGeometry;
    const std::optional<Record> record = Record::Read(line);
    if (record && record->type == "01")
        return LineResult::EndOfFile;
    if (!record || record->type != "00")
        return LineResult::Next;
    for (int k = 1; k <= record->count; ++k) {
        const int address = record->address + k - 1;
        if (address < kEepromBase || address >= kEepromBase + 2 * kEepromBytes)
            continue;
        survey.any = true;
        survey.oddNonZero = survey.oddNonZero || (address % 2 == 1 && record->Byte(k) != 0);
    }
    return LineResult::Next;
}

LineResult HandleRecord(const QByteArray& line, MemoryImage& image, EepromLayout layout, const HexNoticeSink& notice)
{
    const std::optional<Record> record = Record::Read(line);
    if (!record || record->type == "02" || record->type == "04")
        return LineResult::Next;
    if (record->type == "01")
        return LineResult::EndOfFile;
    if (record->type != "00") {
        notice({HexNotice::Kind::UnknownRecord, QString::fromLatin1(record->type)});
        return LineResult::Next;
    }

    const int address = record->address;
    using namespace ChipGeometry;
    const int eepromStep = layout == EepromLayout::Word ? 2 : 1;
    Region region{};
    if (address < kConfigBase) {
        // The lone offset 16384 lies past the chip's last word: nothing is kept there.
        region = {image.ProgramImage.data(), MemoryImage::kProgramWordEnd, kProgramBase, 1,
                  &image.ProgramTop,         image.ProgramGiven.data()};
    } else if (address < kEepromBase) {
        region = {image.ConfigImage.data(), MemoryImage::kConfigImageBytes, kConfigBase, 1, nullptr, nullptr};
    } else if (address < kEepromBase + eepromStep * kEepromBytes) {
        // In the word layout the image ends with the chip's last location.
        const int size = layout == EepromLayout::Word ? kEepromBytes : MemoryImage::kEepromImageBytes;
        region = {image.EepromImage.data(), size, kEepromBase, eepromStep, &image.EepromTop, image.EepromGiven.data()};
    } else {
        notice({HexNotice::Kind::BadAddress, {}, address});
        return LineResult::Next;
    }

    for (int k = 1; k <= record->count; ++k) {
        const int byteAddress = address + k - 1;
        // A word's unused high byte carries nothing.
        if ((byteAddress - region.base) % region.step != 0)
            continue;
        const int offset = (byteAddress - region.base) / region.step;
        if (offset >= region.size) {
            // Bytes past the end of their image are dropped, and the operator is told where that began.
            notice({HexNotice::Kind::BadAddress, {}, byteAddress});
            break;
        }
        if (region.mark && *region.mark < offset)
            *region.mark = static_cast<std::int16_t>(offset);
        if (region.given)
            region.given[offset] = true;
        region.bytes[offset] = static_cast<std::uint8_t>(record->Byte(k));
    }
    return LineResult::Next;
}

// Splits the stream into lines at CR or LF (so CRLF gives an empty line that
// is skipped), drops the leading spaces, and keeps only the useful head of a
// long line while remembering whether the rest was all spaces.
class LineAssembler {
public:
    void Add(char c)
    {
        if (line_.isEmpty() && !overflowed_ && c == ' ')
            return;
        if (line_.size() < kUsefulCharacters) {
            line_.append(c);
            return;
        }
        overflowed_ = true;
        tailAllSpaces_ = tailAllSpaces_ && c == ' ';
    }

    bool HasContent() const { return !line_.isEmpty(); }

    QByteArray Take()
    {
        if (!overflowed_ || tailAllSpaces_) {
            while (!line_.isEmpty() && line_.back() == ' ')
                line_.chop(1);
        }
        QByteArray line = std::move(line_);
        line_.clear();
        overflowed_ = false;
        tailAllSpaces_ = true;
        return line;
    }

private:
    QByteArray line_;
    bool overflowed_ = false;
    bool tailAllSpaces_ = true;
};

// Feeds every line of the file to handle until it asks to stop; false on a read error.
template <typename Handle> bool ReadLines(QFile& file, Handle handle)
{
    LineAssembler assembler;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), kChunk);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        for (qint64 i = 0; i < got; ++i) {
            const char c = chunk[i];
            if (c != '\n' && c != '\r') {
                assembler.Add(c);
                continue;
            }
            if (handle(assembler.Take()) == LineResult::EndOfFile)
                return true;
        }
    }
    if (assembler.HasContent())
        handle(assembler.Take());
    return true;
}

}  // namespace

bool HexLoader::LoadHexFile(const QString& fileName, MemoryImage& image, const HexNoticeSink& notice, EepromLayout layout)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        notice({HexNotice::Kind::CannotOpen, file.errorString()});
        return false;
    }
    // A first pass decides how the EEPROM data is laid out, so that the second
    // reports exactly what the chosen map makes of each record.
    EepromSurvey survey;
    if (!ReadLines(file, [&survey](const QByteArray& line) { return Survey(line, survey); }) || !file.seek(0)) {
        notice({HexNotice::Kind::CannotRead, file.errorString()});
        return false;
    }
    if (layout == EepromLayout::Auto)
        layout = survey.any && !survey.oddNonZero ? EepromLayout::Word : EepromLayout::Byte;
    if (survey.any)
        notice({HexNotice::Kind::EepromLayoutUsed, {}, 0, layout});

    image.ClearImage();
    if (!ReadLines(file, [&](const QByteArray& line) { return HandleRecord(line, image, layout, notice); })) {
        notice({HexNotice::Kind::CannotRead, file.errorString()});
        return false;
    }
    return true;
}

bool HexLoader::LoadLine(const QByteArray& line, MemoryImage& image, EepromLayout layout, const HexNoticeSink& notice)
{
    const std::optional<Record> record = Record::Read(line);
    if (!record || record->type != "00")
        return false;
    HandleRecord(line, image, layout, notice);
    return true;
}

std::optional<EepromLayout> HexLoader::LayoutNamed(const QString& name)
{
    if (name == QLatin1String("auto"))
        return EepromLayout::Auto;
    if (name == QLatin1String("word"))
        return EepromLayout::Word;
    if (name == QLatin1String("byte"))
        return EepromLayout::Byte;
    return std::nullopt;
}
