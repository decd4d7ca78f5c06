#include "image/HexLoader.h"

#include "image/ChipGeometry.h"
#include "image/HexText.h"
#include "image/MemoryImage.h"

#include <QByteArray>
#include <QFile>

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
    int base;                 // HEX address of offset 0
    std::int16_t* mark;       // null for the configuration area
};

enum class LineResult { Next, EndOfFile };

LineResult HandleRecord(const QByteArray& line, MemoryImage& image, const HexNoticeSink& notice)
{
    if (line.isEmpty() || line[0] != ':')
        return LineResult::Next;
    const QByteArray type = line.mid(7, 2);
    if (type == "01")
        return LineResult::EndOfFile;
    if (type == "02" || type == "04")
        return LineResult::Next;
    if (type != "00") {
        notice({HexNotice::Kind::UnknownRecord, QString::fromLatin1(type)});
        return LineResult::Next;
    }

    const int address = HexField(line, 4, 4);
    const int count = HexField(line, 2, 2);
    Region region{};
    using namespace ChipGeometry;
    if (address < kConfigBase) {
        // The lone offset 16384 lies past the chip's last word: nothing is kept there.
        region = {image.ProgramImage.data(), MemoryImage::kProgramWordEnd, kProgramBase, &image.ProgramTop};
    } else if (address < kEepromBase) {
        region = {image.ConfigImage.data(), MemoryImage::kConfigBytes, kConfigBase, nullptr};
    } else if (address < kEepromBase + kEepromBytes) {
        region = {image.EepromImage.data(), MemoryImage::kEepromBytes, kEepromBase, &image.EepromTop};
    } else {
        notice({HexNotice::Kind::BadAddress, {}, address});
        return LineResult::Next;
    }

    int offset = address - region.base;
    for (int k = 1; k <= count; ++k, ++offset) {
        if (offset >= region.size) {
            // Bytes past the end of their image are dropped, and the operator is told where that began.
            notice({HexNotice::Kind::BadAddress, {}, region.base + offset});
            break;
        }
        if (region.mark && *region.mark < offset)
            *region.mark = static_cast<std::int16_t>(offset);
        region.bytes[offset] = static_cast<std::uint8_t>(HexField(line, 2 * k + 8, 2));
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

}  // namespace

bool HexLoader::LoadHexFile(const QString& fileName, MemoryImage& image, const HexNoticeSink& notice)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        notice({HexNotice::Kind::CannotOpen, file.errorString()});
        return false;
    }
    image.ClearImage();

    LineAssembler assembler;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(chunk.data(), kChunk);
        if (got < 0) {
            notice({HexNotice::Kind::CannotRead, file.errorString()});
            return false;
        }
        if (got == 0)
            break;
        for (qint64 i = 0; i < got; ++i) {
            const char c = chunk[i];
            if (c != '\n' && c != '\r') {
                assembler.Add(c);
                continue;
            }
            if (HandleRecord(assembler.Take(), image, notice) == LineResult::EndOfFile)
                return true;
        }
    }
    if (assembler.HasContent())
        HandleRecord(assembler.Take(), image, notice);
    return true;
}
