#pragma once

#include "link/LowLatency.h"
#include "link/SerialPort.h"

#include <QSerialPort>
#include <optional>

// The real port: 19200 baud, 8N1, no flow control, every byte passed as it is.
class QtSerialLink : public SerialPort {
public:
    explicit QtSerialLink(LowLatency::Driver& driver = LowLatency::PlatformDriver());

    void SetPort(const QString& device) override;
    QString Open() override;
    bool SetRate(int baud) override;
    void Close() override;
    bool IsOpen() const override;
    void Write(const QByteArray& bytes) override;
    std::optional<unsigned char> Read() override;
    void WaitForData(int milliseconds) override;

    // Whether the driver took the low-latency flag at the last open.
    bool LowLatencyGranted() const { return lowLatencyGranted_; }
    // Linux shows the adapter's latency timer, and a udev rule sets it.
    static constexpr bool kTimerInDriverSettings = false;
    // The adapter's latency timer as it stood after the last open, where the system shows it.
    std::optional<int> AdapterTimer() const override { return adapterTimer_; }

    // The operator's text for a failed open; pure, so that every case can be tested.
    static QString DescribeOpenFailure(const QString& device, QSerialPort::SerialPortError error, const QString& systemText);

private:
    // How a user outside the device's group gets in.
    static QString JoinGroupHint(const QString& device);
    void ThrowIfGone();
    [[noreturn]] void ThrowSystemError(const char* what);

    QSerialPort port_;
    QString device_;  // as given: Qt shortens it
    LowLatency lowLatency_;
    bool lowLatencyGranted_ = false;
    std::optional<int> adapterTimer_;
};
