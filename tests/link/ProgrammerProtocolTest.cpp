#include "link/LinkLost.h"
#include "link/ProgrammerProtocol.h"
#include "RecordingOperator.h"
#include "ScriptedPort.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono;

namespace {

struct Bench {
    explicit Bench(QString pto = QString()) : pto(std::move(pto)) {}
    ScriptedPort port;
    RecordingOperator ui;
    QString pto;
    ProgrammerProtocol protocol{port, ui, [this] { return pto; }, milliseconds(150)};
};

const QString kNotDetected = QStringLiteral("Korvex with pgm firmware not detected");

}  // namespace

TEST(DetectProgrammer, NoAnswerMakesThreePingsOfExactlyPtoReadsEach)
{
    for (const auto& [pto, reads] : std::vector<std::pair<QString, long>>{{"10", 10}, {"", 50000}, {"0", 50000},
                                                                          {"-5", 50000}, {"1.5", 50000}, {"x", 50000},
                                                                          {"99999999999", 50000}, {" 7 ", 7}}) {
        Bench bench(pto);
        bench.port.Queue({'@', 'x', 0x00});  // an echo of the ping and noise are dropped
        EXPECT_FALSE(bench.protocol.DetectProgrammer()) << pto.toStdString();
        EXPECT_EQ(bench.port.written_, QByteArray("@@@")) << pto.toStdString();
        EXPECT_EQ(bench.port.reads_, 3 * reads) << pto.toStdString();
        EXPECT_EQ(bench.ui.messages, QStringList{kNotDetected}) << pto.toStdString();
    }
}

TEST(DetectProgrammer, AnswerToSecondPingOrStalePromptCounts)
{
    Bench second(QStringLiteral("10"));
    int pings = 0;
    second.port.onWrite = [&pings](unsigned char, ScriptedPort& port) {
        if (++pings == 2)
            port.Queue({ScriptedPort::kEmptyRead, '^'});
    };
    EXPECT_TRUE(second.protocol.DetectProgrammer());
    EXPECT_EQ(second.port.written_, QByteArray("@@"));
    EXPECT_TRUE(second.ui.messages.isEmpty());
    EXPECT_EQ(second.port.reads_, 10 + 2);

    Bench stale(QStringLiteral("10"));
    stale.port.Queue({'^'});
    EXPECT_TRUE(stale.protocol.DetectProgrammer());
    EXPECT_EQ(stale.port.reads_, 1);
}

TEST(DetectProgrammer, SettingIsReadAfreshForEveryAttempt)
{
    ScriptedPort port;
    RecordingOperator ui;
    int asked = 0;
    ProgrammerProtocol protocol(port, ui, [&asked] { return QString::number(++asked * 10); });
    EXPECT_FALSE(protocol.DetectProgrammer());
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(port.reads_, 10 + 20 + 30);
}

TEST(Protocol, EachByteGoesOutOnlyAfterTheEchoOfTheOneBefore)
{
    Bench bench;
    bench.port.onWrite = [](unsigned char byte, ScriptedPort& port) {
        port.Queue({ScriptedPort::kEmptyRead, 'z', byte});  // noise before each echo is dropped
        if (byte == 0x34 || byte == 0x5A || byte == 'A')
            port.Queue({'^'});
    };
    bench.protocol.SendCommandWord('C', 0x34, 0x12);
    EXPECT_EQ(bench.port.log_.join(' '), QStringLiteral("W:43 R:7A R:43 W:12 R:7A R:12 W:34 R:7A R:34 R:5E"));

    bench.port.log_.clear();
    bench.port.written_.clear();
    bench.protocol.SendCommandWord('E', 0x5A, 0x00);
    EXPECT_EQ(bench.port.written_, QByteArray("E\x00\x5A", 3));

    bench.port.log_.clear();
    bench.protocol.SendCommand('A');
    EXPECT_EQ(bench.port.log_.join(' '), QStringLiteral("W:41 R:7A R:41 R:5E"));
}

TEST(Protocol, ReadWordTakesTwoBytesHighFirstSkippingEmptyReads)
{
    Bench bench;
    bench.port.Queue({'G', ScriptedPort::kEmptyRead, 0x3F, ScriptedPort::kEmptyRead, 0xFF});
    EXPECT_EQ(bench.protocol.ReadWord('G'), 0x3FFF);
    // A zero byte is a reply like any other; the caller keeps the low byte.
    bench.port.Queue({'H', 0x00, 0xA5});
    EXPECT_EQ(bench.protocol.ReadWord('H'), 0x00A5);
    bench.port.Queue({'F', 0x00, 0x00});
    EXPECT_EQ(bench.protocol.ReadWord('F'), 0);
    EXPECT_EQ(bench.port.written_, QByteArray("GHF"));
}

TEST(Protocol, SilenceOrAStreamOfWrongBytesEndsWithinTheLimit)
{
    for (const bool flood : {false, true}) {
        Bench bench;
        if (flood)
            bench.port.onWrite = [](unsigned char, ScriptedPort& port) { port.QueueBytes(QByteArray(2000000, 'x')); };
        const auto start = steady_clock::now();
        try {
            bench.protocol.SendCommand('B');
            FAIL() << "no LinkLost";
        } catch (const LinkLost& lost) {
            EXPECT_TRUE(lost.OperatorText().contains(QStringLiteral("the echo of \"B\""))) << lost.what();
            EXPECT_TRUE(lost.OperatorText().startsWith(QStringLiteral("The programmer stopped responding")));
        }
        const auto took = steady_clock::now() - start;
        EXPECT_GE(took, milliseconds(140));
        EXPECT_LT(took, milliseconds(1500));
        EXPECT_EQ(bench.port.written_, QByteArray("B"));
    }
}

TEST(Protocol, APortThatFailsStopsTheExchangeAndNamesTheWait)
{
    Bench bench;
    bench.port.Queue({'C'});
    bench.port.onWrite = [](unsigned char byte, ScriptedPort& port) {
        if (byte == 0x12)
            port.failNextRead = QStringLiteral("the port /dev/x reported \"Input/output error\"");
        else
            port.Queue({byte});
    };
    try {
        bench.protocol.SendCommandWord('C', 0x34, 0x12);
        FAIL() << "no LinkLost";
    } catch (const LinkLost& lost) {
        EXPECT_TRUE(lost.OperatorText().contains(QStringLiteral("data byte 12")));
        EXPECT_TRUE(lost.OperatorText().contains(QStringLiteral("Input/output error")));
    }
    EXPECT_EQ(bench.port.written_, QByteArray("C\x12"));

    Bench ping;
    ping.port.failNextRead = QStringLiteral("gone");
    EXPECT_THROW(ping.protocol.DetectProgrammer(), LinkLost);
    EXPECT_TRUE(ping.ui.messages.isEmpty());
}
