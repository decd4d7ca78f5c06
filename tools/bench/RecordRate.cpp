// How many chips a line records per second: one station and four, each a gang
// of four unpaced simulated programmers, into a SQLite file and into a
// PostgreSQL server of its own. Each round programs small.hex on every
// programmer, serial numbered.
#include "PostgresServer.h"
#include "StationProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kGang = 4;
constexpr int kRounds = 10;

// Chips recorded per second, or nothing when a run failed.
std::optional<double> ChipsPerSecond(const QString& cli, const QString& hex, const QString& record, int stations)
{
    std::vector<std::unique_ptr<StationProcess>> line;
    for (int s = 0; s < stations; ++s)
        line.push_back(std::make_unique<StationProcess>(cli, kGang));
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < kRounds; ++round) {
        for (const auto& station : line)
            station->Start(record, hex);
        for (const auto& station : line) {
            if (station->Finish() != 0) {
                std::fprintf(stderr, "%s\n", qPrintable(station->Errors()));
                return std::nullopt;
            }
        }
    }
    return stations * kGang * kRounds / (double(clock.elapsed()) / 1000.0);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString bin = QCoreApplication::applicationDirPath();
    const QString cli = argc > 1 ? QString::fromLocal8Bit(argv[1]) : bin + "/../src/korvexc-cli";
    const QString hex = argc > 2 ? QString::fromLocal8Bit(argv[2]) : bin + "/../../../tests/fixtures/small.hex";
    QTemporaryDir files;
    PostgresServer server;
    const QString serverProblem = server.Start();
    if (!serverProblem.isEmpty())
        std::printf("PostgreSQL: %s\n", qPrintable(serverProblem));
    int failed = 0;
    for (const int stations : {1, 4}) {
        for (const bool shared : {false, true}) {
            if (shared && !serverProblem.isEmpty())
                continue;
            const QString record = shared ? server.Url() : files.filePath(QStringLiteral("line%1.db").arg(stations));
            const std::optional<double> rate = ChipsPerSecond(cli, hex, record, stations);
            failed += !rate;
            std::printf("%d station(s) of %d, %-10s: %s chips recorded per second\n", stations, kGang,
                        shared ? "PostgreSQL" : "SQLite", rate ? qPrintable(QString::number(*rate, 'f', 1)) : "failed");
        }
    }
    return failed;
}
