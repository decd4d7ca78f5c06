// korvexc-sim: a stand-in for the programmer and its target chip, served on a
// pseudo-terminal whose path it prints. Runs until interrupted.
#include "PtySimulator.h"
#include "Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

std::optional<SimulatorFaults::StuckBit> ParseStuckBit(const QString& text, bool* ok)
{
    const QStringList parts = text.split(u':');
    *ok = parts.size() == 2 || parts.size() == 3;
    if (!*ok)
        return std::nullopt;
    bool a = false, b = false, c = true;
    SimulatorFaults::StuckBit stuck{parts[0].toInt(&a, 16), parts[1].toInt(&b), parts.size() == 3 ? parts[2].toInt(&c) : 0};
    *ok = a && b && c && stuck.wordAddress >= 0 && stuck.wordAddress < FirmwareModel::kProgramWords && stuck.bit >= 0
          && stuck.bit < 14 && (stuck.level == 0 || stuck.level == 1);
    return stuck;
}

bool SaveChip(PtySimulator& simulator, const QString& path)
{
    QByteArray text;
    simulator.WithModel([&text](FirmwareModel& model) { text = model.SaveHex(); });
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// The sockets file: a line per programmer, 1 when a chip is seated, 0 when the socket is empty.
void SeatChips(const std::vector<std::unique_ptr<PtySimulator>>& simulators, const QString& path)
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
    const QCommandLineOption load(QStringLiteral("load"), QStringLiteral("Fill the chip from an Intel HEX file at start."),
                                  QStringLiteral("file"));
    const QCommandLineOption save(QStringLiteral("save"),
                                  QStringLiteral(
                                      "Keep the chip's memory in this Intel HEX file, rewritten after every change and at exit."),
                                  QStringLiteral("file"));
    const QCommandLineOption never(QStringLiteral("never-answer"), QStringLiteral("Answer nothing at all."));
    const QCommandLineOption ping(QStringLiteral("answer-ping"), QStringLiteral("Answer only from the Nth ping on."),
                                  QStringLiteral("N"));
    const QCommandLineOption silent(QStringLiteral("silent-after"),
                                    QStringLiteral("Go silent after N received bytes, as if unplugged."), QStringLiteral("N"));
    const QCommandLineOption stuck(QStringLiteral("stuck-bit"),
                                   QStringLiteral("A program word whose bit is stuck: hex word address, bit, level (default 0)."),
                                   QStringLiteral("addr:bit[:level]"));
    const QCommandLineOption latency(QStringLiteral("latency"),
                                     QStringLiteral("Extra delay before every reply, in milliseconds."), QStringLiteral("ms"));
    const QCommandLineOption paced(QStringLiteral("paced"),
                                   QStringLiteral("Send and take one byte every 10/19200 s, as a real 19200-baud line."));
    const QCommandLineOption
        count(QStringLiteral("count"),
              QStringLiteral("Simulate N programmers, each on a pseudo-terminal of its own, one path a line. --save takes one."),
              QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption deviceId(QStringLiteral("device-id"),
                                      QStringLiteral(
                                          "The chip's device ID word, in hexadecimal (default 0E20: 8K words, 40 pins)."),
                                      QStringLiteral("HEX"));
    const QCommandLineOption noChip(QStringLiteral("no-chip"),
                                    QStringLiteral("An empty socket: every read answers 3FFF, and nothing is written."));
    const QCommandLineOption sockets(QStringLiteral("sockets"),
                                     QStringLiteral("Seat and take out chips while running: the file holds a line per "
                                                    "programmer, 1 for a chip seated (a fresh one), 0 for an empty socket; "
                                                    "it is read five times a second."),
                                     QStringLiteral("file"));
    parser.addOptions({load, save, never, ping, silent, stuck, latency, paced, count, deviceId, noChip, sockets});
    parser.process(app);

    SimulatorFaults faults;
    faults.neverAnswer = parser.isSet(never);
    faults.noChip = parser.isSet(noChip);
    bool ok = true;
    if (parser.isSet(deviceId))
        faults.deviceId = std::uint16_t(parser.value(deviceId).toUShort(&ok, 16) & 0x3FFF);
    if (parser.isSet(ping))
        faults.answerFromPing = parser.value(ping).toInt(&ok);
    if (ok && parser.isSet(silent))
        faults.silentAfterBytes = parser.value(silent).toLong(&ok);
    if (ok && parser.isSet(stuck))
        faults.stuckBit = ParseStuckBit(parser.value(stuck), &ok);
    SimulatorTiming timing;
    timing.paced = parser.isSet(paced);
    if (ok && parser.isSet(latency))
        timing.latency = std::chrono::milliseconds(parser.value(latency).toInt(&ok));
    const int programmers = ok ? parser.value(count).toInt(&ok) : 0;
    if (!ok || programmers < 1 || programmers > 64 || (programmers > 1 && parser.isSet(save))) {
        std::fprintf(stderr, "korvexc-sim: a value given to an option is not valid; see --help\n");
        return 2;
    }

    std::vector<std::unique_ptr<PtySimulator>> simulators;
    QByteArray preset;
    if (parser.isSet(load)) {
        QFile file(parser.value(load));
        if (file.open(QIODevice::ReadOnly))
            preset = file.readAll();
    }
    for (int i = 0; i < programmers; ++i) {
        simulators.push_back(std::make_unique<PtySimulator>(faults, timing));
        simulators.back()->SetTracing(false);
        bool loaded = true;
        if (parser.isSet(load))
            simulators.back()->WithModel([&](FirmwareModel& model) { loaded = !preset.isEmpty() && model.LoadHex(preset); });
        if (!loaded) {
            std::fprintf(stderr, "korvexc-sim: cannot load %s\n", qPrintable(parser.value(load)));
            return 1;
        }
    }
    PtySimulator& simulator = *simulators.front();

    // Signals are taken by sigtimedwait below, not by handlers.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    static std::atomic<bool> changed{false};
    simulator.OnChipChanged([] { changed = true; });
    for (const auto& each : simulators) {
        if (const QString error = each->Start(); !error.isEmpty()) {
            std::fprintf(stderr, "korvexc-sim: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(each->Path()));
    }
    std::fflush(stdout);

    const timespec tick{0, 200'000'000};
    const QString savePath = parser.value(save);
    for (;;) {
        const int signal = sigtimedwait(&stopSignals, nullptr, &tick);
        if (!savePath.isEmpty() && changed.exchange(false) && !SaveChip(simulator, savePath))
            std::fprintf(stderr, "korvexc-sim: cannot write %s\n", qPrintable(savePath));
        if (parser.isSet(sockets))
            SeatChips(simulators, parser.value(sockets));
        if (signal > 0)
            break;
    }
    long long received = 0;
    long long sent = 0;
    for (const auto& each : simulators) {
        each->Stop();
        received += each->BytesFromProgram();
        sent += each->BytesFromSimulator();
    }
    std::fprintf(stderr, "korvexc-sim: bytes received %lld, sent %lld\n", received, sent);
    if (!savePath.isEmpty() && !SaveChip(simulator, savePath)) {
        std::fprintf(stderr, "korvexc-sim: cannot write %s\n", qPrintable(savePath));
        return 1;
    }
    return 0;
}
