// Every fault of the line, the programmer, the port and the input, against
// the real flows and envelope on a pseudo-terminal. Whatever happens, the
// operator is told once, the port ends closed with no lock file left, the
// controls are enabled again, nothing hangs, and no success is claimed.
#include "ChipBench.h"
#include "FileBytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <memory>
#include <random>

using namespace std::chrono;

namespace {

const QString kFixtures = QStringLiteral(KORVEXC_FIXTURES);

bool ClaimsSuccess(const RecordingOperator& ui)
{
    return ui.statuses.contains("Done") || ui.statuses.contains("Verify Complete") || ui.statuses.contains("Erase complete");
}

void ExpectCleanEnd(ChipBench& bench, const std::string& label)
{
    EXPECT_FALSE(bench.link.IsOpen()) << label;
    EXPECT_TRUE(!ChipBench::HasLockFile(bench.simulator.Path())) << label;
}

}  // namespace

TEST(Faults, SilenceAfterAnyByteOfAProgramRunStopsItOnceWithinTheLimit)
{
    const QString file = kFixtures + "/small.hex";
    ChipBench whole;
    whole.file = file;
    ASSERT_EQ(whole.Do(&CommandFlows::DoProgram), CommandOutcome::Completed);
    whole.Settle();
    const int total = int(whole.FromProgram().size());

    std::vector<int> positions{0, 1, 2, 3, 4, 5, 6};  // the ping and the erase
    for (int n = 7; n < total; n += std::max(1, total / 220))
        positions.push_back(n);
    for (const int silentAfter : positions) {
        const SimulatorFaults faults{.silentAfterBytes = silentAfter};
        const int sent = silentAfter == 0 ? 3 : silentAfter + 1;
        // A simulator that a busy machine keeps from answering within the
        // 100 ms is silent early, which is no fault: that run is made again.
        std::unique_ptr<ChipBench> run;
        CommandOutcome outcome{};
        steady_clock::time_point end;
        qsizetype got = -1;
        for (int attempt = 0; attempt < 3 && got != sent; ++attempt) {
            run = std::make_unique<ChipBench>(faults, milliseconds(100));
            run->file = file;
            outcome = run->Do(&CommandFlows::DoProgram);
            end = steady_clock::now();
            got = run->FromProgram().size();
        }
        ChipBench& bench = *run;
        const std::string label = "silent after " + std::to_string(silentAfter);
        EXPECT_EQ(outcome, silentAfter == 0 ? CommandOutcome::NotDetected : CommandOutcome::LinkLost) << label;
        EXPECT_EQ(bench.ui.messages.size(), 1) << label;
        EXPECT_TRUE(bench.ui.messages.value(0).contains(silentAfter == 0 ? "not detected" : "stopped responding")) << label;
        EXPECT_TRUE(silentAfter == 0 || !bench.ui.portOpenWhenTold) << label << ": the port is free while the message shows";
        EXPECT_FALSE(ClaimsSuccess(bench.ui)) << label;
        EXPECT_EQ(got, sent) << label;
        // From the last byte that went unanswered: the 100 ms limit, and room for a busy machine.
        EXPECT_LT(end - bench.simulator.Trace().back().when, milliseconds(1000)) << label;
        ExpectCleanEnd(bench, label);
        EXPECT_TRUE(ChipBench::PortIsFree(bench.simulator.Path())) << label;
    }
    EXPECT_GE(positions.size(), 200u);
}

TEST(Faults, ThePseudoTerminalClosingUnderTheProgramIsReportedAtOnce)
{
    const QString file = kFixtures + "/small.hex";
    for (const long hangupAfter : {1L, 5L, 40L, 200L, 400L, 500L}) {
        ChipBench bench({.hangupAfterBytes = hangupAfter}, milliseconds(2000));
        bench.file = file;
        const auto start = steady_clock::now();
        EXPECT_EQ(bench.Do(&CommandFlows::DoProgram), CommandOutcome::LinkLost);
        const std::string label = "hang-up after " + std::to_string(hangupAfter);
        EXPECT_LT(steady_clock::now() - start, milliseconds(1500)) << label << ": the port's error ends it, not the limit";
        EXPECT_EQ(bench.ui.messages.filter("stopped responding").size(), 1) << label;
        EXPECT_FALSE(ClaimsSuccess(bench.ui)) << label;
        ExpectCleanEnd(bench, label);
    }
}

TEST(Faults, WrongEchoesFloodsAndStaleBytes)
{
    ChipBench wrong({.garbleEchoes = true}, milliseconds(200));
    EXPECT_EQ(wrong.Do(&CommandFlows::DoErase), CommandOutcome::LinkLost);
    EXPECT_EQ(wrong.ui.messages.filter("the echo of \"A\"").size(), 1);
    ExpectCleanEnd(wrong, "garbled");

    for (const long floodAfter : {1L, 3L, 10L}) {
        ChipBench bench({.floodAfterBytes = floodAfter}, milliseconds(200));
        bench.file = kFixtures + "/counter.hex";
        const auto start = steady_clock::now();
        EXPECT_EQ(bench.Do(&CommandFlows::DoVerify), CommandOutcome::LinkLost);
        EXPECT_LT(steady_clock::now() - start, milliseconds(1500)) << "a flood does not extend the wait";
        EXPECT_EQ(bench.ui.messages.filter("stopped responding").size(), 1) << floodAfter;
        ExpectCleanEnd(bench, "flood");
    }

    for (const QByteArray& stale : {QByteArray("junk\0\xFF", 6), QByteArray("AB^C"), QByteArray(900, 'x')}) {
        ChipBench bench;
        bench.simulator.Inject(stale);
        EXPECT_EQ(bench.Do(&CommandFlows::DoErase), CommandOutcome::Completed);
        EXPECT_TRUE(bench.ui.messages.isEmpty());
        ExpectCleanEnd(bench, "stale");
    }
}

TEST(Faults, AHexFileThatCannotBeReadSendsNothingBeyondTheChipsIdentity)
{
    QTemporaryDir dir;
    for (const QString& unreadable : {dir.filePath("missing.hex"), dir.path(), QStringLiteral("/proc/self/mem")}) {
        for (const bool program : {false, true}) {
            ChipBench bench;
            bench.file = unreadable;
            EXPECT_EQ(program ? bench.Do(&CommandFlows::DoProgram) : bench.Do(&CommandFlows::DoVerify),
                      CommandOutcome::FileNotLoaded);
            EXPECT_EQ(bench.Commands(), ChipBench::kDetectAndIdentify) << unreadable.toStdString();
            EXPECT_EQ(bench.ui.messages.size(), 1) << unreadable.toStdString();
            ExpectCleanEnd(bench, unreadable.toStdString());
        }
    }
}

namespace {

int OpenDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

long StatusKilobytes(const char* field)
{
    for (const QByteArray& line : FileBytes(QStringLiteral("/proc/self/status")).split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

}  // namespace

TEST(Soak, ProgramAndVerifyCyclesLeakNothing)
{
    const int cycles =
        qEnvironmentVariableIntValue("KORVEXC_SOAK_CYCLES") > 0 ? qEnvironmentVariableIntValue("KORVEXC_SOAK_CYCLES") : 3;
    ChipBench bench;
    bench.file = kFixtures + "/gaps.hex";
    int descriptorsBefore = 0;
    long residentAfterFirst = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        // A chip full of noise, so that each cycle must write everything again.
        bench.simulator.WithModel([cycle](FirmwareModel& model) {
            std::mt19937 random(cycle);
            for (auto& word : model.program)
                word = std::uint16_t(random() & 0x3FFF);
        });
        // The operator's records are the test's, not the program's: keep them from growing.
        bench.ui.statuses.clear();
        bench.ui.safePointsAfterStatus.clear();
        ASSERT_EQ(bench.Do(&CommandFlows::DoProgram), CommandOutcome::Completed) << cycle;
        ASSERT_EQ(bench.Do(&CommandFlows::DoVerify), CommandOutcome::Completed) << cycle;
        bench.simulator.ClearTrace();
        if (cycle == 0) {
            descriptorsBefore = OpenDescriptors();
            residentAfterFirst = StatusKilobytes("VmRSS:");
        }
    }
    const int descriptorsAfter = OpenDescriptors();
    const long residentAfter = StatusKilobytes("VmRSS:");
    std::printf("soak: %d cycles, descriptors %d -> %d, resident %ld kB -> %ld kB, peak %ld kB\n", cycles, descriptorsBefore,
                descriptorsAfter, residentAfterFirst, residentAfter, StatusKilobytes("VmHWM:"));
    EXPECT_EQ(descriptorsAfter, descriptorsBefore);
#ifndef KORVEXC_SANITIZED
    // Under AddressSanitizer the resident size follows its own caches; LeakSanitizer judges there.
    EXPECT_LT(residentAfter - residentAfterFirst, 8 * 1024);
#endif
    EXPECT_TRUE(!ChipBench::HasLockFile(bench.simulator.Path()));
}
