#pragma once

#include "link/LinkFacts.h"
#include "link/PortFailure.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The port as the protocol sees it: the five operations of the link plus a
// readiness wait, so that waiting never spins the CPU.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual void SetPort(const QString& device) = 0;
    // Empty on success; otherwise the operator's text, and the port stays closed.
    virtual QString Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Queues the bytes and returns; throws PortFailure when the device is gone.
    virtual void Write(const QByteArray& bytes) = 0;
    // The oldest received byte, or nothing at once when none is waiting.
    // Throws PortFailure when the device is gone.
    virtual std::optional<unsigned char> Read() = 0;
    // Sleeps until data arrives or the time is up. Throws PortFailure when the
    // device is gone.
    virtual void WaitForData(int milliseconds) = 0;
    // The adapter's latency timer in milliseconds as it stood after the last open, where the system shows it.
    virtual std::optional<int> AdapterTimer() const { return std::nullopt; }
    // Sets the open port's line rate; false when the port or its adapter refuses it.
    virtual bool SetRate(int) { return false; }
    virtual LinkFacts& Facts() { return facts_; }

protected:
    LinkFacts facts_;
};
