#include "TracingPort.h"

TracingPort::TracingPort(SerialPort& port, std::FILE* trace) : port_(port), trace_(trace) {}

void TracingPort::SetPort(const QString& device)
{
    port_.SetPort(device);
}

QString TracingPort::Open()
{
    return port_.Open();
}

void TracingPort::Close()
{
    EndLine();
    port_.Close();
}

bool TracingPort::IsOpen() const
{
    return port_.IsOpen();
}

void TracingPort::Write(const QByteArray& bytes)
{
    bytes_ += bytes.size();
    for (const char c : bytes)
        Print('>', static_cast<unsigned char>(c));
    port_.Write(bytes);
}

std::optional<unsigned char> TracingPort::Read()
{
    const auto byte = port_.Read();
    if (byte) {
        ++bytes_;
        Print('<', *byte);
    }
    return byte;
}

void TracingPort::WaitForData(int milliseconds)
{
    port_.WaitForData(milliseconds);
}

void TracingPort::Print(char direction, unsigned char byte)
{
    if (!trace_)
        return;
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
    if (trace_ && onLine_ > 0)
        std::fprintf(trace_, "\n");
    onLine_ = 0;
    direction_ = 0;
}
