#pragma once

#include <linux/serial.h>
#include <QString>
#include <optional>

// Asks a serial driver to hand over received bytes at once (ASYNC_LOW_LATENCY):
// a USB adapter's latency timer then drops from 16 ms to 1 ms, and with one
// byte in flight that sets the time of a whole chip. The driver's flags are
// put back when the port closes.
class LowLatency {
public:
    // The two ioctls, TIOCGSERIAL and TIOCSSERIAL: a seam, so that tests need no adapter.
    class Driver {
    public:
        virtual ~Driver() = default;
        virtual std::optional<serial_struct> Get(int fd) = 0;
        virtual bool Set(int fd, const serial_struct& info) = 0;
    };
    static Driver& PlatformDriver();

    explicit LowLatency(Driver& driver);

    // False where the port cannot (a pseudo-terminal, a driver without the ioctl): no failure.
    bool Request(int fd);
    void Restore(int fd);
    // The adapter's latency timer in milliseconds, where the system (mounted at sys) shows it.
    static std::optional<int> AdapterTimer(const QString& device, const QString& sys = QStringLiteral("/sys"));

private:
    Driver& driver_;
    std::optional<serial_struct> saved_;
};
