#include "link/PortName.h"

#include <QRegularExpression>

namespace {

constexpr int kLongestName = 255;

PortName::Choice Refuse(const QString& reason)
{
    return {QString(), reason};
}

PortName::Choice FromNumber(qlonglong n, const QString& text)
{
    if (n < 1 || n > 65535) {
        return Refuse(QStringLiteral("%1 is not a port number: use 1 to 65535 (1 is COM1), or a device name such as %2.")
                          .arg(PortName::Quoted(text), PortName::ExampleName()));
    }
    return {PortName::NumberedDevice(int(n)), QString()};
}

}  // namespace

QString PortName::Quoted(const QString& text)
{
    constexpr int kShown = 40;
    if (text.size() <= kShown)
        return QStringLiteral("\"%1\"").arg(text);
    return QStringLiteral("\"%1...\"").arg(text.left(kShown));
}

PortName::Choice PortName::Resolve(const QString& comBoxText)
{
    const QString text = comBoxText.trimmed();
    if (text.isEmpty())
        return Refuse(
            QStringLiteral("No port is given: type a port number (1 is COM1) or a device name such as %1.").arg(ExampleName()));
    if (text.size() > kLongestName)
        return Refuse(QStringLiteral("%1 is too long to be a port name.").arg(Quoted(text)));

    static const QRegularExpression number(QStringLiteral("^(?:COM)?([+-]?[0-9]+)$"), QRegularExpression::CaseInsensitiveOption);
    if (const auto match = number.match(text); match.hasMatch()) {
        bool fits = false;
        const qlonglong n = match.captured(1).toLongLong(&fits);
        return FromNumber(fits ? n : -1, text);
    }
    if (text.front().isDigit() || text.front() == u'+' || text.front() == u'-')
        return Refuse(QStringLiteral("%1 is not a whole port number.").arg(Quoted(text)));

    return FromName(text);
}
