#pragma once

#include "link/SerialPort.h"

#include <cstdio>
#include <memory>

// Passes everything to the port it owns, printing the wire exchange as hex.
class TracingPort : public SerialPort {
public:
    TracingPort(std::unique_ptr<SerialPort> port, std::FILE* trace);

    void SetPort(const QString& device) override { port_->SetPort(device); }
    QString Open() override { return port_->Open(); }
    void Close() override;
    bool IsOpen() const override { return port_->IsOpen(); }
    void Write(const QByteArray& bytes) override;
    std::optional<unsigned char> Read() override;
    void WaitForData(int milliseconds) override { port_->WaitForData(milliseconds); }
    std::optional<int> AdapterTimer() const override { return port_->AdapterTimer(); }
    bool SetRate(int baud) override { return port_->SetRate(baud); }
    LinkFacts& Facts() override { return port_->Facts(); }

private:
    void Print(char direction, unsigned char byte);
    void EndLine();

    std::unique_ptr<SerialPort> port_;
    std::FILE* trace_;
    char direction_ = 0;
    int onLine_ = 0;
};
