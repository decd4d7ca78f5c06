#pragma once

#include "link/SerialPort.h"

// Passes everything to the port, counting the bytes each way.
class CountingPort : public SerialPort {
public:
    explicit CountingPort(SerialPort& port) : port_(port) {}

    void SetPort(const QString& device) override { port_.SetPort(device); }
    QString Open() override { return port_.Open(); }
    void Close() override { port_.Close(); }
    bool IsOpen() const override { return port_.IsOpen(); }
    void Write(const QByteArray& bytes) override;
    std::optional<unsigned char> Read() override;
    void WaitForData(int milliseconds) override { port_.WaitForData(milliseconds); }
    std::optional<int> AdapterTimer() const override { return port_.AdapterTimer(); }
    bool SetRate(int baud) override { return port_.SetRate(baud); }
    LinkFacts& Facts() override { return port_.Facts(); }

    long long BytesOnTheWire() const { return bytes_; }

private:
    SerialPort& port_;
    long long bytes_ = 0;
};
