#include "production/CountingPort.h"

void CountingPort::Write(const QByteArray& bytes)
{
    port_.Write(bytes);
    bytes_ += bytes.size();
}

std::optional<unsigned char> CountingPort::Read()
{
    const std::optional<unsigned char> byte = port_.Read();
    bytes_ += byte ? 1 : 0;
    return byte;
}
