// How many chips a line records per second: one station and four, each a gang
// of four unpaced simulated programmers, into a SQLite file and into a
// PostgreSQL server of its own. Each round programs small.hex on every
// programmer, serial numbered. Then the record alone: rows begun and completed
// per second by four writers, with the hash chain and with the completion as
// it was before the chain, in alternating turns.
#include "PostgresServer.h"
#include "StationProcess.h"
#include "production/ProductionRecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

constexpr int kGang = 4;
constexpr int kRounds = 10;
constexpr int kRowsPerWriter = 250;
constexpr int kTurns = 4;

// One writer's rows: begun, then completed with the chain or by the bare update of old.
bool WriteRows(const QString& address, int writer, bool chained)
{
    const QString name = QStringLiteral("bench-%1").arg(writer);
    ProductionRecord record(address, name);
    LinePlan plan;
    plan.command = ChipCommand::Program;
    for (int row = 0; row < kRowsPerWriter; ++row) {
        const std::optional<ProductionRecord::Row> begun = record.Begin({plan, QStringLiteral("p%1").arg(writer), {}, false});
        if (!begun)
            return false;
        if (chained) {
            if (!record.Finish(*begun, {QStringLiteral("success"), {}, 1.5, QStringLiteral("0E20")}))
                return false;
            continue;
        }
        QSqlQuery update(QSqlDatabase::database(name));
        update.prepare(QStringLiteral("UPDATE chips SET result = ?, first_mismatch = ?, seconds = ?, device = ? WHERE id = ?"));
        for (const QVariant& value : {QVariant(QStringLiteral("success")), QVariant(), QVariant(1.5),
                                      QVariant(QStringLiteral("0E20")), QVariant(begun->id)})
            update.addBindValue(value);
        if (!update.exec())
            return false;
    }
    return true;
}

// Rows per second for that many writers at once, or nothing when one failed.
std::optional<double> RowsPerSecond(const QString& address, int writers, bool chained)
{
    std::atomic<bool> failed{false};
    std::vector<std::unique_ptr<QThread>> threads;
    QElapsedTimer clock;
    clock.start();
    for (int writer = 0; writer < writers; ++writer) {
        threads.emplace_back(QThread::create([&, writer] { failed = !WriteRows(address, writer, chained) || failed; }));
        threads.back()->start();
    }
    for (const auto& thread : threads)
        thread->wait();
    return failed ? std::nullopt : std::optional(writers * kRowsPerWriter / (double(clock.elapsed()) / 1000.0));
}

// The record's own rate with the chain against without; false when a run failed.
bool CompareChain(const QString& address, const char* kind)
{
    if (!ProductionRecord::Create(address).isEmpty())
        return false;
    for (const int writers : {1, kGang}) {
        double with = 0, without = 0;
        for (int turn = 0; turn < kTurns; ++turn) {
            const std::optional<double> bare = RowsPerSecond(address, writers, false),
                                        chained = RowsPerSecond(address, writers, true);
            if (!bare || !chained)
                return false;
            without += *bare / kTurns;
            with += *chained / kTurns;
        }
        std::printf("record alone, %d writer(s), %-10s: %.1f rows per second with the chain, %.1f without: %.2f\n", writers, kind,
                    with, without, with / without);
    }
    return true;
}

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
        if (qEnvironmentVariableIsSet("KORVEXC_RECORD_ALONE"))
            break;
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
    failed += !CompareChain(files.filePath(QStringLiteral("chain.db")), "SQLite");
    if (serverProblem.isEmpty())
        failed += !CompareChain(server.Url(), "PostgreSQL");
    return failed;
}
