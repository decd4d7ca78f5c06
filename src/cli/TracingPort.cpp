#include "TracingPort.h"

TracingPort::TracingPort(std::unique_ptr<SerialPort> port, std::FILE* trace) : port_(std::move(port)), trace_(trace) {}

void TracingPort::Close()
{
    EndLine();
    port_->Close();
}

void TracingPort::Write(const QByteArray& bytes)
{
    for (const char c : bytes)
        Print('>', static_cast<unsigned char>(c));
    port_->Write(bytes);
}

std::optional<unsigned char> TracingPort::Read()
{
    const auto byte = port_->Read();
    if (byte)
        Print('<', *byte);
    return byte;
}

void TracingPort::Print(char direction, unsigned char byte)
{
    if (direction != direction_ || onLine_ == 16) {
        EndLine();
        std::fprintf(trace_, "%c", direction);
        direction_ = direction;
    }
    std::fprintf(trace_, " %02X", byte);
    ++onLine_;
}

void TracingPort::EndLine()
{
    if (onLine_ > 0)
        std::fprintf(trace_, "\n");
    onLine_ = 0;
    direction_ = 0;
}
