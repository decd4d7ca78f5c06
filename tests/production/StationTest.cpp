// The production engine against simulated programmers in this process: a
// round, sockets on their own, a stop mid-chip, a record that fails a chip
// or never answers, and a line's refusals.
#include "ChipBench.h"
#include "FileBytes.h"
#include "LoopbackListener.h"
#include "PlatformLink.h"
#include "PtySimulator.h"
#include "SocketFaults.h"
#include "link/CompanionCommands.h"
#include "production/HeldPort.h"
#include "production/LineEvents.h"
#include "production/LineSetup.h"
#include "production/NumberFile.h"
#include "production/ProductionJob.h"
#include "production/ProductionRecord.h"
#include "production/Station.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace {

const QString kSmall = QStringLiteral(KORVEXC_FIXTURES "/small.hex");
// Ends a run after its first round.
const Station::NextRound kOneRound = [](int, const std::vector<ChipResult>&) { return false; };

// Keeps what a station tells, and lets a test wait for chips to finish.
class Recorder : public LineEvents {
public:
    void Tell(const LineEvent::Any& event) override
    {
        const std::lock_guard lock(mutex);
        std::visit(Overloaded{
                       [this](const LineEvent::RunStarted& e) { runs.push_back(e.automatic); },
                       [this](const LineEvent::ChipStarted& e) { started[e.port].push_back(e.serial); },
                       [this](const LineEvent::ChipFinished& e) {
                           finished[e.port].push_back(e.result);
                           rounds[e.port].push_back(e.chipNumber);
                           changed.notify_all();
                       },
                       [this](const LineEvent::NoticeGiven& e) { notices[e.port].push_back(e.notice); },
                       [this](const LineEvent::StatusShown& e) { statuses[e.port] << e.text; },
                       [this](const LineEvent::SocketChanged& e) {
                           states[e.port].push_back(e.state);
                           changed.notify_all();
                       },
                       [](const auto&) {},
                   },
                   event);
    }
    // Waits until the port has finished that many chips, and then stands in that state.
    bool Await(const QString& port, size_t chips, std::optional<SocketState> state = std::nullopt)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] {
            return finished[port].size() >= chips && (!state || (!states[port].empty() && states[port].back() == *state));
        });
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> runs;  // whether each run started was of sockets on their own
    std::map<QString, std::vector<std::optional<long long>>> started;
    std::map<QString, std::vector<ChipResult>> finished;
    std::map<QString, std::vector<int>> rounds;
    std::map<QString, std::vector<SocketState>> states;
    std::map<QString, QStringList> statuses;
    std::map<QString, std::vector<LineNotice>> notices;
};

struct Gang {
    explicit Gang(const std::vector<SimulatorFaults>& faults, SimulatorTiming timing = {})
    {
        for (const SimulatorFaults& each : faults) {
            simulators.push_back(std::make_unique<PtySimulator>(each, timing));
            EXPECT_EQ(simulators.back()->Start(), QString());
            ports << simulators.back()->Path();
        }
    }
    LinePlan Plan(LinePlan request)
    {
        request.file = request.file.isEmpty() ? kSmall : request.file;
        request.pingReads = QStringLiteral("50000");
        std::variant<LinePlan, SetupRefusal> prepared = LineSetup::Prepare(request, events);
        EXPECT_TRUE(std::holds_alternative<LinePlan>(prepared));
        return std::get<LinePlan>(std::move(prepared));
    }
    int Erases(int socket) { return simulators[size_t(socket)]->EraseCommands(); }

    std::vector<std::unique_ptr<PtySimulator>> simulators;
    QStringList ports;
    Recorder events;
};

// The platform's links, counting how often each device is opened.
struct CountedLinks {
    struct Link : PlatformLink {
        explicit Link(CountedLinks& counts) : counts(counts) {}
        void SetPort(const QString& port) override { PlatformLink::SetPort(device = port); }
        QString Open() override
        {
            const std::lock_guard lock(counts.mutex);
            ++counts.opens[device];
            return PlatformLink::Open();
        }
        CountedLinks& counts;
        QString device;
    };
    LinkFactory Factory()
    {
        return [this] { return std::make_unique<Link>(*this); };
    }
    int Opens(const QString& device)
    {
        const std::lock_guard lock(mutex);
        return opens[device];
    }
    std::mutex mutex;
    std::map<QString, int> opens;
};

// Each row's result and serial number, oldest first.
QList<std::pair<QString, QString>> Rows(const QString& record)
{
    QList<std::pair<QString, QString>> rows;
    ProductionRecord reader(record, QStringLiteral("check"));
    QSqlQuery query(QStringLiteral("SELECT port, result, serial FROM chips ORDER BY id"),
                    QSqlDatabase::database(QStringLiteral("check")));
    while (query.next())
        rows.append({query.value(0).toString() + ' ' + query.value(1).toString(), query.value(2).toString()});
    return rows;
}

// Program! of the firmware that reserves a RETLW table, serial numbered from first at the place.
LinePlan RetlwProgram(const QString& record, long long first, const char* place)
{
    return {.command = ChipCommand::Program,
            .file = QStringLiteral(KORVEXC_FIXTURES "/retlw-serial.hex"),
            .serials = SerialSequence{first, 1},
            .serialPlace = SerialPlace::Parse(QLatin1String(place)),
            .recordAddress = record};
}

// Why the line is refused before any port opens, if it is.
std::optional<SetupRefusal> RefusalOf(const LinePlan& request, LineEvents& events)
{
    std::variant<LinePlan, SetupRefusal> prepared = LineSetup::Prepare(request, events);
    return std::holds_alternative<SetupRefusal>(prepared) ? std::optional(std::get<SetupRefusal>(prepared)) : std::nullopt;
}

// Runs statements on the record as another program would.
void Sql(const QString& record, const QStringList& statements)
{
    ProductionRecord connection(record, QStringLiteral("sql"));
    for (const QString& statement : statements) {
        QSqlQuery query(QSqlDatabase::database(QStringLiteral("sql")));
        EXPECT_TRUE(query.exec(statement)) << statement.toStdString();
    }
}

}  // namespace

TEST(Station, ARoundTellsEachPortsResultAlikeInEventsTallyAndRecord)
{
    Gang gang({{}, StuckChip(), EmptySocket(), {}});
    QTemporaryDir files;
    LinePlan request{.command = ChipCommand::Program,
                     .serials = SerialSequence{7, 2},
                     .serialPlace = SerialPlace::Parse(QStringLiteral("id")),
                     .recordAddress = files.filePath(QStringLiteral("line.db"))};
    Station station(gang.Plan(request), gang.ports, gang.events);
    const Tally tally = station.RunRounds(kOneRound);
    const std::vector<ChipVerdict> expected{ChipVerdict::Passed, ChipVerdict::Mismatch, ChipVerdict::Empty, ChipVerdict::Passed};
    const QList<std::pair<QString, QString>> rows = Rows(request.recordAddress);
    ASSERT_EQ(rows.size(), 4);
    QList<long long> serials;
    for (int i = 0; i < 4; ++i) {
        const QString port = gang.ports[i];
        ASSERT_EQ(gang.events.finished[port].size(), 1u);
        const ChipResult& result = gang.events.finished[port].front();
        EXPECT_EQ(result.verdict, expected[size_t(i)]) << i;
        EXPECT_TRUE(rows.contains({port + ' ' + result.RecordWord(), result.serial ? QString::number(*result.serial) : ""})) << i;
        if (result.serial)
            serials << *result.serial;
    }
    // The file has ID words of its own, which the numbers replace: the line is told so once.
    const std::vector<LineNotice>& lineNotices = gang.events.notices[QString()];
    EXPECT_EQ(std::count_if(lineNotices.begin(), lineNotices.end(),
                            [](const LineNotice& notice) { return std::holds_alternative<SerialOverFileData>(notice); }),
              1);
    // The empty socket takes no number and starts no chip, is never erased, and counts neither way.
    std::sort(serials.begin(), serials.end());
    EXPECT_EQ(serials, (QList<long long>{7, 9, 11}));
    EXPECT_FALSE(gang.events.finished[gang.ports[2]].front().serial);
    EXPECT_EQ(gang.events.started.count(gang.ports[2]), 0u);
    EXPECT_EQ(gang.Erases(2), 0);
    EXPECT_EQ(gang.events.finished[gang.ports[1]].front().MismatchText(), "program word 0010: expected 3470, read 2470");
    // The line's policy stops a chip at its first mismatch: it is never given its configuration word.
    EXPECT_TRUE(gang.events.statuses[gang.ports[0]].contains("Done"));
    EXPECT_FALSE(gang.events.statuses[gang.ports[1]].contains("Programming Configuration"));
    const auto counts = [](const Tally::Counts& c) { return std::tuple(c.passed, c.failed, c.empty); };
    EXPECT_EQ(counts(tally.Total()), std::tuple(2, 1, 1));
    EXPECT_EQ(counts(tally.Of(gang.ports[2])), std::tuple(0, 0, 1));
    ProductionRecord record(request.recordAddress, QStringLiteral("summary"));
    EXPECT_EQ(counts(ProductionRecord::Summary(*record.Rows())), std::tuple(2, 1, 1));
    // Serial numbers go only into chips that are programmed: verified against the bare file, the chip's own
    // number is a mismatch, and no number is taken.
    request.command = ChipCommand::Verify;
    Station(gang.Plan(request), {gang.ports[0]}, gang.events).RunRounds(kOneRound);
    EXPECT_EQ(Rows(request.recordAddress).value(4), std::pair(gang.ports[0] + " mismatch", QString()));
}

// The four words of the RETLW table at 1FF8 that a chip holds.
std::vector<int> TableOf(PtySimulator& simulator)
{
    std::vector<int> words;
    simulator.WithModel(
        [&words](FirmwareModel& chip) { words.assign(chip.program.begin() + 0x1FF8, chip.program.begin() + 0x1FFC); });
    return words;
}

TEST(Station, EachChipGetsItsOwnRetlwTableFromTheSequenceOrFromAFileLineUsedOnce)
{
    QTemporaryDir files;
    Gang gang(std::vector<SimulatorFaults>(4));
    LinePlan request = RetlwProgram(files.filePath(QStringLiteral("line.db")), 0x12345601, "retlw:1FF8:4");
    request.scope.skipEmpty = true;
    Station(gang.Plan(request), gang.ports, gang.events).RunRounds(kOneRound);
    for (int i = 0; i < 4; ++i) {
        const long long serial = gang.events.finished[gang.ports[i]].front().serial.value_or(0);
        EXPECT_EQ(TableOf(*gang.simulators[size_t(i)]), (std::vector<int>{0x3412, 0x3434, 0x3456, 0x3400 | int(serial & 0xFF)}));
    }

    // A file of six lines for two rounds of four: every line used once, then the line stops before a chip is touched.
    const QString numbers = files.filePath(QStringLiteral("chips.num"));
    ASSERT_EQ(NumberFile::Make(numbers, *request.serialPlace, 6, {NumberFile::Numbering::Kind::PseudoRandom, {}, 7}), QString());
    request.serials.reset();
    request.serialPlace.reset();
    request.serialFile = numbers;
    Station(gang.Plan(request), gang.ports, gang.events).RunRounds([](int, const std::vector<ChipResult>&) { return true; });
    const NumberFile file = std::get<NumberFile>(NumberFile::Read(numbers));
    std::multiset<int> lines;
    for (int i = 0; i < 4; ++i) {
        const std::vector<ChipResult>& results = gang.events.finished[gang.ports[i]];
        ASSERT_EQ(results.size(), 3u);
        lines.insert(results[1].serialLine.value_or(0));
        if (results[2].verdict == ChipVerdict::SerialsUsedUp)
            continue;
        lines.insert(results[2].serialLine.value_or(0));
        MemoryImage expected;
        NumberFile::Apply(file.Lines()[*results[2].serialLine - 1], expected);
        EXPECT_EQ(TableOf(*gang.simulators[size_t(i)]),
                  (std::vector<int>{expected.ProgramWord(0x3FF0), expected.ProgramWord(0x3FF2), expected.ProgramWord(0x3FF4),
                                    expected.ProgramWord(0x3FF6)}));
    }
    EXPECT_EQ(lines, (std::multiset<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(std::all_of(file.Lines().begin(), file.Lines().end(), [](const NumberFile::Line& line) { return line.used; }));
    EXPECT_EQ(gang.Erases(0) + gang.Erases(1) + gang.Erases(2) + gang.Erases(3), 4 + 6);
}

TEST(Station, SocketsOnTheirOwnProgramEachSeatingOnceAndNeverAnEmptySocket)
{
    Gang gang(std::vector<SimulatorFaults>(4, EmptySocket()));
    LinePlan request{.command = ChipCommand::Program};
    // A fifth port has no programmer on it.
    const QString absent = QStringLiteral("/dev/ttyKORVEXC-none");
    CountedLinks links;
    Station station(gang.Plan(request), gang.ports + QStringList{absent}, gang.events, links.Factory());
    const auto seat = [&](int socket, bool seated) {
        gang.simulators[size_t(socket)]->WithModel([seated](FirmwareModel& model) { model.Seat(seated); });
    };
    const QStringList& ports = gang.ports;
    // Socket 2 stays empty; 3 is seated twice; the others once, at different moments.
    const auto started = std::chrono::steady_clock::now();
    const Tally tally = station.RunAuto([&] {
        seat(0, true);
        ASSERT_TRUE(gang.events.Await(ports[0], 1, SocketState::WaitingForRemoval));
        seat(1, true);
        seat(3, true);
        ASSERT_TRUE(gang.events.Await(ports[3], 1, SocketState::WaitingForRemoval));
        seat(3, false);
        ASSERT_TRUE(gang.events.Await(ports[3], 1, SocketState::WaitingForChip));
        seat(3, true);
        ASSERT_TRUE(gang.events.Await(ports[3], 2, SocketState::WaitingForRemoval));
        ASSERT_TRUE(gang.events.Await(ports[1], 1, SocketState::WaitingForRemoval));
    });
    for (const auto& [socket, chips] : std::vector<std::pair<int, int>>{{0, 1}, {1, 1}, {2, 0}, {3, 2}}) {
        EXPECT_EQ(gang.Erases(socket), chips) << socket;
        EXPECT_EQ(gang.events.finished[ports[socket]].size(), size_t(chips)) << socket;
        for (const ChipResult& result : gang.events.finished[ports[socket]])
            EXPECT_EQ(result.verdict, ChipVerdict::Passed) << socket;
    }
    EXPECT_EQ(gang.events.runs, std::vector<bool>{true});
    EXPECT_EQ(gang.events.rounds[ports[3]], (std::vector<int>{1, 2})) << "a socket's chips are numbered as its rounds";
    EXPECT_EQ(tally.Total().passed, 4);
    EXPECT_EQ(tally.Total().empty, 0);
    for (const QString& port : ports)
        EXPECT_TRUE(ChipBench::PortIsFree(port)) << port.toStdString();
    // A port stays open through every look and every chip; the absent programmer is looked for again and again.
    EXPECT_EQ(links.Opens(ports[2]), 1);
    EXPECT_EQ(links.Opens(ports[3]), 1);
    // ... but not more often than the pause between looks allows.
    EXPECT_GE(links.Opens(absent), 2);
    EXPECT_LE(links.Opens(absent), (std::chrono::steady_clock::now() - started) / Station::kSocketPoll + 2);
    EXPECT_EQ(gang.events.states[absent], (std::vector<SocketState>{SocketState::NoProgrammer}));
}

TEST(Station, SocketsOnTheirOwnAskedToEndFinishTheChipsUnderWay)
{
    Gang gang({{}}, SimulatorTiming{{}, true});
    LinePlan request{.command = ChipCommand::Program};
    Station station(gang.Plan(request), gang.ports, gang.events);
    station.RunAuto([&] {
        for (int waited = 0; gang.simulators[0]->BytesFromProgram() < 200 && waited < 30000; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    ASSERT_EQ(gang.events.finished[gang.ports[0]].size(), 1u);
    EXPECT_EQ(gang.events.finished[gang.ports[0]].front().verdict, ChipVerdict::Passed);
}

TEST(Station, AStationStoppedMidChipLeavesItsRowsUnfinishedAndItsPortsClosed)
{
    Gang gang({{}, {}}, SimulatorTiming{{}, true});
    QTemporaryDir files;
    LinePlan request{.command = ChipCommand::Program, .recordAddress = files.filePath(QStringLiteral("line.db"))};
    Station station(gang.Plan(request), gang.ports, gang.events);
    std::thread stopper([&] {
        for (int waited = 0; gang.simulators[1]->BytesFromProgram() < 200 && waited < 30000; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        station.Stop();
    });
    station.RunRounds([](int, const std::vector<ChipResult>&) { return true; });
    stopper.join();
    const QList<std::pair<QString, QString>> rows = Rows(request.recordAddress);
    ASSERT_EQ(rows.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(gang.events.finished[gang.ports[i]].front().verdict, ChipVerdict::Abandoned);
        EXPECT_TRUE(rows.contains({gang.ports[i] + " unfinished", ""})) << i;
        EXPECT_TRUE(ChipBench::PortIsFree(gang.ports[i]));
    }
}

TEST(Station, AChipWhoseRowCannotBeCompletedStillTellsItsOwnResultAndNeverPasses)
{
    Gang gang({{}, StuckChip()});
    QTemporaryDir files;
    LinePlan request{.command = ChipCommand::Program, .recordAddress = files.filePath(QStringLiteral("line.db"))};
    ASSERT_EQ(ProductionRecord::Create(request.recordAddress), QString());
    // The row is begun, and then the record refuses every change to it.
    Sql(request.recordAddress, {"CREATE TRIGGER lost BEFORE UPDATE ON chips BEGIN SELECT RAISE(ABORT, 'disk gone'); END"});
    Station station(gang.Plan(request), gang.ports, gang.events);
    const Tally tally = station.RunRounds(kOneRound);

    const QStringList words{"record lost: success", "record lost: mismatch"};
    for (int i = 0; i < 2; ++i) {
        const ChipResult& result = gang.events.finished[gang.ports[i]].front();
        EXPECT_EQ(result.RecordWord(), words[i]);
        EXPECT_EQ(result.Counted(), Tally::Count::Failed);
        const std::vector<LineNotice>& told = gang.events.notices[gang.ports[i]];
        EXPECT_TRUE(std::any_of(told.begin(), told.end(), [](const LineNotice& notice) {
            return std::holds_alternative<RecordTrouble>(notice) && std::get<RecordTrouble>(notice).problem.contains("disk gone");
        }));
    }
    EXPECT_EQ(tally.Total().passed, 0);
    EXPECT_EQ(tally.Total().failed, 2);
    const QList<std::pair<QString, QString>> rows = Rows(request.recordAddress);
    EXPECT_TRUE(rows.contains({gang.ports[0] + " unfinished", ""}) && rows.contains({gang.ports[1] + " unfinished", ""}));
}

TEST(Station, ARecordServerThatNeverAnswersIsGivenUpOnBeforeAnyPortOpens)
{
    const LoopbackListener silent;
    ASSERT_NE(silent.Port(), 0);
    const LinePlan request{.command = ChipCommand::Erase,
                           .recordAddress = QStringLiteral("postgresql://line@127.0.0.1:%1/production").arg(silent.Port())};
    Recorder events;
    const std::optional<SetupRefusal> refused = RefusalOf(request, events);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, SetupRefusal::Kind::RecordUnwritable);
    EXPECT_TRUE(refused->detail.contains("timeout")) << refused->detail.toStdString();
}

TEST(Station, ALineIsRefusedBeforeAnyPortOpens)
{
    QTemporaryDir files;
    Recorder events;
    const auto refusal = [&](const LinePlan& request) {
        const std::optional<SetupRefusal> refused = RefusalOf(request, events);
        return refused ? std::optional(refused->kind) : std::nullopt;
    };
    EXPECT_EQ(refusal({.command = ChipCommand::Verify, .file = files.filePath(QStringLiteral("none.hex"))}),
              SetupRefusal::Kind::FileNotLoaded);
    EXPECT_EQ(refusal({.command = ChipCommand::Erase, .recordAddress = QStringLiteral("/proc/no/such/line.db")}),
              SetupRefusal::Kind::RecordUnwritable);
    // A record that a newer version wrote is refused with its reason, and left as it was.
    const LinePlan newer{.command = ChipCommand::Erase, .recordAddress = files.filePath(QStringLiteral("newer.db"))};
    ASSERT_EQ(ProductionRecord::Create(newer.recordAddress), QString());
    Sql(newer.recordAddress, {"UPDATE schema_version SET version = 99", "ALTER TABLE chips ADD COLUMN later TEXT"});
    const QString why = RefusalOf(newer, events).value_or(SetupRefusal{}).detail;
    EXPECT_TRUE(why.contains("newer")) << why.toStdString();
    {
        ProductionRecord reader(newer.recordAddress, QStringLiteral("newer"));
        QSqlQuery version(QStringLiteral("SELECT version FROM schema_version"), QSqlDatabase::database(QStringLiteral("newer")));
        EXPECT_TRUE(version.next() && version.value(0).toInt() == 99 && !version.next());
        const auto table = reader.Rows();
        EXPECT_TRUE(table && table->rows.isEmpty() && table->columns.last() == "later");
    }

    const QString job = files.filePath(QStringLiteral("board.kjob"));
    ASSERT_EQ(ProductionJob::Create(job, {.hexName = kSmall, .hex = FileBytes(kSmall), .serial = "1", .serialAt = "id"}),
              QString());
    LinePlan run;
    run.jobPath = job;
    EXPECT_EQ(refusal(run), SetupRefusal::Kind::SerialNeedsRecord);
    run.recordAddress = files.filePath(QStringLiteral("line.db"));
    run.expectChecksum = QStringLiteral("0000");
    EXPECT_EQ(refusal(run), SetupRefusal::Kind::UnexpectedChecksum);
    run.expectChecksum.clear();
    EXPECT_EQ(refusal(run), std::nullopt);
    ASSERT_TRUE(WriteFile(job, FileBytes(job).replace(":10000000", ":10000001")));
    EXPECT_EQ(refusal(run), SetupRefusal::Kind::JobRefused);
}

// A chip's own data goes only where the file leaves words blank or RETLW: never over its code.
TEST(Station, AChipsOwnDataNeverReplacesTheFilesCode)
{
    QTemporaryDir files;
    Recorder events;
    LinePlan numbered = RetlwProgram(files.filePath(QStringLiteral("numbered.db")), 1, "retlw:1FF6:4");
    EXPECT_FALSE(RefusalOf(numbered, events));
    for (const char* place : {"words:0001:4", "retlw:0040:2:lsb"}) {
        numbered.serialPlace = SerialPlace::Parse(QLatin1String(place));
        numbered.file = QStringLiteral(KORVEXC_FIXTURES "/counter.hex");
        const std::optional<SetupRefusal> refused = RefusalOf(numbered, events);
        ASSERT_TRUE(refused) << place;
        EXPECT_EQ(refused->word, place[0] == 'w' ? 0x1 : 0x40) << place;
    }
    // A file of numbers is checked line by line: words 000E and 000F are blank, 0010 holds code.
    numbered.file = QStringLiteral(KORVEXC_FIXTURES "/retlw-serial.hex");
    numbered.serials.reset();
    numbered.serialPlace.reset();
    for (const char* place : {"words:000E:2", "words:000F:2"}) {
        numbered.serialFile = files.filePath(QLatin1String(place).mid(6, 4) + ".num");
        ASSERT_EQ(NumberFile::Make(numbered.serialFile, *SerialPlace::Parse(QLatin1String(place)), 3, {}), QString());
        const std::optional<SetupRefusal> refused = RefusalOf(numbered, events);
        EXPECT_EQ(refused ? refused->word : -1, place[9] == 'E' ? -1 : 0x10) << place;
    }
}

// A port held open from one command to the next, left at the faster rate by a
// command cut short: the next command starts at the table's rate, and sends
// nothing to lower a rate that the programmer no longer keeps.
TEST(HeldPort, TheNextCommandStartsAtTheTablesRate)
{
    ChipBench bench;
    HeldPort held(bench.link);
    CommandEnvelope envelope(held, bench.ui);
    CommandFlows flows(envelope, bench.ui);
    ASSERT_EQ(flows.DoDetect(bench.Request()).outcome, CommandOutcome::Completed);
    held.Facts().rate = CompanionCommands::kFastRate;
    EXPECT_EQ(flows.DoDetect(bench.Request()).outcome, CommandOutcome::Completed) << bench.ui.messages.join(' ').toStdString();
    EXPECT_EQ(held.Facts().rate, LineRate::kBaud);
    EXPECT_EQ(ChipBench::Count(bench.Commands(), "F"), 3) << "the device ID twice, the probe once an opening";
}

// Rows completed in the record, and the chain walked after each kind of tampering.
TEST(RecordChain, AnEditADeletionASwapAndAnUnfinishedRowPassedAreEachFoundAtTheirRow)
{
    QTemporaryDir files;
    // Each time anew at the same place, as a record file that is replaced, which this process wrote to before.
    const QString path = files.filePath(QStringLiteral("line.db"));
    const auto fresh = [&path] {
        for (const char* end : {"", "-wal", "-shm"})
            QFile::remove(path + QLatin1String(end));
        EXPECT_EQ(ProductionRecord::Create(path), QString());
        ProductionRecord record(path, QStringLiteral("writer"));
        LinePlan plan;
        for (int row = 1; row <= 6; ++row) {
            const auto begun = record.Begin({plan, QStringLiteral("p%1").arg(row), {}, false});
            // The last row is left unfinished, as a run cut short leaves it.
            EXPECT_TRUE(begun && (row == 6 || record.Finish(*begun, {row == 2 ? "mismatch" : "success", {}, 0.25 * row, {}})));
        }
        return path;
    };
    const auto walked = [](const QString& path) {
        ProductionRecord reader(path, QStringLiteral("reader"));
        const std::optional<ProductionRecord::Table> table = reader.Rows();
        return RecordChain::Walk(table->columns, table->rows);
    };
    const auto broken = [](const RecordChain::State& state) { return std::pair(state.broken, state.brokenRow); };
    const QString intact = fresh();
    EXPECT_EQ(walked(intact).rows, 5);
    EXPECT_FALSE(walked(intact).broken);
    const ProductionRecord::Table table = *ProductionRecord(intact, QStringLiteral("table")).Rows();
    // Any field of a row, changed, is seen there.
    for (qsizetype column = 0; column < table.columns.size(); ++column) {
        if (table.columns[column] == "hash" || table.columns[column] == "chain")
            continue;
        ProductionRecord::Table edited = table;
        edited.rows[2][column] = edited.rows[2][column].isNull() ? QStringLiteral("x") : QString();
        const RecordChain::State state = RecordChain::Walk(edited.columns, edited.rows);
        EXPECT_EQ(state.broken, RecordChain::Break::Changed) << table.columns[column].toStdString();
        EXPECT_EQ(state.rows, 2) << table.columns[column].toStdString();
    }
    const std::vector<std::pair<const char*, std::pair<std::optional<RecordChain::Break>, qint64>>> tampering{
        {"UPDATE chips SET result = 'success' WHERE id = 2", {RecordChain::Break::Changed, 2}},
        {"DELETE FROM chips WHERE id = 3", {RecordChain::Break::Missing, 4}},
        {"UPDATE chips SET chain = 0 WHERE id = 2;UPDATE chips SET chain = 2 WHERE id = 4;UPDATE chips SET chain = 4 WHERE id = "
         "2",
         {RecordChain::Break::OutOfOrder, 4}},
        {"UPDATE chips SET result = 'success' WHERE id = 6", {RecordChain::Break::Changed, 6}},
    };
    for (size_t i = 0; i < tampering.size(); ++i) {
        fresh();
        Sql(path, QString::fromLatin1(tampering[i].first).split(u';'));
        EXPECT_EQ(broken(walked(path)), tampering[i].second) << tampering[i].first;
    }
}
