#include "production/NumberFile.h"

#include "image/HexLoader.h"
#include "image/MemoryImage.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <random>
#include <set>

namespace {

bool IsDataLine(const QByteArray& text)
{
    return text.size() >= 11 && (text[0] == ':' || text[0] == ';') && text.mid(7, 2) == "00";
}

// The numbers for the chips, each once; nothing when they do not fit the place.
std::optional<QList<long long>> Numbers(const SerialPlace& place, int count, const NumberFile::Numbering& numbering)
{
    const long long largest = place.Largest();
    QList<long long> numbers;
    if (numbering.kind == NumberFile::Numbering::Kind::Sequential) {
        const auto [first, step] = numbering.sequence;
        if (first + (count - 1) * step > largest)
            return std::nullopt;
        for (int i = 0; i < count; ++i)
            numbers << first + i * step;
        return numbers;
    }
    if (count - 1 > largest)
        return std::nullopt;
    // The standard fixes this generator's sequence for a seed, so a pseudo-random file can be made again.
    std::mt19937_64 generator(numbering.seed);
    std::set<long long> taken;
    while (numbers.size() < count) {
        const long long number = (long long)(generator() & quint64(largest));
        if (taken.insert(number).second)
            numbers << number;
    }
    return numbers;
}

}  // namespace

std::variant<NumberFile, QString> NumberFile::Read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    NumberFile numbers;
    for (qint64 offset = 0; !file.atEnd();) {
        const QByteArray raw = file.readLine();
        const QByteArray text = raw.trimmed();
        const qint64 start = offset + raw.indexOf(text.left(1));
        offset += raw.size();
        if (IsDataLine(text))
            numbers.lines_.append({int(numbers.lines_.size()) + 1, start, text[0] == ';', text});
    }
    if (numbers.lines_.isEmpty())
        return QStringLiteral("%1 holds no Intel HEX data lines").arg(path);
    return numbers;
}

QString NumberFile::NameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

QString NumberFile::MarkUsed(const QString& path, const Line& line)
{
    QFile file(path);
    char first = 0;
    if (!file.open(QIODevice::ReadWrite) || !file.seek(line.offset) || !file.getChar(&first) || !file.seek(line.offset))
        return file.errorString();
    if (first != ':' && first != ';')
        return QStringLiteral("line %1 is no longer where it was").arg(line.number);
    if (!file.putChar(';') || !file.flush())
        return file.errorString();
    return QString();
}

void NumberFile::Apply(const Line& line, MemoryImage& image)
{
    HexLoader::LoadLine(':' + line.text.mid(1), image, EepromLayout::Word, [](const HexNotice&) {});
}

std::optional<NumberFile::Line> NumberFile::NextAfter(int after) const
{
    for (qsizetype i = after; i < lines_.size(); ++i) {
        if (!lines_[i].used)
            return lines_[i];
    }
    return std::nullopt;
}

std::optional<int> NumberFile::CodeUnder(const MemoryImage& image) const
{
    for (const Line& line : lines_) {
        const int count = line.text.mid(1, 2).toInt(nullptr, 16);
        const int address = line.text.mid(3, 4).toInt(nullptr, 16);
        for (int byte = address; !line.used && count > 0 && byte < address + count && byte < ChipGeometry::kConfigBase;
             byte += 2) {
            if (!SerialPlace::TakesChipData(image, byte / 2))
                return byte / 2;
        }
    }
    return std::nullopt;
}

QString NumberFile::Make(const QString& path, const SerialPlace& place, int count, const Numbering& numbering)
{
    if (QFileInfo::exists(path))
        return QStringLiteral("%1 exists: a file of numbers is never written over").arg(path);
    Numbering chosen = numbering;
    if (chosen.kind == Numbering::Kind::Random)
        chosen.seed = QRandomGenerator::system()->generate64();
    const std::optional<QList<long long>> numbers = Numbers(place, count, chosen);
    if (!numbers)
        return QStringLiteral("%1 numbers do not fit where they go (at most %2)").arg(count).arg(place.Largest());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    for (const long long number : *numbers)
        file.write(place.NumberLine(number));
    return file.commit() ? QString() : file.errorString();
}
