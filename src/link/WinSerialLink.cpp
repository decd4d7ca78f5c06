#include "link/WinSerialLink.h"

#include "link/LineRate.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace {

// Writes are a byte at a time and the line drains one in half a millisecond:
// a write that stalls this long means the device is stuck.
constexpr DWORD kWriteLimitMs = 2000;
constexpr DWORD kDriverBuffer = 1024;

QString SystemText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString result = length ? QString::fromWCharArray(text, int(length)).trimmed() : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    if (result.endsWith(u'.'))
        result.chop(1);
    return result;
}

// The name that CreateFile takes: COM10 and above open only as \\.\COM10.
QString DeviceNamespacePath(const QString& device)
{
    return QStringLiteral("\\\\.\\") + device;
}

HANDLE Handle(void* handle)
{
    return static_cast<HANDLE>(handle);
}

}  // namespace

WinSerialLink::~WinSerialLink()
{
    Close();
}

void WinSerialLink::SetPort(const QString& device)
{
    device_ = device;
}

QString WinSerialLink::DescribeOpenFailure(const QString& device, unsigned long error)
{
    const QString head = QStringLiteral("The port %1 cannot be opened: ").arg(device);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return head + QStringLiteral("there is no such port. Check the port number and that the programmer is plugged in.");
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return head + QStringLiteral("another program is using it. Close that program and try again.");
    default:
        return head + QStringLiteral("the port refused it (%1).").arg(SystemText(error));
    }
}

QString WinSerialLink::Open()
{
    facts_ = {};
    Close();
    const QString path = DeviceNamespacePath(device_);
    HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return DescribeOpenFailure(device_, GetLastError());
    handle_ = handle;

    DCB line{};
    line.DCBlength = sizeof line;
    bool configured = GetCommState(handle, &line);
    if (configured) {
        line.BaudRate = LineRate::kBaud;
        line.ByteSize = 8;
        line.Parity = NOPARITY;
        line.StopBits = ONESTOPBIT;
        line.fBinary = TRUE;
        line.fParity = FALSE;
        line.fOutxCtsFlow = FALSE;
        line.fOutxDsrFlow = FALSE;
        line.fDtrControl = DTR_CONTROL_ENABLE;
        line.fRtsControl = RTS_CONTROL_ENABLE;
        line.fDsrSensitivity = FALSE;
        line.fOutX = FALSE;
        line.fInX = FALSE;
        line.fErrorChar = FALSE;
        line.fNull = FALSE;
        line.fAbortOnError = FALSE;
        readWait_ = ~0UL;
        configured = SetCommState(handle, &line) && SetupComm(handle, kDriverBuffer, kDriverBuffer) && SetReadWait(0);
    }
    if (!configured) {
        const DWORD error = GetLastError();
        Close();
        return QStringLiteral("The port %1 cannot be opened: it refused the line settings (%2).").arg(device_, SystemText(error));
    }
    // Whatever an earlier program or a reset left in the driver is not an answer.
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    return QString();
}

bool WinSerialLink::SetRate(int baud)
{
    DCB line{};
    line.DCBlength = sizeof line;
    if (!handle_ || !GetCommState(Handle(handle_), &line))
        return false;
    line.BaudRate = DWORD(baud);
    return SetCommState(Handle(handle_), &line);
}

void WinSerialLink::Close()
{
    if (handle_)
        CloseHandle(Handle(handle_));
    handle_ = nullptr;
    waiting_.reset();
}

bool WinSerialLink::IsOpen() const
{
    return handle_ != nullptr;
}

void WinSerialLink::Fail(const QString& doing) const
{
    const DWORD error = GetLastError();
    throw PortFailure(QStringLiteral("the port %1 reported \"%2\" %3").arg(device_, SystemText(error), doing));
}

bool WinSerialLink::SetReadWait(unsigned long milliseconds)
{
    if (milliseconds == readWait_)
        return true;
    // MAXDWORD, MAXDWORD, n: a read returns at once with what is there, or
    // with the first byte that arrives within n ms. With n = 0 it never waits.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = milliseconds ? MAXDWORD : 0;
    timeouts.ReadTotalTimeoutConstant = milliseconds;
    timeouts.WriteTotalTimeoutConstant = kWriteLimitMs;
    if (!SetCommTimeouts(Handle(handle_), &timeouts))
        return false;
    readWait_ = milliseconds;
    return true;
}

void WinSerialLink::Write(const QByteArray& bytes)
{
    DWORD written = 0;
    if (!WriteFile(Handle(handle_), bytes.constData(), DWORD(bytes.size()), &written, nullptr))
        Fail(QStringLiteral("when writing"));
    if (written != DWORD(bytes.size()))
        throw PortFailure(QStringLiteral("the port %1 took no data").arg(device_));
}

std::optional<unsigned char> WinSerialLink::Read()
{
    if (waiting_)
        return std::exchange(waiting_, std::nullopt);
    unsigned char byte = 0;
    DWORD got = 0;
    if (!SetReadWait(0) || !ReadFile(Handle(handle_), &byte, 1, &got, nullptr))
        Fail(QStringLiteral("when reading"));
    return got == 1 ? std::optional<unsigned char>(byte) : std::nullopt;
}

void WinSerialLink::WaitForData(int milliseconds)
{
    if (waiting_)
        return;
    unsigned char byte = 0;
    DWORD got = 0;
    if (!SetReadWait(DWORD(std::max(milliseconds, 1))) || !ReadFile(Handle(handle_), &byte, 1, &got, nullptr))
        Fail(QStringLiteral("when waiting for data"));
    if (got == 1)
        waiting_ = byte;
}
