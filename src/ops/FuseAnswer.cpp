#include "ops/FuseAnswer.h"

#include "image/HexText.h"

FuseAnswer::Reading FuseAnswer::Read(const QString& answer)
{
    QString digits = answer;
    digits.remove(u' ').remove(u'\t');
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits = digits.mid(2);

    qint64 value = 0;
    int used = 0;
    for (const QChar c : digits) {
        const int digit = HexText::Digit(c.unicode());
        if (digit < 0)
            break;
        value = value * 16 + digit;
        ++used;
        if (value > 0xFFFF) {
            return {std::nullopt, QStringLiteral("The fuse value %1 does not fit in 16 bits (at most FFFF). "
                                                 "Nothing was erased or written.")
                                      .arg(answer.trimmed())};
        }
    }
    if (used == 0) {
        return {std::nullopt, QStringLiteral("The fuse value \"%1\" is not a hexadecimal number. "
                                             "Nothing was erased or written.")
                                  .arg(answer.trimmed())};
    }
    return {static_cast<int>(value), QString()};
}
