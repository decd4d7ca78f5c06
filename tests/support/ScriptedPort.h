#pragma once

#include "link/SerialPort.h"

#include <QStringList>
#include <deque>
#include <functional>

// An in-memory port whose replies a test scripts byte by byte. It logs every
// write and every byte read, in order, and counts all reads.
class ScriptedPort : public SerialPort {
public:
    static constexpr int kEmptyRead = -1;

    void SetPort(const QString& device) override { device_ = device; }
    QString Open() override
    {
        open_ = openError_.isEmpty();
        return openError_;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    void Write(const QByteArray& bytes) override;
    std::optional<unsigned char> Read() override;
    void WaitForData(int) override { ++waits_; }

    // Bytes (or kEmptyRead) that later reads return, in order.
    void Queue(std::initializer_list<int> replies) { incoming_.insert(incoming_.end(), replies); }
    void QueueBytes(const QByteArray& bytes);
    // Called for every byte written, to queue what a firmware would answer.
    std::function<void(unsigned char, ScriptedPort&)> onWrite;
    // Thrown by the next read, as a port whose device went away.
    QString failNextRead;

    QString device_;
    QString openError_;
    bool open_ = false;
    QByteArray written_;
    QStringList log_;  // "W:43" for a write, "R:43" for a byte read
    long reads_ = 0;
    long waits_ = 0;

private:
    std::deque<int> incoming_;
};

// Answers as the firmware does: an echo for every byte but the ping, "^" for the ping.
void EchoLikeFirmware(unsigned char byte, ScriptedPort& port);
