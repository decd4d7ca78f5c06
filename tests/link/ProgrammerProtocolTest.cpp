#include "ScriptedPort.h"
#include "link/CompanionCommands.h"
#include "link/ProgrammerProtocol.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace std::chrono;

namespace {

struct Bench {
    explicit Bench(QString pto = QString()) : pto(std::move(pto)) {}
    ScriptedPort port;
    QString pto;
    ProgrammerProtocol protocol{port, [this] { return pto; }, milliseconds(150)};
};

}  // namespace

TEST(DetectProgrammer, PingsThreeTimesWithExactlyPtoReadsEachAndCountsOnlyThePrompt)
{
    for (const auto& [pto, reads] : std::vector<std::pair<QString, long>>{{"10", 10},
                                                                          {"", 50000},
                                                                          {"0", 50000},
                                                                          {"-5", 50000},
                                                                          {"1.5", 50000},
                                                                          {"99999999999", 50000},
                                                                          {" 7 ", 7},
                                                                          {"1000000", 1000000},
                                                                          {"1000001", 50000}}) {
        Bench bench(pto);
        bench.port.Queue({'@', 'x', 0x00});  // an echo of the ping and noise are dropped
        EXPECT_FALSE(bench.protocol.DetectProgrammer()) << pto.toStdString();
        EXPECT_EQ(bench.port.written_, QByteArray("@@@")) << pto.toStdString();
        EXPECT_EQ(bench.port.reads_, 3 * reads) << pto.toStdString();
    }

    Bench second(QStringLiteral("10"));
    int pings = 0;
    second.port.onWrite = [&pings](unsigned char, ScriptedPort& port) {
        if (++pings == 2)
            port.Queue({ScriptedPort::kEmptyRead, '^'});
    };
    EXPECT_TRUE(second.protocol.DetectProgrammer());
    EXPECT_EQ(second.port.written_, QByteArray("@@"));
    EXPECT_EQ(second.port.reads_, 10 + 2);

    Bench stale(QStringLiteral("10"));
    stale.port.Queue({'^'});
    EXPECT_TRUE(stale.protocol.DetectProgrammer());
    EXPECT_EQ(stale.port.reads_, 1);

    // The setting is read afresh for every attempt.
    ScriptedPort port;
    int asked = 0;
    ProgrammerProtocol protocol(port, [&asked] { return QString::number(++asked * 10); });
    EXPECT_FALSE(protocol.DetectProgrammer());
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
    bench.port.written_.clear();
    bench.protocol.SendCommandWord('E', 0x5A, 0x00);
    EXPECT_EQ(bench.port.written_, QByteArray("E\x00\x5A", 3));
    bench.port.log_.clear();
    bench.protocol.SendCommand('A');
    EXPECT_EQ(bench.port.log_.join(' '), QStringLiteral("W:41 R:7A R:41 R:5E"));

    // Replies come high byte first; empty reads are skipped and a zero byte is a reply like any other.
    bench.port.onWrite = nullptr;
    bench.port.Queue({'G', ScriptedPort::kEmptyRead, 0x3F, ScriptedPort::kEmptyRead, 0xFF, 'H', 0x00, 0xA5});
    EXPECT_EQ(bench.protocol.ReadWord('G'), 0x3FFF);
    EXPECT_EQ(bench.protocol.ReadWord('H'), 0x00A5);
}

// A faster rate the adapter refuses is reported as not taken, and both ends
// meet again at the table's rate; the rate already in use asks for nothing.
TEST(Protocol, ARateTheAdapterRefusesLeavesBothEndsAtTheTablesRate)
{
    Bench bench;
    // The rate's letter is echoed; its check byte (07) and each ping are answered "^".
    bench.port.onWrite = [](unsigned char byte, ScriptedPort& port) {
        if (byte == 'R' || byte == 0x07 || byte == '@')
            port.Queue({byte == 'R' ? 'R' : '^'});
    };
    CompanionCommands commands(bench.protocol);
    EXPECT_TRUE(commands.SetRate(LineRate::kBaud));
    EXPECT_TRUE(bench.port.written_.isEmpty());
    EXPECT_FALSE(commands.SetRate(CompanionCommands::kFastRate));
    EXPECT_EQ(bench.protocol.Facts().rate, LineRate::kBaud);
    EXPECT_EQ(bench.port.written_, QByteArray("R\x01\x07@", 4));
}
