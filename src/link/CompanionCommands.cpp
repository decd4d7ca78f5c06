#include "link/CompanionCommands.h"

#include "link/LineRate.h"
#include "link/LinkLost.h"
#include "link/ProgrammerProtocol.h"

#include <QThread>

namespace {

constexpr char kMove = 'L';
constexpr char kWriteBlock = 'M';
constexpr char kReadBlock = 'N';
constexpr char kWriteEeprom = 'P';
constexpr char kReadEeprom = 'Q';
constexpr char kRate = 'R';
constexpr unsigned char kTaken = '^';
// The firmware falls back to the table's rate when nothing comes for a
// second after a change; the host waits longer before it pings there.
constexpr int kRateFallbackMs = 1500;
constexpr std::chrono::milliseconds kConfirmBudget{300};

int RateCode(int baud)
{
    return baud == CompanionCommands::kFastRate ? 1 : 0;
}

}  // namespace

int CompanionCommands::VersionIn(int probeReply)
{
    return probeReply >> 8 == kSignatureHigh ? probeReply & 0xFF : 0;
}

std::uint8_t CompanionCommands::Check(const QByteArray& bytes)
{
    std::uint8_t crc = 0;
    for (const char c : bytes) {
        crc ^= std::uint8_t(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = std::uint8_t(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

void CompanionCommands::SendChecked(char letter, QByteArray data)
{
    protocol_.SendLetter(letter);
    data.append(char(Check(data)));
    protocol_.SendBurst(letter, data);
}

std::optional<QByteArray> CompanionCommands::ReadChecked(char letter, int count)
{
    QByteArray reply;
    for (int i = 0; i < count; ++i)
        reply.append(char(protocol_.ReplyByte(letter)));
    if (protocol_.ReplyByte(letter) != Check(reply))
        return std::nullopt;
    return reply;
}

bool CompanionCommands::Deliver(char letter, const QByteArray& data)
{
    SendChecked(letter, data);
    return protocol_.ReplyByte(letter) == kTaken;
}

std::optional<QByteArray> CompanionCommands::Fetch(char letter, int count)
{
    protocol_.SendLetter(letter);
    return ReadChecked(letter, count);
}

std::optional<int> CompanionCommands::Move(int step)
{
    const auto raw = std::uint16_t(step);
    SendChecked(kMove, QByteArray().append(char(raw >> 8)).append(char(raw & 0xFF)));
    const std::optional<QByteArray> counter = ReadChecked(kMove, 2);
    if (!counter)
        return std::nullopt;
    return std::uint8_t(counter->at(0)) * 256 + std::uint8_t(counter->at(1));
}

bool CompanionCommands::WriteBlock(const Words& words)
{
    QByteArray data;
    for (const std::uint16_t word : words)
        data.append(char(word >> 8)).append(char(word & 0xFF));
    return Deliver(kWriteBlock, data);
}

std::optional<CompanionCommands::Words> CompanionCommands::ReadBlock()
{
    const std::optional<QByteArray> reply = Fetch(kReadBlock, 2 * kBlockWords);
    if (!reply)
        return std::nullopt;
    Words words{};
    for (int i = 0; i < kBlockWords; ++i)
        words[i] = std::uint16_t(std::uint8_t(reply->at(2 * i)) * 256 + std::uint8_t(reply->at(2 * i + 1)));
    return words;
}

bool CompanionCommands::WriteEeprom(std::uint8_t mask, const Bytes& bytes)
{
    QByteArray data(1, char(mask));
    for (const std::uint8_t byte : bytes)
        data.append(char(byte));
    return Deliver(kWriteEeprom, data);
}

std::optional<CompanionCommands::Bytes> CompanionCommands::ReadEeprom()
{
    const std::optional<QByteArray> reply = Fetch(kReadEeprom, kBlockWords);
    if (!reply)
        return std::nullopt;
    Bytes bytes{};
    for (int i = 0; i < kBlockWords; ++i)
        bytes[i] = std::uint8_t(reply->at(i));
    return bytes;
}

bool CompanionCommands::SetRate(int baud)
{
    LinkFacts& facts = protocol_.Facts();
    if (facts.rate == baud)
        return true;
    if (!Deliver(kRate, QByteArray(1, char(RateCode(baud)))))
        return false;
    if (ConfirmRate(baud)) {
        facts.rate = baud;
        return true;
    }
    // One end did not follow: both meet again at the table's rate.
    protocol_.Port().SetRate(LineRate::kBaud);
    QThread::msleep(kRateFallbackMs);
    facts.rate = LineRate::kBaud;
    return ConfirmRate(LineRate::kBaud) && baud == LineRate::kBaud;
}

bool CompanionCommands::ConfirmRate(int baud)
{
    if (!protocol_.Port().SetRate(baud))
        return false;
    try {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (protocol_.AnswersOnePing(kConfirmBudget))
                return true;
        }
    } catch (const PortFailure& failure) {
        throw LinkLost(QStringLiteral("the answer to the ping at %1 baud").arg(baud), failure.Cause());
    }
    return false;
}
