#include "ScriptedPort.h"

namespace {

QString Hex(unsigned char byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

void ScriptedPort::Write(const QByteArray& bytes)
{
    for (const char c : bytes) {
        written_.append(c);
        log_ << QStringLiteral("W:") + Hex(static_cast<unsigned char>(c));
        if (onWrite)
            onWrite(static_cast<unsigned char>(c), *this);
    }
}

std::optional<unsigned char> ScriptedPort::Read()
{
    ++reads_;
    if (!failNextRead.isEmpty())
        throw PortFailure(failNextRead);
    if (incoming_.empty())
        return std::nullopt;
    const int next = incoming_.front();
    incoming_.pop_front();
    if (next == kEmptyRead)
        return std::nullopt;
    log_ << QStringLiteral("R:") + Hex(static_cast<unsigned char>(next));
    return static_cast<unsigned char>(next);
}

void ScriptedPort::QueueBytes(const QByteArray& bytes)
{
    for (const char c : bytes)
        incoming_.push_back(static_cast<unsigned char>(c));
}

void EchoLikeFirmware(unsigned char byte, ScriptedPort& port)
{
    port.Queue({byte == '@' ? int('^') : int(byte)});
}
