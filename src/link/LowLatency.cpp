#include "link/LowLatency.h"

#include <sys/ioctl.h>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace {

class IoctlDriver : public LowLatency::Driver {
public:
    std::optional<serial_struct> Get(int fd) override
    {
        serial_struct info{};
        if (ioctl(fd, TIOCGSERIAL, &info) != 0)
            return std::nullopt;
        return info;
    }
    bool Set(int fd, const serial_struct& info) override { return ioctl(fd, TIOCSSERIAL, &info) == 0; }
};

}  // namespace

LowLatency::Driver& LowLatency::PlatformDriver()
{
    static IoctlDriver driver;
    return driver;
}

LowLatency::LowLatency(Driver& driver) : driver_(driver) {}

bool LowLatency::Request(int fd)
{
    saved_.reset();
    std::optional<serial_struct> info = driver_.Get(fd);
    if (!info)
        return false;
    const serial_struct before = *info;
    info->flags |= ASYNC_LOW_LATENCY;
    if (!driver_.Set(fd, *info))
        return false;
    saved_ = before;
    return true;
}

void LowLatency::Restore(int fd)
{
    if (saved_)
        driver_.Set(fd, *saved_);
    saved_.reset();
}

std::optional<int> LowLatency::AdapterTimer(const QString& device, const QString& sys)
{
    const QString tty = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    QFile timer(QStringLiteral("%1/bus/usb-serial/devices/%2/latency_timer").arg(sys, tty));
    if (tty.isEmpty() || !timer.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool number = false;
    const int milliseconds = timer.readAll().trimmed().toInt(&number);
    return number ? std::optional<int>(milliseconds) : std::nullopt;
}
