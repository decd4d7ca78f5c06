#pragma once

#include "link/SerialPort.h"

#include <optional>

// The port on Windows, through the system's own serial calls: 19200 baud, 8N1,
// no flow control, every byte passed as it is. Reads never block; the
// readiness wait blocks in the driver, with a read timeout, and keeps the byte
// it receives for the next read.
class WinSerialLink : public SerialPort {
public:
    WinSerialLink() = default;
    ~WinSerialLink() override;
    WinSerialLink(const WinSerialLink&) = delete;
    WinSerialLink& operator=(const WinSerialLink&) = delete;

    void SetPort(const QString& device) override;
    QString Open() override;
    bool SetRate(int baud) override;
    void Close() override;
    bool IsOpen() const override;
    void Write(const QByteArray& bytes) override;
    std::optional<unsigned char> Read() override;
    void WaitForData(int milliseconds) override;

    // Windows keeps an adapter's latency timer in its driver's settings, out of a program's sight.
    static constexpr bool kTimerInDriverSettings = true;

    // The operator's text for a failed open, from the system's error code.
    static QString DescribeOpenFailure(const QString& device, unsigned long error);

private:
    [[noreturn]] void Fail(const QString& doing) const;
    bool SetReadWait(unsigned long milliseconds);

    QString device_;
    void* handle_ = nullptr;  // a HANDLE; nullptr while closed
    unsigned long readWait_ = 0;
    std::optional<unsigned char> waiting_;  // taken by the readiness wait
};
