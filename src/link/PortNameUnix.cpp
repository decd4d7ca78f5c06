#include "link/PortName.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

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
        return {QString(),
                QStringLiteral("%1 is not a serial device: only devices under /dev can be opened.").arg(PortName::Quoted(text))};
    }
    return {canonical.isEmpty() ? path : canonical, QString()};
}

}  // namespace

QString PortName::ExampleName()
{
    return QStringLiteral("ttyUSB0");
}

QString PortName::NumberedDevice(int n)
{
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

PortName::Choice PortName::FromName(const QString& text)
{
    if (text.startsWith(u'/'))
        return FromDevicePath(text, text);
    static const QRegularExpression deviceName(QStringLiteral("^[A-Za-z][A-Za-z0-9_.+-]*(/[A-Za-z0-9_.+-]+)*$"));
    if (!deviceName.match(text).hasMatch() || text.contains(QLatin1String(".."))) {
        return {QString(),
                QStringLiteral("%1 is not a port name: type a port number (1 is COM1) or a device name such as ttyUSB0.")
                    .arg(Quoted(text))};
    }
    return FromDevicePath(QStringLiteral("/dev/") + text, text);
}
