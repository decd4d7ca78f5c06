#pragma once

#include "link/SerialPort.h"

#include <QSerialPort>

// The real port: 19200 baud, 8N1, no flow control, every byte passed as it is.
class QtSerialLink : public SerialPort {
public:
    QtSerialLink();

    void SetPort(const QString& device) override;
    QString Open() override;
    void Close() override;
    bool IsOpen() const override;
    void Write(const QByteArray& bytes) override;
    std::optional<unsigned char> Read() override;
    void WaitForData(int milliseconds) override;

    // The operator's text for a failed open; pure, so that every case can be tested.
    static QString DescribeOpenFailure(const QString& device, QSerialPort::SerialPortError error, const QString& systemText);

private:
    void ThrowIfGone();

    QSerialPort port_;
    QString device_;  // as given: Qt shortens it
};
