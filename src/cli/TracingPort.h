#pragma once

#include "link/SerialPort.h"

#include <cstdio>

// Passes everything to the real port, counting the bytes each way and, when
// given a stream, printing the wire exchange as hex.
class TracingPort : public SerialPort {
public:
    TracingPort(SerialPort& port, std::FILE* trace);

    void SetPort(const QString& device) override;
    QString Open() override;
    void Close() override;
    bool IsOpen() const override;
    void Write(const QByteArray& bytes) override;
    std::optional<unsigned char> Read() override;
    void WaitForData(int milliseconds) override;

    long long BytesOnTheWire() const { return bytes_; }

private:
    void Print(char direction, unsigned char byte);
    void EndLine();

    SerialPort& port_;
    std::FILE* trace_;
    char direction_ = 0;
    int onLine_ = 0;
    long long bytes_ = 0;
};
