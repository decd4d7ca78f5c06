#pragma once

#include "link/SerialPort.h"

// Keeps a port open from one command to the next while a socket waits for
// chips, so that the modem lines are not dropped and raised at every poll
// (some programmers restart when they are). Release() closes it for real.
class HeldPort : public SerialPort {
public:
    explicit HeldPort(SerialPort& port) : port_(port) {}
    ~HeldPort() override { Release(); }

    void SetPort(const QString& device) override;
    QString Open() override;
    void Close() override {}
    bool IsOpen() const override { return port_.IsOpen(); }
    void Write(const QByteArray& bytes) override { port_.Write(bytes); }
    std::optional<unsigned char> Read() override { return port_.Read(); }
    void WaitForData(int milliseconds) override { port_.WaitForData(milliseconds); }
    std::optional<int> AdapterTimer() const override { return port_.AdapterTimer(); }
    bool SetRate(int baud) override { return port_.SetRate(baud); }
    LinkFacts& Facts() override { return port_.Facts(); }

    void Release();

private:
    SerialPort& port_;
};
