// Every fault of the line, the programmer, the port and the input, against
// the real flows and envelope on a pseudo-terminal. Whatever happens, the
// operator is told once, the port ends closed with no lock file left, the
// controls are enabled again, nothing hangs, and no success is claimed.
#include "AssemblerListing.h"
#include "ChipBench.h"
#include "PortChecks.h"
#include "image/HexWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
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
    EXPECT_FALSE(bench.sim.link.IsOpen()) << label;
    EXPECT_FALSE(bench.ui.locked) << label;
    EXPECT_EQ(bench.ui.disables, bench.ui.enables) << label;
    EXPECT_TRUE(!PortChecks::HasLockFile(bench.sim.simulator.Path())) << label;
}

// A small whole chip: 40 words, 32 EEPROM bytes, ID words and the configuration word.
QString SmallChipFile(const QTemporaryDir& dir)
{
    HexWriter writer;
    for (int w = 0; w < 40; ++w) {
        writer.Add(2 * w, std::uint8_t(w * 7));
        writer.Add(2 * w + 1, std::uint8_t(w % 0x3F));
    }
    for (int i = 0; i < 8; ++i)
        writer.Add(0x4000 + i, std::uint8_t(i & 1 ? 0 : i + 1));
    writer.Add(0x400E, 0x72);
    writer.Add(0x400F, 0x3F);
    for (int i = 0; i < 32; ++i)
        writer.Add(0x4200 + i, std::uint8_t(0xA0 + i));
    const QString path = dir.filePath("small.hex");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(writer.Text());
    return path;
}

}  // namespace

TEST(Faults, NoProgrammerOrOneThatAnswersOnlyTheThirdPing)
{
    SimulatorFaults never;
    never.neverAnswer = true;
    ChipBench absent(never);
    absent.flows.DoErase();
    EXPECT_EQ(absent.ui.messages, QStringList{"Korvex with pgm firmware not detected"});
    EXPECT_TRUE(absent.ui.statuses.isEmpty());
    EXPECT_EQ(absent.Commands(), (QStringList{"@", "@", "@"}));
    ExpectCleanEnd(absent, "absent");
    EXPECT_TRUE(PortChecks::IsFree(absent.sim.simulator.Path()));

    SimulatorFaults third;
    third.answerFromPing = 3;
    ChipBench late(third);
    late.flows.DoErase();
    EXPECT_TRUE(late.ui.messages.isEmpty());
    EXPECT_EQ(late.ui.statuses.back(), "Erase complete");
    EXPECT_EQ(late.Commands().mid(0, 4), (QStringList{"@", "@", "@", "A"}));
    ExpectCleanEnd(late, "third ping");
}

TEST(Faults, SilenceAfterAnyByteOfAProgramRunStopsItOnceWithinTheLimit)
{
    QTemporaryDir dir;
    const QString file = SmallChipFile(dir);
    ChipBench whole;
    whole.file = file;
    whole.flows.DoProgram();
    ASSERT_EQ(whole.ui.statuses.back(), "Done");
    whole.sim.Settle();
    const int total = int(whole.sim.FromProgram().size());

    std::vector<int> positions{0, 1, 2, 3, 4, 5, 6};  // the ping and the erase
    for (int n = 7; n < total; n += std::max(1, total / 220))
        positions.push_back(n);
    int passed = 0;
    for (const int silentAfter : positions) {
        SimulatorFaults faults;
        faults.silentAfterBytes = silentAfter;
        ChipBench bench(faults, milliseconds(100));
        bench.file = file;
        const auto start = steady_clock::now();
        bench.flows.DoProgram();
        const auto took = steady_clock::now() - start;
        const std::string label = "silent after " + std::to_string(silentAfter);
        const int failuresBefore = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        EXPECT_EQ(bench.ui.messages.size(), 1) << label;
        EXPECT_TRUE(bench.ui.messages.value(0).contains(silentAfter == 0 ? "not detected" : "stopped responding")) << label;
        EXPECT_FALSE(ClaimsSuccess(bench.ui)) << label;
        EXPECT_LT(took, milliseconds(1500)) << label;
        bench.sim.Settle();
        EXPECT_EQ(bench.sim.FromProgram().size(), silentAfter == 0 ? 3 : silentAfter + 1) << label;
        ExpectCleanEnd(bench, label);
        EXPECT_TRUE(PortChecks::IsFree(bench.sim.simulator.Path())) << label;
        passed += ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() == failuresBefore;
    }
    std::printf("silence: %zu positions over %d bytes, %d passed\n", positions.size(), total, passed);
    EXPECT_GE(positions.size(), 200u);
}

TEST(Faults, ThePseudoTerminalClosingUnderTheProgramIsReportedAtOnce)
{
    QTemporaryDir dir;
    const QString file = SmallChipFile(dir);
    for (const long hangupAfter : {1L, 5L, 40L, 200L, 400L, 500L}) {
        SimulatorFaults faults;
        faults.hangupAfterBytes = hangupAfter;
        ChipBench bench(faults, milliseconds(2000));
        bench.file = file;
        const auto start = steady_clock::now();
        bench.flows.DoProgram();
        const std::string label = "hang-up after " + std::to_string(hangupAfter);
        EXPECT_LT(steady_clock::now() - start, milliseconds(1500)) << label << ": the port's error ends it, not the limit";
        EXPECT_EQ(bench.ui.messages.filter("stopped responding").size(), 1) << label;
        EXPECT_FALSE(ClaimsSuccess(bench.ui)) << label;
        ExpectCleanEnd(bench, label);
    }
}

TEST(Faults, WrongEchoesFloodsAndStaleBytes)
{
    SimulatorFaults garbled;
    garbled.garbleEchoes = true;
    ChipBench wrong(garbled, milliseconds(200));
    wrong.flows.DoErase();
    EXPECT_EQ(wrong.ui.messages.filter("the echo of \"A\"").size(), 1);
    EXPECT_FALSE(ClaimsSuccess(wrong.ui));
    ExpectCleanEnd(wrong, "garbled");

    for (const long floodAfter : {1L, 3L, 10L}) {
        SimulatorFaults flood;
        flood.floodAfterBytes = floodAfter;
        ChipBench bench(flood, milliseconds(200));
        bench.file = kFixtures + "/counter.hex";
        const auto start = steady_clock::now();
        bench.flows.DoVerify();
        EXPECT_LT(steady_clock::now() - start, milliseconds(1500)) << "a flood does not extend the wait";
        EXPECT_EQ(bench.ui.messages.filter("stopped responding").size(), 1) << floodAfter;
        EXPECT_FALSE(ClaimsSuccess(bench.ui));
        ExpectCleanEnd(bench, "flood");
    }

    for (const QByteArray& stale : {QByteArray("junk\0\xFF", 6), QByteArray("AB^C"), QByteArray(900, 'x')}) {
        ChipBench bench;
        bench.sim.simulator.Inject(stale);
        bench.flows.DoErase();
        EXPECT_TRUE(bench.ui.messages.isEmpty());
        EXPECT_EQ(bench.ui.statuses.value(1), "Erase complete");
        ExpectCleanEnd(bench, "stale");
    }
}

TEST(Faults, ASlowProgrammerStillWorks)
{
    HexWriter writer;
    for (int i = 0; i < 16; ++i)
        writer.Add(i, std::uint8_t(i));
    for (int i = 0; i < 4; ++i)
        writer.Add(0x4200 + i, std::uint8_t(i));
    QTemporaryDir dir;
    QFile file(dir.filePath("tiny.hex"));
    file.open(QIODevice::WriteOnly);
    file.write(writer.Text());
    file.close();

    SimulatorTiming slow;
    slow.latency = milliseconds(30);
    ChipBench bench({}, ProgrammerProtocol::kDefaultReplyLimit, slow);
    bench.file = file.fileName();
    bench.flows.DoProgram();
    EXPECT_EQ(bench.ui.statuses.back(), "Done");
    bench.flows.DoVerify();
    EXPECT_EQ(bench.ui.statuses.back(), "Verify Complete");
    EXPECT_TRUE(bench.ui.messages.isEmpty());
    EXPECT_TRUE(bench.ui.questions.isEmpty());
    ExpectCleanEnd(bench, "slow");
}

TEST(Faults, PortsThatCannotBeOpenedAndTextsThatAreNoPorts)
{
    ChipBench bench;
    const QString path = bench.sim.simulator.Path();
    for (const QString& text : {QString(), QStringLiteral("abc"), QStringLiteral("-1"), QStringLiteral("70000"),
                                QStringLiteral("1.5"), QString(10000, u'7'), QStringLiteral("/etc/passwd"),
                                QStringLiteral("/dev/../etc/passwd"), QStringLiteral("/dev/ttyKORVEXC-none")}) {
        bench.ui.messages.clear();
        bench.portText = text;
        bench.flows.DoErase();
        EXPECT_EQ(bench.ui.messages.size(), 1) << text.left(20).toStdString();
        EXPECT_LT(bench.ui.messages.value(0).size(), 300);
        ExpectCleanEnd(bench, text.left(20).toStdString());
    }
    {
        QSerialPort holder(path);
        ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
        bench.ui.messages.clear();
        bench.portText = path;
        bench.flows.DoErase();
        EXPECT_EQ(bench.ui.messages.size(), 1);
        EXPECT_TRUE(bench.ui.messages.value(0).contains("another program")) << bench.ui.messages.value(0).toStdString();
        EXPECT_FALSE(bench.sim.link.IsOpen());
    }
    EXPECT_TRUE(!PortChecks::HasLockFile(path));
    EXPECT_TRUE(bench.sim.simulator.Trace().empty()) << "nothing reached the programmer";
}

TEST(Faults, PingSettingsThatAreNoCountFallBackToTheDefault)
{
    for (const QString& pto : {QStringLiteral("0"), QStringLiteral("-5"), QStringLiteral("1.5"), QStringLiteral("x"),
                               QStringLiteral("99999999999")}) {
        ChipBench present;
        present.pingReads = pto;
        present.flows.DoErase();
        EXPECT_EQ(present.ui.statuses.value(1), "Erase complete") << pto.toStdString();
    }
    SimulatorFaults never;
    never.neverAnswer = true;
    ChipBench absent(never);
    absent.pingReads = QStringLiteral("99999999999");
    const auto start = steady_clock::now();
    absent.flows.DoErase();
    const auto took = steady_clock::now() - start;
    EXPECT_GT(took, milliseconds(2500));
    EXPECT_LT(took, milliseconds(8000));
    EXPECT_EQ(absent.ui.messages.size(), 1);
}

TEST(Faults, HexFilesThatAreBinaryEmptyHugeOrUnreadable)
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString& name, const QByteArray& data) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(data);
        return file.fileName();
    };
    std::mt19937 random(99);
    QByteArray binary(256 * 1024, Qt::Uninitialized);
    for (char& c : binary)
        c = char(random());
    QByteArray huge;
    for (int i = 0; i < 200000; ++i)
        huge += ":10000000000102030405060708090A0B0C0D0E0F78\n";

    // Files that fail to load: nothing beyond the detection is sent.
    for (const QString& unreadable : {dir.filePath("missing.hex"), dir.path(), QStringLiteral("/proc/self/mem"), QString()}) {
        for (const bool program : {false, true}) {
            ChipBench bench;
            bench.file = unreadable;
            program ? bench.flows.DoProgram() : bench.flows.DoVerify();
            EXPECT_EQ(bench.Commands(), QStringList{"@"}) << unreadable.toStdString();
            EXPECT_EQ(bench.ui.messages.size(), 1) << unreadable.toStdString();
            EXPECT_FALSE(ClaimsSuccess(bench.ui));
            ExpectCleanEnd(bench, unreadable.toStdString());
        }
    }
    // Files that load, however odd: the command runs to its end.
    for (const QString& odd : {write("binary.hex", binary), write("empty.hex", {}), write("huge.hex", huge)}) {
        ChipBench bench;
        bench.file = odd;
        bench.flows.DoProgram();
        EXPECT_EQ(bench.ui.statuses.back(), "Done") << odd.toStdString();
        bench.flows.DoVerify();
        EXPECT_EQ(bench.ui.statuses.back(), "Verify Complete") << odd.toStdString();
        EXPECT_TRUE(bench.ui.questions.isEmpty()) << odd.toStdString();
        ExpectCleanEnd(bench, odd.toStdString());
    }
}

namespace {

int OpenDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

// Under AddressSanitizer the resident size follows the sanitizer's own
// caches, not the program's memory: there LeakSanitizer judges, and the size
// is only judged in a plain build.
#if defined(__SANITIZE_ADDRESS__)
#define KORVEXC_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEXC_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef KORVEXC_ADDRESS_SANITIZER
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

long StatusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

}  // namespace

TEST(Soak, ProgramAndVerifyCyclesLeakNothing)
{
    const int cycles = qEnvironmentVariableIntValue("KORVEXC_SOAK_CYCLES") > 0 ? qEnvironmentVariableIntValue("KORVEXC_SOAK_CYCLES") : 3;
    const auto expected = AssemblerListing::Bytes(kFixtures + "/gaps.lst");
    ChipBench bench;
    bench.file = kFixtures + "/gaps.hex";
    int descriptorsBefore = 0;
    long residentAfterFirst = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        // A chip full of noise, so that each cycle must write everything again.
        bench.sim.simulator.WithModel([cycle](FirmwareModel& model) {
            std::mt19937 random(cycle);
            for (auto& word : model.program)
                word = std::uint16_t(random() & 0x3FFF);
        });
        // The operator's records are the test's, not the program's: keep them from growing.
        bench.ui.statuses.clear();
        bench.ui.yieldsAfterStatus.clear();
        bench.flows.DoProgram();
        ASSERT_EQ(bench.ui.statuses.back(), "Done") << cycle;
        bench.flows.DoVerify();
        ASSERT_EQ(bench.ui.statuses.back(), "Verify Complete") << cycle;
        ASSERT_TRUE(bench.ui.questions.isEmpty());
        bench.sim.simulator.WithModel([&](FirmwareModel& model) {
            for (const auto& [address, byte] : expected) {
                if (address < 0x4000) {
                    ASSERT_EQ((address & 1 ? model.program[address / 2] >> 8 : model.program[address / 2] & 0xFF), byte);
                }
            }
        });
        bench.sim.simulator.ClearTrace();
        if (cycle == 0) {
            descriptorsBefore = OpenDescriptors();
            residentAfterFirst = StatusKilobytes("VmRSS:");
        }
    }
    const int descriptorsAfter = OpenDescriptors();
    const long residentAfter = StatusKilobytes("VmRSS:");
    std::printf("soak: %d cycles, descriptors %d -> %d, resident %ld kB -> %ld kB, peak %ld kB\n", cycles,
                descriptorsBefore, descriptorsAfter, residentAfterFirst, residentAfter, StatusKilobytes("VmHWM:"));
    EXPECT_EQ(descriptorsAfter, descriptorsBefore);
    if (!kSanitized) {
        EXPECT_LT(residentAfter - residentAfterFirst, 8 * 1024);
    }
    EXPECT_TRUE(!PortChecks::HasLockFile(bench.sim.simulator.Path()));
    EXPECT_TRUE(bench.ui.messages.empty() || bench.ui.messages.filter("stopped").isEmpty());
}
