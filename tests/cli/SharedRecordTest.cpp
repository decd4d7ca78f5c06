// Several stations, each a korvexc-cli gang, sharing one record on a real
// PostgreSQL server; and the SQLite record of one station on a fresh file.
#include "FileBytes.h"
#include "PostgresServer.h"
#include "StationProcess.h"
#include "TestAuthority.h"
#include "production/ProductionRecord.h"

#include <gtest/gtest.h>

#include <sys/times.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <memory>
#include <set>

// Skips the test where the server's programs are not installed; any other trouble starting it fails the test.
#define START_OR_SKIP(server)                                                                       \
    if (const QString problem = (server).Start(); problem.contains(QLatin1String("not installed"))) \
        GTEST_SKIP() << problem.toStdString();                                                      \
    else                                                                                            \
        ASSERT_EQ(problem, QString())

namespace {

const QString kSmall = QStringLiteral(KORVEXC_FIXTURES "/small.hex");
const QString kCli = QStringLiteral(KORVEXC_CLI);

// The results and serial numbers of every row, oldest first.
QList<std::pair<QString, long long>> Rows(const QString& url)
{
    QList<std::pair<QString, long long>> rows;
    ProductionRecord reader(url, QStringLiteral("check"));
    QSqlQuery query(QStringLiteral("SELECT result, serial FROM chips ORDER BY id"),
                    QSqlDatabase::database(QStringLiteral("check")));
    while (query.next())
        rows.append({query.value(0).toString(), query.value(1).toLongLong()});
    return rows;
}

// What record prints with the option, and its exit code.
QString Printed(const QString& record, const char* option, int* exitCode = nullptr)
{
    QProcess print;
    print.start(kCli, {"record", record, option});
    EXPECT_TRUE(print.waitForFinished(30000));
    if (exitCode)
        *exitCode = print.exitCode();
    return QString::fromLocal8Bit(print.readAllStandardOutput());
}

}  // namespace

TEST(Stations, FourGangsShareOneServerThroughAKillAndACut)
{
    PostgresServer server;
    START_OR_SKIP(server);

    // 4 stations of 4, 25 rounds: 400 chips, each with a number of its own, from 1 up without a gap.
    std::vector<std::unique_ptr<StationProcess>> stations;
    for (int s = 0; s < 4; ++s)
        stations.push_back(std::make_unique<StationProcess>(kCli, 4));
    for (int round = 0; round < 25; ++round) {
        for (const auto& station : stations)
            station->Start(server.Url(), kSmall);
        for (const auto& station : stations)
            ASSERT_EQ(station->Finish(), 0) << round << station->Errors().toStdString();
    }
    auto rows = Rows(server.Url());
    ASSERT_EQ(rows.size(), 400);
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i], (std::pair<QString, long long>{"success", i + 1}));

    // Killed mid-chip, a station leaves its row unfinished, and its number is not given again.
    StationProcess killed(kCli, 1, SimulatorTiming{{}, true});
    killed.Start(server.Url(), kSmall);
    for (int waited = 0; killed.gang[0]->BytesFromProgram() < 20 && waited < 30000; waited += 10)
        QThread::msleep(10);
    killed.cli.kill();
    killed.Finish();

    // The server stops mid-chip and comes back: each chip finishes and its row is completed.
    StationProcess cut(kCli, 4, SimulatorTiming{{}, true});
    cut.Start(server.Url(), kSmall);
    // Every chip past its starting row (written once the chip is identified, before it is touched) when the server stops;
    // a chip that starts while the server is away is refused, as the station after this one shows.
    const auto allUnderWay = [&cut] {
        return std::all_of(cut.gang.begin(), cut.gang.end(), [](const auto& port) { return port->BytesFromProgram() >= 20; });
    };
    for (int waited = 0; !allUnderWay() && waited < 30000; waited += 10)
        QThread::msleep(10);
    server.Stop();
    // Meanwhile a station that starts is refused at once, in the server's words but not with its password.
    StationProcess refused(kCli, 1);
    refused.Start(QString(server.Url()).replace(QStringLiteral("korvexc@"), QStringLiteral("korvexc:secret@")), kSmall);
    EXPECT_EQ(refused.Finish(), 4);
    const QString refusal = refused.Errors();
    EXPECT_TRUE(refusal.contains(QLatin1String("Connection refused")) && !refusal.contains(QLatin1String("secret")))
        << refusal.toStdString();
    EXPECT_EQ(refused.gang[0]->BytesFromProgram(), 0);
    QThread::msleep(2000);
    ASSERT_EQ(server.Start(), QString());
    EXPECT_EQ(cut.Finish(), 0) << cut.Errors().toStdString();

    rows = Rows(server.Url());
    ASSERT_EQ(rows.size(), 405);
    EXPECT_EQ(rows[400], (std::pair<QString, long long>{"unfinished", 401}));
    // What the unfinished row does not have prints empty, as from a file: the server's driver reads NULL numbers as 0.
    EXPECT_TRUE(Printed(server.Url(), "--csv").contains(",401,unfinished,,,"));
    for (int i = 401; i < 405; ++i)
        EXPECT_EQ(rows[i], (std::pair<QString, long long>{"success", i + 1}));

    // A server that stays away: the chip is finished, its result waited with for 30 s, then lost; never marked passed.
    // The station knocks once a second meanwhile, rather than spinning on a refused connection.
    tms used{};
    times(&used);
    const clock_t before = used.tms_cutime + used.tms_cstime;
    StationProcess lost(kCli, 1, SimulatorTiming{{}, true});
    lost.Start(server.Url(), kSmall);
    for (int waited = 0; lost.gang[0]->BytesFromProgram() < 20 && waited < 30000; waited += 10)
        QThread::msleep(10);
    server.Stop();
    EXPECT_EQ(lost.Finish(), 4);
    times(&used);
    EXPECT_LT(used.tms_cutime + used.tms_cstime - before, 5 * sysconf(_SC_CLK_TCK));
    ASSERT_EQ(server.Start(), QString());
    EXPECT_EQ(Rows(server.Url()).back(), (std::pair<QString, long long>{"unfinished", 406}));
    // Rows completed after a wait for the server joined the chain whole; those never completed stand outside it.
    EXPECT_EQ(Printed(server.Url(), "--check"), QStringLiteral("intact: 404 rows\n"));
}

TEST(Stations, TwoStationsTakeEachLineOfAFileOfNumbersOnceAndTheChainTellsAnEdit)
{
    PostgresServer server;
    START_OR_SKIP(server);
    // Each station keeps a copy of the file: only the record keeps them from taking one line twice.
    QTemporaryDir files;
    const QString numbers = files.filePath(QStringLiteral("chips.num"));
    ASSERT_EQ(QProcess::execute(kCli,
                                {"serials", "make", numbers, "--count", "20", "--at", "retlw:1FF8:4", "--sequential", "1000"}),
              0);
    ASSERT_TRUE(QDir(files.path()).mkdir("copy") && QFile::copy(numbers, files.filePath(QStringLiteral("copy/chips.num"))));
    const QString retlw = QStringLiteral(KORVEXC_FIXTURES "/retlw-serial.hex");
    // Three rounds of eight chips for twenty lines: the last four chips find none left.
    StationProcess first(kCli, 4), second(kCli, 4);
    int failed = 0;
    for (int round = 0; round < 3; ++round) {
        first.Start(server.Url(), retlw, {"--serial-file", numbers});
        second.Start(server.Url(), retlw, {"--serial-file", files.filePath(QStringLiteral("copy/chips.num"))});
        for (StationProcess* station : {&first, &second})
            failed += station->Finish() != 0;
    }
    EXPECT_GE(failed, 1);
    const QStringList lines = Printed(server.Url(), "--csv").split(u'\n', Qt::SkipEmptyParts);
    const qsizetype column = lines[0].split(u',').indexOf(QStringLiteral("serial_line"));
    std::multiset<int> taken, each;
    for (const QString& line : lines.mid(1)) {
        if (const QString given = line.split(u',').value(column); !given.isEmpty())
            taken.insert(given.toInt());
    }
    for (int line = 1; line <= 20; ++line)
        each.insert(line);
    EXPECT_EQ(taken, each);
    // Each copy marks the lines its station took, and no other.
    int marked = 0;
    for (const QString& copy : {numbers, files.filePath(QStringLiteral("copy/chips.num"))})
        marked += int(FileBytes(copy).count(";"));
    EXPECT_EQ(marked, 20);

    EXPECT_EQ(Printed(server.Url(), "--check"), QStringLiteral("intact: %1 rows\n").arg(lines.size() - 1));
    ASSERT_EQ(server.Sql(QStringLiteral("UPDATE chips SET serial_data = NULL WHERE id = 5")), QString());
    int exitCode = 0;
    EXPECT_TRUE(Printed(server.Url(), "--check", &exitCode).startsWith(QLatin1String("broken at row 5: changed")));
    EXPECT_EQ(exitCode, 5);
}

// A row that the server refuses only at its COMMIT was never begun.
TEST(Stations, ARowTheServerRefusesOnlyAtItsCommitWasNeverBegun)
{
    PostgresServer server;
    START_OR_SKIP(server);
    ASSERT_EQ(ProductionRecord::Create(server.Url()), QString());
    ProductionRecord record(server.Url(), QStringLiteral("writer"));
    const LinePlan plan;
    ASSERT_TRUE(record.Begin({plan, QStringLiteral("p"), {}, false}));
    ASSERT_EQ(server.Sql(QStringLiteral(
                  "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE 'refused at commit'; END$$;"
                  " CREATE CONSTRAINT TRIGGER late AFTER INSERT ON chips DEFERRABLE INITIALLY DEFERRED"
                  " FOR EACH ROW EXECUTE FUNCTION refuse();")),
              QString());
    EXPECT_FALSE(record.Begin({plan, QStringLiteral("p"), {}, false}));
}

TEST(Stations, OverTlsOnlyTheRightServerIsTakenAndAStationNeedsOnlyRowRights)
{
    QTemporaryDir files;
    TestAuthority authority(files.path(), QStringLiteral("line-ca")), stranger(files.path(), QStringLiteral("other-ca"));
    ASSERT_EQ(authority.Problem() + stranger.Problem(), QString());
    ASSERT_EQ(authority.IssueServer(QStringLiteral("server"), QStringLiteral("localhost")), QString());
    PostgresServer server;
    ASSERT_EQ(server.RequireTls(authority.Path("server.crt"), authority.Path("server.key")), QString());
    START_OR_SKIP(server);
    const QString byName = QString(server.Url()).replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost"));
    const auto demanding = [](QString url, const TestAuthority& trusted) {
        return url + QStringLiteral("?sslmode=verify-full&sslrootcert=") + trusted.Certificate();
    };
    const auto run = [](const QString& record, const std::string& refusal = {}) {
        StationProcess station(kCli, 1);
        station.Start(record, kSmall);
        const int code = station.Finish();
        const std::string errors = station.Errors().toStdString();
        EXPECT_EQ(code, refusal.empty() ? 0 : 4) << errors;
        EXPECT_NE(errors.find(refusal), std::string::npos) << errors;
        EXPECT_EQ(station.gang[0]->BytesFromProgram() == 0, !refusal.empty());
    };
    run(demanding(byName, authority));
    run(demanding(byName, stranger), "certificate verify failed");
    run(demanding(server.Url(), authority), "does not match host name");
    // An option that the client library would take, but that is not passed on, is refused by name.
    run(demanding(byName, authority) + QStringLiteral("&gssencmode=disable&connect_timeout=3"), "gssencmode");

    ASSERT_EQ(server.Sql(QStringLiteral("CREATE ROLE station LOGIN PASSWORD 'se:cr@t';"
                                        " GRANT SELECT, INSERT, UPDATE ON chips TO station;"
                                        " GRANT SELECT ON schema_version TO station;"
                                        " GRANT USAGE ON SEQUENCE chips_id_seq TO station;")),
              QString());
    run(demanding(QString(byName).replace(QStringLiteral("korvexc@"), QStringLiteral("station:se%3Acr%40t@")), authority));
    EXPECT_EQ(Rows(server.Url()),
              (QList<std::pair<QString, long long>>{{QStringLiteral("success"), 1}, {QStringLiteral("success"), 2}}));
}

TEST(Stations, AGangOfSixteenCreatesAFreshFileWithoutLosingAPort)
{
    StationProcess gang(kCli, 16);
    QTemporaryDir files;
    std::vector<std::unique_ptr<QProcess>> load;
    const auto stopLoad = qScopeGuard([&load] {
        for (const auto& process : load) {
            process->kill();
            process->waitForFinished();
        }
    });
    for (const bool busy : {false, true}) {
        // The second time, every core is kept busy by other processes.
        for (int core = 0; busy && core < QThread::idealThreadCount(); ++core) {
            load.push_back(std::make_unique<QProcess>());
            load.back()->start(QStringLiteral("sh"), {"-c", "while :; do :; done"});
        }
        for (int run = 0; run < 50; ++run) {
            gang.Start(files.filePath(QStringLiteral("%1-%2.db").arg(busy).arg(run)));
            ASSERT_EQ(gang.Finish(), 0) << busy << ' ' << run << gang.Errors().toStdString();
        }
    }
}

TEST(Stations, ARecordOfAnEarlierVersionIsBroughtUpToDateAndKeepsItsRows)
{
    QTemporaryDir files;
    const QString path = files.filePath(QStringLiteral("old.db"));
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        // The tables as the first versioned release made them, with one chip.
        QSqlQuery(QStringLiteral("CREATE TABLE chips (id INTEGER PRIMARY KEY AUTOINCREMENT, started TEXT NOT NULL, host TEXT NOT "
                                 "NULL, port TEXT NOT NULL, command TEXT NOT NULL, file TEXT, sha256 TEXT, fuse TEXT, serial "
                                 "BIGINT UNIQUE, result TEXT NOT NULL DEFAULT 'unfinished', first_mismatch TEXT, seconds REAL)"),
                  db);
        QSqlQuery(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"), db);
        QSqlQuery(QStringLiteral("INSERT INTO schema_version VALUES (1)"), db);
        QSqlQuery(QStringLiteral("INSERT INTO chips (started, host, port, command, serial, result) VALUES "
                                 "('2026-01-01', 'a', 'b', 'program', 41, 'success')"),
                  db);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    StationProcess station(kCli, 1);
    station.Start(path, kSmall);
    ASSERT_EQ(station.Finish(), 0) << station.Errors().toStdString();
    const QStringList lines = Printed(path, "--csv").split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(
        lines[0].endsWith(QLatin1String(",seconds,device,job,job_sha256,program_version,lot,serial_file,serial_line,"
                                        "serial_data,chain,hash")));
    EXPECT_TRUE(lines[1].contains(QLatin1String(",41,success,")) && lines[1].endsWith(QLatin1String(",,,,,,")));
    // The chain starts after the rows of before, and the CSV carries the hash that --head gives.
    EXPECT_TRUE(lines[2].contains(QLatin1String(",42,success,")) && lines[2].contains(QLatin1String(",0E20,,,1.2.0,,,,,1,")));
    const QString hash = lines[2].right(64);
    EXPECT_EQ(Printed(path, "--check"), QStringLiteral("intact: 1 rows\n"));
    EXPECT_EQ(Printed(path, "--head"), QStringLiteral("row 2, 1 rows: %1\n").arg(hash));
}
