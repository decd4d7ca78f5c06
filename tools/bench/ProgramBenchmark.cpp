// Programs and verifies a full chip through korvexc-sim paced at 19200 baud,
// and sets the time it takes against the time the bytes need on the wire;
// then times "not detected" against a simulator that never answers.
//   korvexc-bench [path/to/korvexc-sim]
#include "image/HexWriter.h"
#include "image/MemoryImage.h"
#include "link/LineRate.h"
#include "link/QtSerialLink.h"
#include "ops/CommandEnvelope.h"
#include "ops/CommandFlows.h"
#include "ops/OperatorInterface.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sched.h>
#include <sys/resource.h>
#include <chrono>
#include <cstdio>
#include <random>

namespace {

// Answers every prompt with its default and every mismatch with go on, and counts what it was told.
class HeadlessOperator : public OperatorInterface {
public:
    void SetStatus(const QString& text) override { last = text; }
    void ShowProgress(const Progress&) override {}
    void PassCompleted(Pass) override {}
    void SafePoint() override {}
    void ShowMessage(const QString& text) override
    {
        ++messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool Mismatched(const Mismatch& mismatch) override
    {
        ShowMessage(QStringLiteral("mismatch at %1").arg(mismatch.address));
        return true;
    }
    void HexFileNotice(const HexNotice& notice) override
    {
        if (notice.kind != HexNotice::Kind::EepromLayoutUsed)
            ShowMessage(notice.text);
    }
    void CommandFailed(const Failure& failure) override { ShowMessage(failure.detail); }
    bool GoOnDespite(const ChipDoubt&) override
    {
        ShowMessage(QStringLiteral("not the chip expected"));
        return false;
    }
    QString PromptFuse(int currentValue) override { return QString::number(currentValue, 16); }

    QString last;
    int messages = 0;
};

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QByteArray FullChip()
{
    std::mt19937 random(2026);
    HexWriter writer;
    for (int w = 0; w < 8192; ++w) {
        const int word = int(random() & 0x3FFF);
        writer.Add(2 * w, std::uint8_t(word & 0xFF));
        writer.Add(2 * w + 1, std::uint8_t(word >> 8));
    }
    for (int id = 0; id < 4; ++id) {
        writer.Add(0x4000 + 2 * id, std::uint8_t(id + 1));
        writer.Add(0x4001 + 2 * id, 0);
    }
    writer.Add(0x400E, 0x72);
    writer.Add(0x400F, 0x3F);
    for (int i = 0; i < 256; ++i)
        writer.Add(0x4200 + i, std::uint8_t(random()));
    return writer.Text();
}

// The port the simulator serves, once it has started; empty when it did not.
QString StartSimulator(QProcess& simulator, const QString& path, const QStringList& options)
{
    simulator.start(path, options);
    if (!simulator.waitForStarted() || !simulator.waitForReadyRead(5000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(path));
        return QString();
    }
    return QString::fromLocal8Bit(simulator.readLine()).trimmed();
}

// With the default ping budget, three attempts of about a second each, spent waiting rather than spinning.
void TimeNoProgrammer(const QString& simulatorPath)
{
    QProcess silent;
    const QString port = StartSimulator(silent, simulatorPath, {"--never-answer"});
    if (port.isEmpty())
        return;
    QtSerialLink link;
    HeadlessOperator ui;
    CommandEnvelope envelope(link, ui);
    CommandRequest request;
    request.port = port;
    request.pingReads = [] { return QString(); };
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    envelope.Run(request, [](ProgrammerProtocol&) { return CommandOutcome::Completed; });
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("no programmer: not detected after %.2f s, host CPU %.3f s\n", wall, CpuSeconds() - cpuStart);
    silent.terminate();
    silent.waitForFinished(5000);
}

// The program and the simulator take turns and are never busy together: on
// one core the simulator's reply wakes the program as a serial interrupt
// would, without the cross-core wake-up that a pseudo-terminal adds.
void KeepToOneCore()
{
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    sched_setaffinity(0, sizeof one, &one);
}

// What the simulator said as it stopped.
QString StopSimulator(QProcess& simulator)
{
    simulator.terminate();
    simulator.waitForFinished(5000);
    return QString::fromLocal8Bit(simulator.readAllStandardError());
}

bool WriteFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

void PrintFigures(long long bytes, double wall, double cpu)
{
    const double wire = double(bytes) * LineRate::kByteSeconds;
    std::printf("full chip programmed and verified at %d baud\n", LineRate::kBaud);
    std::printf("  bytes on the wire   %lld\n", bytes);
    std::printf("  wall time           %.2f s\n", wall);
    std::printf("  wire time           %.2f s\n", wire);
    std::printf("  ratio               %.4f\n", wall / wire);
    std::printf("  host CPU            %.2f s (%.2f%% of wall)\n", cpu, 100.0 * cpu / wall);
}

}  // namespace

int main(int argc, char** argv)
{
    KeepToOneCore();
    QCoreApplication app(argc, argv);
    const QString simulatorPath =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QCoreApplication::applicationDirPath() + "/../tools/korvexc-sim";
    QTemporaryDir dir;
    const QString hex = dir.filePath("full.hex");
    if (!WriteFile(hex, FullChip()))
        return 1;

    QProcess simulator;
    const QString port = StartSimulator(simulator, simulatorPath, {"--paced"});
    if (port.isEmpty())
        return 1;

    QtSerialLink link;
    HeadlessOperator ui;
    CommandEnvelope envelope(link, ui);
    CommandFlows flows(envelope, ui);
    CommandRequest request;
    request.port = port;
    request.pingReads = [] { return QString(); };
    request.file = hex;

    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    flows.DoProgram(request);
    const QString programmed = ui.last;
    flows.DoVerify(request);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuStart;

    const QString summary = StopSimulator(simulator);
    const auto counts = QRegularExpression(QStringLiteral("received (\\d+), sent (\\d+)")).match(summary);
    if (!counts.hasMatch() || programmed != "Done" || ui.last != "Verify Complete" || ui.messages != 0) {
        std::fprintf(stderr, "the run did not complete: %s / %s\n%s", qPrintable(programmed), qPrintable(ui.last),
                     qPrintable(summary));
        return 1;
    }
    PrintFigures(counts.captured(1).toLongLong() + counts.captured(2).toLongLong(), wall, cpu);
    TimeNoProgrammer(simulatorPath);
    return 0;
}
