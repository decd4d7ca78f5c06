#include "BoardSimulation.h"
#include "ChipFile.h"
#include "PinChip.h"
#include "Version.h"

#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

namespace {

std::atomic<bool> stopping{false};

void Stop(int)
{
    stopping = true;
}

struct Board {
    std::unique_ptr<PinChip> chip;
    std::unique_ptr<BoardSimulation> simulation;
    std::size_t faultsTold = 0;
};

struct BoardOptions {
    const QCommandLineOption load{QStringLiteral("load"), QStringLiteral("Fill the chip from an Intel HEX file at start."),
                                  QStringLiteral("file")};
    const QCommandLineOption save{QStringLiteral("save"),
                                  QStringLiteral("Write the chip's memories to an Intel HEX file at exit."),
                                  QStringLiteral("file")};
    const QCommandLineOption count{QStringLiteral("count"),
                                   QStringLiteral("Simulate N boards, each on a pseudo-terminal of its own, one path a line."),
                                   QStringLiteral("N"), QStringLiteral("1")};
    const QCommandLineOption deviceId{QStringLiteral("device-id"),
                                      QStringLiteral("The chip's device ID word, in hexadecimal (default 0E20)."),
                                      QStringLiteral("HEX"), QStringLiteral("0E20")};
    const QCommandLineOption noChip{QStringLiteral("no-chip"), QStringLiteral("No chip on the pins.")};
    const QCommandLineOption unpowered{QStringLiteral("unpowered"), QStringLiteral("A chip without power.")};
    const QCommandLineOption lvpOff{QStringLiteral("lvp-off"),
                                    QStringLiteral("A chip whose configuration word has LVP cleared.")};
    const QCommandLineOption stats{QStringLiteral("stats"),
                                   QStringLiteral("At exit, tell the longest the firmware took to answer a byte.")};
    const QCommandLineOption firmware{QStringLiteral("firmware"), QStringLiteral("The firmware's ELF file."),
                                      QStringLiteral("file"), QStringLiteral(KORVEXC_FIRMWARE_ELF)};
};

std::unique_ptr<PinChip> MakeChip(const QCommandLineParser& parser, const BoardOptions& options)
{
    bool ok = false;
    PinChip::Options chip;
    chip.deviceId = std::uint16_t(parser.value(options.deviceId).toUInt(&ok, 16));
    chip.present = !parser.isSet(options.noChip);
    chip.powered = !parser.isSet(options.unpowered);
    if (!ok)
        return nullptr;
    auto made = std::make_unique<PinChip>(chip);
    if (parser.isSet(options.load) && !ChipFile::Load(*made, parser.value(options.load)))
        return nullptr;
    if (parser.isSet(options.lvpOff))
        made->configuration &= std::uint16_t(~0x0080);
    return made;
}

// Each broken rule is told once, as it comes.
void TellFaults(std::vector<Board>& boards)
{
    for (std::size_t i = 0; i < boards.size(); ++i) {
        const std::vector<std::string> faults = boards[i].simulation->Faults();
        for (; boards[i].faultsTold < faults.size(); ++boards[i].faultsTold)
            std::fprintf(stderr, "korvexc-board %zu: %s\n", i + 1, faults[boards[i].faultsTold].c_str());
    }
}

// A board a count, each with its chip; nothing, said why and with the exit
// code in `failure`, when one cannot be made.
std::optional<std::vector<Board>> MakeBoards(const QCommandLineParser& parser, const BoardOptions& options, int count,
                                             int& failure)
{
    std::vector<Board> boards(static_cast<std::size_t>(count));
    for (Board& board : boards) {
        board.chip = MakeChip(parser, options);
        if (!board.chip) {
            std::fprintf(stderr, "korvexc-board: the device ID or the file to load is not valid\n");
            failure = 2;
            return std::nullopt;
        }
        board.simulation = std::make_unique<BoardSimulation>(parser.value(options.firmware).toStdString(), *board.chip);
        if (!board.simulation->Loaded()) {
            std::fprintf(stderr, "korvexc-board: cannot load the firmware %s\n", qPrintable(parser.value(options.firmware)));
            failure = 1;
            return std::nullopt;
        }
        std::printf("%s\n", board.simulation->PortPath().c_str());
    }
    std::fflush(stdout);
    return boards;
}

// Runs every board on a thread of its own until a signal stops them.
void Serve(std::vector<Board>& boards)
{
    std::signal(SIGINT, Stop);
    std::signal(SIGTERM, Stop);
    std::signal(SIGHUP, Stop);
    std::vector<std::thread> threads;
    for (Board& board : boards)
        threads.emplace_back([&board] { board.simulation->Run(stopping); });
    // Boards whose starter is gone (a test killed mid-run) stop, rather than spin on for no one.
    const pid_t starter = getppid();
    while (!stopping) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        TellFaults(boards);
        stopping = stopping || getppid() != starter;
    }
    for (std::thread& thread : threads)
        thread.join();
    TellFaults(boards);
}

// The exit code once stopped: 3 when a board broke a rule of the chip.
int Finish(const std::vector<Board>& boards, bool stats)
{
    int code = 0;
    for (std::size_t i = 0; i < boards.size(); ++i) {
        code = boards[i].simulation->Faults().empty() ? code : 3;
        if (stats)
            std::fprintf(stderr, "korvexc-board %zu: the slowest answer came %llu cycles after its byte\n", i + 1,
                         static_cast<unsigned long long>(boards[i].simulation->WorstAnswerCycles()));
    }
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvexc-board"));
    QCoreApplication::setApplicationVersion(QLatin1String(Version::kText));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the programmer's firmware on simulated Arduino boards, each wired to a simulated chip at its "
                       "pins, a pseudo-terminal a board.\nExits with 3 when the firmware broke a rule of the chip."));
    parser.addHelpOption();
    parser.addVersionOption();
    const BoardOptions options;
    parser.addOptions({options.load, options.save, options.count, options.deviceId, options.noChip, options.unpowered,
                       options.lvpOff, options.stats, options.firmware});
    parser.process(app);
    const int count = parser.value(options.count).toInt();
    if (count < 1 || count > 16 || (count > 1 && parser.isSet(options.save))) {
        std::fprintf(stderr, "korvexc-board: a value given to an option is not valid; see --help\n");
        return 2;
    }
    int failure = 0;
    std::optional<std::vector<Board>> boards = MakeBoards(parser, options, count, failure);
    if (!boards)
        return failure;
    Serve(*boards);
    int code = Finish(*boards, parser.isSet(options.stats));
    if (parser.isSet(options.save) && !ChipFile::Save(*boards->front().chip, parser.value(options.save))) {
        std::fprintf(stderr, "korvexc-board: cannot write %s\n", qPrintable(parser.value(options.save)));
        code = 1;
    }
    // The boards are not taken down: see BoardSimulation.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}
