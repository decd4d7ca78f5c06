#include "link/ProgrammerProtocol.h"

#include "link/LinkLost.h"
#include "link/SerialPort.h"

using namespace std::chrono;

namespace {

constexpr unsigned char kPing = '@';
constexpr unsigned char kPrompt = '^';

QString Letter(char letter)
{
    return QStringLiteral("\"%1\"").arg(QLatin1Char(letter));
}

QString ByteText(unsigned char byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

auto EchoOf(char letter)
{
    return [letter] { return QStringLiteral("the echo of %1").arg(Letter(letter)); };
}

auto PromptAfter(char letter)
{
    return [letter] { return QStringLiteral("the prompt \"^\" after %1").arg(Letter(letter)); };
}

}  // namespace

ProgrammerProtocol::ProgrammerProtocol(SerialPort& port, std::function<QString()> pingReadsSetting, milliseconds replyLimit)
    : port_(port), pingReadsSetting_(std::move(pingReadsSetting)), replyLimit_(replyLimit), pacer_(port)
{
}

long ProgrammerProtocol::PingReads(const QString& setting)
{
    bool whole = false;
    const long reads = setting.trimmed().toLong(&whole);
    return whole && reads > 0 && reads <= kMostPingReads ? reads : kDefaultPingReads;
}

bool ProgrammerProtocol::DetectProgrammer()
{
    const QString what = QStringLiteral("the answer to the ping");
    try {
        for (int attempt = 0; attempt < 3; ++attempt) {
            port_.Write(QByteArray(1, char(kPing)));
            const auto sent = steady_clock::now();
            pacer_.StartAttempt();
            for (long budget = PingReads(pingReadsSetting_()); budget > 0; --budget) {
                const auto byte = port_.Read();
                if (byte == kPrompt) {
                    pingRoundTrip_ = duration_cast<microseconds>(steady_clock::now() - sent);
                    return true;
                }
                if (!byte)
                    pacer_.AfterEmptyRead();
            }
        }
    } catch (const PortFailure& failure) {
        throw LinkLost(what, failure.Cause());
    }
    return false;
}

bool ProgrammerProtocol::AnswersOnePing(milliseconds budget)
{
    port_.Write(QByteArray(1, char(kPing)));
    const auto deadline = steady_clock::now() + budget;
    for (auto left = budget; left > milliseconds::zero(); left = duration_cast<milliseconds>(deadline - steady_clock::now())) {
        if (const auto byte = port_.Read()) {
            if (*byte == kPrompt)
                return true;
            continue;
        }
        port_.WaitForData(int(left.count()));
    }
    return false;
}

template <typename Describe> void ProgrammerProtocol::Send(unsigned char byte, Describe what)
{
    try {
        port_.Write(QByteArray(1, char(byte)));
    } catch (const PortFailure& failure) {
        throw LinkLost(what(), failure.Cause());
    }
}

// The wait comes before the read: at the line's rate a reply is never there
// yet, and a read that finds nothing would cost a call for each byte.
template <typename Accept, typename Describe> unsigned char ProgrammerProtocol::ReadUntil(Accept accept, Describe what)
{
    // The limit runs from the start of the wait: a stream of wrong bytes does not extend it.
    const auto deadline = steady_clock::now() + replyLimit_;
    try {
        for (;;) {
            const auto left = deadline - steady_clock::now();
            if (left <= nanoseconds::zero())
                throw LinkLost(what(), QStringLiteral("nothing came for %1 seconds").arg(duration<double>(replyLimit_).count()));
            port_.WaitForData(static_cast<int>(duration_cast<milliseconds>(left).count()) + 1);
            const auto byte = port_.Read();
            if (byte && accept(*byte))
                return *byte;
        }
    } catch (const PortFailure& failure) {
        throw LinkLost(what(), failure.Cause());
    }
}

template <typename Describe> void ProgrammerProtocol::Await(unsigned char expected, Describe what)
{
    ReadUntil([expected](unsigned char byte) { return byte == expected; }, what);
}

template <typename Describe> unsigned char ProgrammerProtocol::AwaitAny(Describe what)
{
    return ReadUntil([](unsigned char) { return true; }, what);
}

void ProgrammerProtocol::SendCommand(char letter)
{
    SendLetter(letter);
    Await(kPrompt, PromptAfter(letter));
}

void ProgrammerProtocol::SendLetter(char letter)
{
    const auto byte = static_cast<unsigned char>(letter);
    Send(byte, EchoOf(letter));
    Await(byte, EchoOf(letter));
}

void ProgrammerProtocol::SendBurst(char letter, const QByteArray& bytes)
{
    try {
        port_.Write(bytes);
    } catch (const PortFailure& failure) {
        throw LinkLost(QStringLiteral("the data after %1").arg(Letter(letter)), failure.Cause());
    }
}

unsigned char ProgrammerProtocol::ReplyByte(char letter)
{
    return AwaitAny([letter] { return QStringLiteral("the reply to %1").arg(Letter(letter)); });
}

void ProgrammerProtocol::SendCommandWord(char letter, unsigned char low, unsigned char high)
{
    SendLetter(letter);
    for (const unsigned char data : {high, low}) {
        const auto dataEcho = [letter, data] {
            return QStringLiteral("the echo of the data byte %1 after %2").arg(ByteText(data), Letter(letter));
        };
        Send(data, dataEcho);
        Await(data, dataEcho);
    }
    Await(kPrompt, PromptAfter(letter));
}

int ProgrammerProtocol::ReadWord(char letter)
{
    SendLetter(letter);
    const int first = ReplyByte(letter);
    const int second = ReplyByte(letter);
    return first * 256 + second;
}
