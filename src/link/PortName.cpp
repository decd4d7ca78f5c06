#include "link/PortName.h"

#include <QDir>
#include <QFileInfo>
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
        return Refuse(QStringLiteral("%1 is not a port number: use 1 to 65535 (1 is COM1), or a device name such as ttyUSB0.")
                          .arg(PortName::Quoted(text)));
    }
#ifdef Q_OS_WIN
    return {QStringLiteral("COM%1").arg(n), QString()};
#else
    return {QStringLiteral("/dev/ttyS%1").arg(n - 1), QString()};
#endif
}

#ifndef Q_OS_WIN
PortName::Choice FromDevicePath(const QString& path, const QString& text)
{
    // Resolve ".." and links first, so that a name cannot walk out of /dev. A
    // stable link (/dev/serial/by-id/...) opens the device it names today, so
    // that the device's own lock is the one taken.
    QString cleaned = QDir::cleanPath(path);
    const QString canonical = QFileInfo(cleaned).canonicalFilePath();
    if (!canonical.isEmpty())
        cleaned = canonical;
    if (!cleaned.startsWith(QLatin1String("/dev/"))) {
        return Refuse(
            QStringLiteral("%1 is not a serial device: only devices under /dev can be opened.").arg(PortName::Quoted(text)));
    }
    return {canonical.isEmpty() ? path : canonical, QString()};
}
#endif

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
        return Refuse(QStringLiteral("No port is given: type a port number (1 is COM1) or a device name such as ttyUSB0."));
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

#ifdef Q_OS_WIN
    return {text, QString()};
#else
    if (text.startsWith(u'/'))
        return FromDevicePath(text, text);
    static const QRegularExpression deviceName(QStringLiteral("^[A-Za-z][A-Za-z0-9_.+-]*(/[A-Za-z0-9_.+-]+)*$"));
    if (!deviceName.match(text).hasMatch() || text.contains(QLatin1String("..")))
        return Refuse(QStringLiteral("%1 is not a port name: type a port number (1 is COM1) or a device name such as ttyUSB0.")
                          .arg(Quoted(text)));
    return FromDevicePath(QStringLiteral("/dev/") + text, text);
#endif
}
