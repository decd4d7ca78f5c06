#include "AssemblerListing.h"

#include <QFile>
#include <QRegularExpression>

std::map<int, std::uint8_t> AssemblerListing::Bytes(const QString& listingPath)
{
    QFile file(listingPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    std::map<int, std::uint8_t> bytes;
    int location = -1;  // the location of the next object, or -1 outside code
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine()).chopped(1);
        if (line.contains(QLatin1String("SYMBOL TABLE")))
            break;
        static const QRegularExpression addressed(QStringLiteral("^[0-9A-F]{4}   "));
        const bool isAddress = addressed.match(line).hasMatch();
        const bool continuation = line.startsWith(QLatin1String("       ")) && location >= 0;
        if (!isAddress && !continuation) {
            location = -1;
            continue;
        }
        if (isAddress)
            location = line.left(4).toInt(nullptr, 16);
        for (const QString& token : line.mid(7, 15).split(u' ', Qt::SkipEmptyParts)) {
            const int value = token.toInt(nullptr, 16);
            if (token.size() == 4) {
                const int byteAddress = 2 * location;
                bytes[byteAddress] = std::uint8_t(value & 0xFF);
                bytes[byteAddress + 1] = std::uint8_t(value >> 8);
            } else {
                // EEPROM objects come as bytes, placed one HEX address apart from 0x4200.
                bytes[0x4200 + (location - 0x2100)] = std::uint8_t(value);
            }
            ++location;
        }
    }
    return bytes;
}
