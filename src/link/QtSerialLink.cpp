#include "link/QtSerialLink.h"

#include "link/LineRate.h"

namespace {

// Room for a flood from a confused peer without growing without bound.
constexpr qint64 kReceiveBuffer = 1024;

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
        return head
               + QStringLiteral(
                     "permission denied (%1). You may need to be in the dialout group: "
                     "sudo usermod -aG dialout $USER, then log in again.")
                     .arg(systemText);
    default:
        return head + systemText + QLatin1Char('.');
    }
}

QString QtSerialLink::Open()
{
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
    port_.setReadBufferSize(kReceiveBuffer);
    // After the line settings, so that nothing undoes it.
    lowLatencyGranted_ = lowLatency_.Request(port_.handle());
    adapterTimer_ = LowLatency::AdapterTimer(device_);
    port_.clearError();
    return QString();
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

void QtSerialLink::Write(const QByteArray& bytes)
{
    ThrowIfGone();
    if (port_.write(bytes) != bytes.size()) {
        ThrowIfGone();
        throw PortFailure(QStringLiteral("the port %1 took no data").arg(device_));
    }
    // Hand the bytes to the driver now rather than at the next wait.
    port_.flush();
    ThrowIfGone();
}

std::optional<unsigned char> QtSerialLink::Read()
{
    char byte = 0;
    if (port_.read(&byte, 1) == 1)
        return static_cast<unsigned char>(byte);
    ThrowIfGone();
    return std::nullopt;
}

void QtSerialLink::WaitForData(int milliseconds)
{
    if (port_.bytesAvailable() > 0)
        return;
    port_.waitForReadyRead(milliseconds);
    ThrowIfGone();
}
