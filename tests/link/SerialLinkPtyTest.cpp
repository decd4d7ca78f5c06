#include "link/LinkLost.h"
#include "link/ProgrammerProtocol.h"
#include "RecordingOperator.h"
#include "SimulatorBench.h"

#include <gtest/gtest.h>

#include <QThread>
#include <chrono>

using namespace std::chrono;

namespace {

QString ShortPings()
{
    return QStringLiteral("5000");
}

}  // namespace

TEST(SerialLinkPty, AllByteValuesPassBothWays)
{
    SimulatorBench bench;
    ASSERT_EQ(bench.link.Open(), QString());
    RecordingOperator ui;
    ProgrammerProtocol protocol(bench.link, ui, ShortPings);
    ASSERT_TRUE(protocol.DetectProgrammer());
    const auto start = steady_clock::now();
    for (int value = 0; value < 256; ++value)
        protocol.SendCommandWord('C', static_cast<unsigned char>(255 - value), static_cast<unsigned char>(value));
    std::printf("SendCommandWord round trip: %.1f us\n", duration<double, std::micro>(steady_clock::now() - start).count() / 256);

    QByteArray expectedOut("@");
    QByteArray expectedBack("^");
    for (int value = 0; value < 256; ++value) {
        const QByteArray word = QByteArray("C") + char(value) + char(255 - value);
        expectedOut += word;
        expectedBack += word + '^';
    }
    bench.Settle();
    EXPECT_EQ(bench.FromProgram(), expectedOut);
    EXPECT_EQ(bench.FromSimulator(), expectedBack);

    // Every value comes back as the second byte of an EEPROM read too.
    bench.simulator.WithModel([](FirmwareModel& model) {
        for (int i = 0; i < 256; ++i)
            model.eeprom[i] = std::uint8_t(i);
    });
    protocol.SendCommand('A');
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(protocol.ReadWord('H'), i);
        protocol.SendCommand('I');
    }
    bench.link.Close();
}

TEST(SerialLinkPty, StalePromptAndLateAnswer)
{
    SimulatorFaults secondPing;
    secondPing.answerFromPing = 2;
    SimulatorBench bench(secondPing);
    bench.simulator.Inject("^");
    ASSERT_EQ(bench.link.Open(), QString());
    RecordingOperator ui;
    ProgrammerProtocol protocol(bench.link, ui, ShortPings);
    EXPECT_TRUE(protocol.DetectProgrammer());
    bench.Settle();
    EXPECT_EQ(bench.FromProgram(), QByteArray("@")) << "the waiting prompt answered the first ping";

    bench.link.Close();

    SimulatorBench late(secondPing);
    ASSERT_EQ(late.link.Open(), QString());
    ProgrammerProtocol lateProtocol(late.link, ui, ShortPings);
    EXPECT_TRUE(lateProtocol.DetectProgrammer());
    late.Settle();
    EXPECT_EQ(late.FromProgram(), QByteArray("@@"));
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST(SerialLinkPty, NoProgrammerIsReportedAfterAboutThreeSeconds)
{
    SimulatorFaults never;
    never.neverAnswer = true;
    SimulatorBench bench(never);
    ASSERT_EQ(bench.link.Open(), QString());
    RecordingOperator ui;
    ProgrammerProtocol protocol(bench.link, ui, [] { return QString(); });
    const auto start = steady_clock::now();
    const auto cpuStart = std::clock();
    EXPECT_FALSE(protocol.DetectProgrammer());
    const double took = duration<double>(steady_clock::now() - start).count();
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    EXPECT_GT(took, 2.5);
    EXPECT_LT(took, 6.0);
    EXPECT_LT(cpu, 0.5 * took) << "waiting must not spin";
    EXPECT_EQ(bench.FromProgram(), QByteArray("@@@"));
    std::printf("no programmer reported after %.2f s, CPU %.3f s\n", took, cpu);
}

TEST(SerialLinkPty, AProgrammerThatDiesMidExchangeStopsItWithinTheLimit)
{
    SimulatorFaults dies;
    dies.silentAfterBytes = 3;  // the ping, "C" and the high byte
    SimulatorBench bench(dies);
    ASSERT_EQ(bench.link.Open(), QString());
    RecordingOperator ui;
    ProgrammerProtocol protocol(bench.link, ui, ShortPings, milliseconds(300));
    ASSERT_TRUE(protocol.DetectProgrammer());
    const auto start = steady_clock::now();
    EXPECT_THROW(protocol.SendCommandWord('C', 0x34, 0x12), LinkLost);
    EXPECT_LT(steady_clock::now() - start, milliseconds(1500));
    bench.Settle();
    EXPECT_EQ(bench.FromProgram(), QByteArray("@C\x12\x34"));
}

TEST(SerialLinkPty, AClosedPseudoTerminalIsALostLinkNotAHang)
{
    SimulatorBench bench;
    ASSERT_EQ(bench.link.Open(), QString());
    RecordingOperator ui;
    ProgrammerProtocol protocol(bench.link, ui, ShortPings, milliseconds(5000));
    ASSERT_TRUE(protocol.DetectProgrammer());
    bench.simulator.Hangup();
    const auto start = steady_clock::now();
    try {
        protocol.SendCommand('A');
        protocol.SendCommand('A');
        FAIL() << "no LinkLost";
    } catch (const LinkLost& lost) {
        std::printf("%s\n", lost.what());
    }
    EXPECT_LT(steady_clock::now() - start, milliseconds(4000)) << "the port's error, not the time limit, ended it";
    bench.link.Close();
}

TEST(SerialLinkPty, OpenFailuresNameThePortAndTheReason)
{
    QtSerialLink missing;
    missing.SetPort(QStringLiteral("/dev/ttyKORVEXC-none"));
    const QString text = missing.Open();
    EXPECT_TRUE(text.contains(QStringLiteral("/dev/ttyKORVEXC-none"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("no such device"))) << text.toStdString();
    EXPECT_FALSE(missing.IsOpen());

    SimulatorBench bench;
    ASSERT_EQ(bench.link.Open(), QString());
    QtSerialLink second;
    second.SetPort(bench.simulator.Path());
    const QString held = second.Open();
    EXPECT_TRUE(held.contains(QStringLiteral("another program"))) << held.toStdString();
    EXPECT_FALSE(second.IsOpen());
    bench.link.Close();
    EXPECT_EQ(second.Open(), QString()) << "a closed port is free for the next program";
    second.Close();

    const QString denied = QtSerialLink::DescribeOpenFailure(QStringLiteral("/dev/ttyS0"), QSerialPort::PermissionError,
                                                             QStringLiteral("Permission denied"));
    EXPECT_TRUE(denied.contains(QStringLiteral("dialout"))) << denied.toStdString();
}
