#include "link/QtSerialLink.h"

#include "link/LineRate.h"

#include <QFileInfo>

#include <poll.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

// A driver that takes no byte for this long is stuck.
constexpr int kWriteLimitMilliseconds = 2000;

bool IsFatal(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    // A pseudo-terminal refuses the modem-line calls; that is no failure.
    case QSerialPort::UnsupportedOperationError:
        return false;
    default:
        return true;
    }
}

}  // namespace

QtSerialLink::QtSerialLink(LowLatency::Driver& driver) : lowLatency_(driver) {}

void QtSerialLink::SetPort(const QString& device)
{
    device_ = device;
    port_.setPortName(device);
}

QString QtSerialLink::JoinGroupHint(const QString& device)
{
    // The group that owns the device is the one to join: dialout on Debian, uucp or lock elsewhere.
    QString group = QFileInfo(device).group();
    if (group.isEmpty() || group == QLatin1String("root"))
        group = QStringLiteral("dialout");
    return QStringLiteral("You may need to be in the %1 group, which owns %2: sudo usermod -aG %1 $USER, then log in again.")
        .arg(group, device);
}

QString QtSerialLink::DescribeOpenFailure(const QString& device, QSerialPort::SerialPortError error, const QString& systemText)
{
    const QString head = QStringLiteral("The port %1 cannot be opened: ").arg(device);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return head + QStringLiteral("there is no such device. Check the port number and that the programmer is plugged in.");
    case QSerialPort::PermissionError:
        if (systemText.contains(QLatin1String("lock"), Qt::CaseInsensitive)
            || systemText.contains(QLatin1String("busy"), Qt::CaseInsensitive))
            return head + QStringLiteral("another program is using it (%1). Close that program and try again.").arg(systemText);
        return head + QStringLiteral("permission denied (%1). ").arg(systemText) + JoinGroupHint(device);
    default:
        return head + systemText + QLatin1Char('.');
    }
}

QString QtSerialLink::Open()
{
    facts_ = {};
    port_.clearError();
    if (!port_.open(QIODevice::ReadWrite)) {
        const QString text = DescribeOpenFailure(device_, port_.error(), port_.errorString());
        port_.close();
        return text;
    }
    const bool configured = port_.setBaudRate(LineRate::kBaud) && port_.setDataBits(QSerialPort::Data8)
                            && port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop)
                            && port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const QString text = DescribeOpenFailure(device_, port_.error(), port_.errorString());
        port_.close();
        return text;
    }
    // After the line settings, so that nothing undoes it.
    lowLatencyGranted_ = lowLatency_.Request(port_.handle());
    adapterTimer_ = LowLatency::AdapterTimer(device_);
    port_.clearError();
    return QString();
}

bool QtSerialLink::SetRate(int baud)
{
    return port_.isOpen() && port_.setBaudRate(baud);
}

void QtSerialLink::Close()
{
    if (port_.isOpen()) {
        lowLatency_.Restore(port_.handle());
        port_.close();
    }
    port_.clearError();
}

bool QtSerialLink::IsOpen() const
{
    return port_.isOpen();
}

void QtSerialLink::ThrowIfGone()
{
    const QSerialPort::SerialPortError error = port_.error();
    if (!IsFatal(error)) {
        if (error != QSerialPort::NoError)
            port_.clearError();
        return;
    }
    throw PortFailure(QStringLiteral("the port %1 reported \"%2\"").arg(device_, port_.errorString()));
}

void QtSerialLink::ThrowSystemError(const char* what)
{
    throw PortFailure(
        QStringLiteral("the port %1 %2 (%3)").arg(device_, QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno))));
}

// The descriptor is written, read and waited on directly: Qt's notifiers and
// event loop around every byte cost several times what the exchange itself does.
void QtSerialLink::Write(const QByteArray& bytes)
{
    ThrowIfGone();
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t written = ::write(int(port_.handle()), bytes.constData() + sent, size_t(bytes.size() - sent));
        if (written > 0) {
            sent += written;
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            ThrowSystemError("refused the data");
        pollfd room{int(port_.handle()), POLLOUT, 0};
        if (::poll(&room, 1, kWriteLimitMilliseconds) == 0)
            throw PortFailure(QStringLiteral("the port %1 took no data").arg(device_));
    }
}

// The port's thread never runs an event loop, so Qt takes no byte off the line itself:
// every byte is read from the descriptor here.
std::optional<unsigned char> QtSerialLink::Read()
{
    ThrowIfGone();
    char byte = 0;
    // A raw port answers 0 when nothing is waiting.
    const ssize_t got = ::read(int(port_.handle()), &byte, 1);
    if (got == 1)
        return static_cast<unsigned char>(byte);
    if (got < 0 && errno != EAGAIN && errno != EINTR)
        ThrowSystemError("failed");
    return std::nullopt;
}

void QtSerialLink::WaitForData(int milliseconds)
{
    pollfd ready{int(port_.handle()), POLLIN, 0};
    if (::poll(&ready, 1, milliseconds) < 0 && errno != EINTR)
        ThrowSystemError("cannot be waited on");
    // A pulled adapter hangs up: reads then answer 0 as if nothing had come.
    if (ready.revents & (POLLHUP | POLLERR | POLLNVAL))
        throw PortFailure(QStringLiteral("the port %1 hung up").arg(device_));
}
