#include "production/HeldPort.h"

void HeldPort::SetPort(const QString& device)
{
    if (!port_.IsOpen())
        port_.SetPort(device);
}

QString HeldPort::Open()
{
    return port_.IsOpen() ? QString() : port_.Open();
}

void HeldPort::Release()
{
    port_.Close();
}
