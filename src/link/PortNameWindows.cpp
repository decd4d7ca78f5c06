#include "link/PortName.h"

#include <QRegularExpression>

QString PortName::ExampleName()
{
    return QStringLiteral("COM3");
}

QString PortName::NumberedDevice(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

// A driver's own name (\\.\CNCA0, or CNCA0) is taken in the device namespace;
// a path to a file or a share is not a port.
PortName::Choice PortName::FromName(const QString& text)
{
    static const QRegularExpression deviceName(QStringLiteral("^(?:\\\\\\\\\\.\\\\)?([A-Za-z][A-Za-z0-9_-]*)$"));
    const QRegularExpressionMatch match = deviceName.match(text);
    if (!match.hasMatch()) {
        return {QString(), QStringLiteral("%1 is not a port name: type a port number (1 is COM1) or a device name such as COM3.")
                               .arg(Quoted(text))};
    }
    return {match.captured(1), QString()};
}
