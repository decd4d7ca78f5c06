#pragma once

#include "link/SerialPort.h"

#include <cstdio>

// Passes everything to the real port, printing the wire exchange as hex.
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

private:
    void Print(char direction, unsigned char byte);
    void EndLine();

    SerialPort& port_;
    std::FILE* trace_;
    char direction_ = 0;
    int onLine_ = 0;
};
