#include "RecordingOperator.h"
#include "link/WinSerialLink.h"
#include "ops/ChipContents.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>
#include <QElapsedTimer>
#include <QTemporaryDir>

// These run against a simulated programmer that the test run serves on a
// Linux pseudo-terminal and maps onto a COM port, named in KORVEXC_TEST_PORT:
// COM12, which opens only by its \\.\ name.

const QString kSimulatorPort = qEnvironmentVariable("KORVEXC_TEST_PORT");

TEST(WinSerialLink, OpenFailuresNameThePortAndTheReason)
{
    const QString refused = WinSerialLink::DescribeOpenFailure("COM4", ERROR_GEN_FAILURE);
    EXPECT_TRUE(refused.contains("refused") && refused.endsWith(")."));
    EXPECT_FALSE(refused.contains(".)")) << "the system's own text loses its full stop inside the brackets";
    // Windows opens a COM port for one program at a time (Wine does not).
    EXPECT_TRUE(WinSerialLink::DescribeOpenFailure("COM4", ERROR_ACCESS_DENIED).contains("another program"));
    // The system's text is given back: two hundred thousand failures take no more memory than one.
    PROCESS_MEMORY_COUNTERS before{}, after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    for (int i = 0; i < 200000; ++i)
        WinSerialLink::DescribeOpenFailure("COM4", ERROR_GEN_FAILURE);
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    EXPECT_LT(after.PagefileUsage, before.PagefileUsage + (4u << 20));

    WinSerialLink missing;
    missing.SetPort(QStringLiteral("COM231"));
    const QString text = missing.Open();
    EXPECT_TRUE(text.contains(QStringLiteral("COM231")) && text.contains(QStringLiteral("no such port"))) << text.toStdString();
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.SetRate(19200)) << "a port that is not open takes no rate";

    if (kSimulatorPort.isEmpty())
        GTEST_SKIP() << "no simulated programmer on a COM port (KORVEXC_TEST_PORT)";
    WinSerialLink first;
    first.SetPort(kSimulatorPort);
    ASSERT_EQ(first.Open(), QString());
    EXPECT_TRUE(first.SetRate(19200));

    // An empty line answers a read at once, and the wait sleeps until its time is up.
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(first.Read().has_value());
    EXPECT_LT(clock.elapsed(), 2000) << "a read must not wait for data";
    clock.restart();
    first.WaitForData(300);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_FALSE(first.Read().has_value());
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(first.Open(), QString()) << "the port opens again once closed";
}

TEST(WinSerialLink, ProgramsAChipThatThenVerifiesAndReadsBackAsTheFile)
{
    if (kSimulatorPort.isEmpty())
        GTEST_SKIP() << "no simulated programmer on a COM port (KORVEXC_TEST_PORT)";
    WinSerialLink link;
    RecordingOperator ui;
    CommandEnvelope envelope(link, ui);
    CommandFlows flows(envelope, ui);
    CommandRequest request;
    request.port = kSimulatorPort;
    request.pingReads = [] { return QStringLiteral("5000"); };
    request.file = QStringLiteral(KORVEXC_FIXTURES "/counter.hex");

    ASSERT_EQ(flows.DoProgram(request).outcome, CommandOutcome::Completed) << ui.messages.join('\n').toStdString();
    EXPECT_EQ(flows.DoVerify(request).outcome, CommandOutcome::Completed) << ui.messages.join('\n').toStdString();
    EXPECT_TRUE(ui.mismatches.empty());

    ChipContents chip;
    ASSERT_EQ(flows.DoRead(request, chip).outcome, CommandOutcome::Completed);
    QTemporaryDir folder;
    request.file = folder.filePath(QStringLiteral("read.hex"));
    ASSERT_EQ(chip.SaveHex(request.file), QString());
    EXPECT_EQ(flows.DoVerify(request).outcome, CommandOutcome::Completed);
    EXPECT_TRUE(ui.mismatches.empty()) << "the chip read back is the chip";
    EXPECT_FALSE(link.IsOpen());
}
