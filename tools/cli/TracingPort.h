#pragma once

#include "link/SerialPort.h"

#include <cstdio>

// Passes everything to the real port, optionally printing the wire exchange
// as hex, and remembers the last two bytes received (the value of the last
// read) and how many reads of the configuration area were sent.
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

    int LastWord() const { return lastWord_; }
    int ConfigReads() const { return configReads_; }
    void CountConfigReadsFromNow() { configReads_ = 0; }

private:
    void Print(char direction, unsigned char byte);
    void EndLine();

    SerialPort& port_;
    std::FILE* trace_;
    char direction_ = 0;
    int onLine_ = 0;
    int lastWord_ = 0;
    int configReads_ = 0;
};
