#pragma once

#include "link/LineRate.h"
#include "link/SerialPort.h"

#include <QStringList>
#include <deque>
#include <functional>

// An in-memory port whose replies a test scripts byte by byte. It logs every
// write and every byte read, in order, and counts all reads.
class ScriptedPort : public SerialPort {
public:
    static constexpr int kEmptyRead = -1;

    void SetPort(const QString&) override {}
    QString Open() override
    {
        open_ = true;
        return QString();
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    void Write(const QByteArray& bytes) override
    {
        for (const char c : bytes) {
            written_.append(c);
            log_ << QStringLiteral("W:%1").arg(quint8(c), 2, 16, QLatin1Char('0')).toUpper();
            if (onWrite)
                onWrite(static_cast<unsigned char>(c), *this);
        }
    }
    std::optional<unsigned char> Read() override
    {
        ++reads_;
        if (!failNextRead.isEmpty())
            throw PortFailure(failNextRead);
        const int next = incoming_.empty() ? kEmptyRead : incoming_.front();
        if (!incoming_.empty())
            incoming_.pop_front();
        if (next == kEmptyRead)
            return std::nullopt;
        log_ << QStringLiteral("R:%1").arg(next, 2, 16, QLatin1Char('0')).toUpper();
        return static_cast<unsigned char>(next);
    }
    void WaitForData(int) override {}
    bool SetRate(int baud) override { return baud == LineRate::kBaud; }  // an adapter that goes no faster

    // Bytes (or kEmptyRead) that later reads return, in order.
    void Queue(std::initializer_list<int> replies) { incoming_.insert(incoming_.end(), replies); }
    // Called for every byte written, to queue what a firmware would answer.
    std::function<void(unsigned char, ScriptedPort&)> onWrite;
    // Thrown by the next read, as a port whose device went away.
    QString failNextRead;

    bool open_ = false;
    QByteArray written_;
    QStringList log_;  // "W:43" for a write, "R:43" for a byte read
    long reads_ = 0;
    std::deque<int> incoming_;
};
