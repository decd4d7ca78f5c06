// korvexc-sim: a stand-in for the programmer and its target chip, served on a
// pseudo-terminal whose path it prints. Runs until interrupted.
#include "PtySimulator.h"
#include "SimOptions.h"
#include "Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Simulators = std::vector<std::unique_ptr<PtySimulator>>;

bool SaveChip(PtySimulator& simulator, const QString& path)
{
    QByteArray text;
    simulator.WithModel([&text](FirmwareModel& model) { text = model.SaveHex(); });
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// The sockets file: a line per programmer, 1 when a chip is seated, 0 when the socket is empty.
void SeatChips(const Simulators& simulators, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (size_t i = 0; i < simulators.size() && qsizetype(i) < lines.size(); ++i) {
        const QByteArray line = lines[qsizetype(i)].trimmed();
        if (line == "1" || line == "0")
            simulators[i]->WithModel([seated = line == "1"](FirmwareModel& model) { model.Seat(seated); });
    }
}

// The programmers, each with the chip the settings load; none when the file cannot be loaded.
Simulators MakeSimulators(const SimSettings& settings)
{
    QByteArray preset;
    if (settings.load) {
        QFile file(*settings.load);
        if (file.open(QIODevice::ReadOnly))
            preset = file.readAll();
    }
    Simulators simulators;
    for (int i = 0; i < settings.programmers; ++i) {
        simulators.push_back(std::make_unique<PtySimulator>(settings.faults, settings.timing));
        simulators.back()->SetTracing(false);
        bool loaded = true;
        if (settings.load)
            simulators.back()->WithModel([&](FirmwareModel& model) { loaded = !preset.isEmpty() && model.LoadHex(preset); });
        if (!loaded) {
            std::fprintf(stderr, "korvexc-sim: cannot load %s\n", qPrintable(*settings.load));
            return {};
        }
    }
    return simulators;
}

// Keeps the chip saved and the sockets seated until a signal asks to stop.
void Serve(const Simulators& simulators, const SimSettings& settings, const sigset_t& stopSignals)
{
    static std::atomic<bool> changed{false};
    simulators.front()->OnChipChanged([] { changed = true; });
    const timespec tick{0, 200'000'000};
    for (;;) {
        const int signal = sigtimedwait(&stopSignals, nullptr, &tick);
        if (!settings.save.isEmpty() && changed.exchange(false) && !SaveChip(*simulators.front(), settings.save))
            std::fprintf(stderr, "korvexc-sim: cannot write %s\n", qPrintable(settings.save));
        if (!settings.sockets.isEmpty())
            SeatChips(simulators, settings.sockets);
        if (signal > 0)
            return;
    }
}

// Stops every programmer, tells the bytes that crossed, and saves the chip a last time.
int Finish(const Simulators& simulators, const SimSettings& settings)
{
    long long received = 0;
    long long sent = 0;
    for (const auto& each : simulators) {
        each->Stop();
        received += each->BytesFromProgram();
        sent += each->BytesFromSimulator();
    }
    std::fprintf(stderr, "korvexc-sim: bytes received %lld, sent %lld\n", received, sent);
    if (!settings.save.isEmpty() && !SaveChip(*simulators.front(), settings.save)) {
        std::fprintf(stderr, "korvexc-sim: cannot write %s\n", qPrintable(settings.save));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvexc-sim"));
    QCoreApplication::setApplicationVersion(QLatin1String(Version::kText));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulates a Korvex programmer with its copier firmware and a target chip on a pseudo-terminal.\n"
                       "Type the printed path into the COM box of the window."));
    parser.addHelpOption();
    parser.addVersionOption();
    const SimOptions options;
    options.AddTo(parser);
    parser.process(app);
    const std::optional<SimSettings> settings = SimSettings::Read(parser, options);
    if (!settings) {
        std::fprintf(stderr, "korvexc-sim: a value given to an option is not valid; see --help\n");
        return 2;
    }
    const Simulators simulators = MakeSimulators(*settings);
    if (simulators.empty())
        return 1;

    // Signals are taken by sigtimedwait, not by handlers.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    for (const auto& each : simulators) {
        if (const QString error = each->Start(); !error.isEmpty()) {
            std::fprintf(stderr, "korvexc-sim: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(each->Path()));
    }
    std::fflush(stdout);
    Serve(simulators, *settings, stopSignals);
    return Finish(simulators, *settings);
}
