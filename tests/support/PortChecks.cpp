#include "PortChecks.h"

#include <QFile>
#include <QSerialPort>

bool PortChecks::IsFree(const QString& device)
{
    QSerialPort other(device);
    const bool opened = other.open(QIODevice::ReadWrite);
    other.close();
    return opened;
}

bool PortChecks::HasLockFile(const QString& device)
{
    QString name = device;
    name.remove(QStringLiteral("/dev/")).replace(u'/', u'_');
    return QFile::exists(QStringLiteral("/var/lock/LCK..") + name);
}
