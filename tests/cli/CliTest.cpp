#include "FileBytes.h"
#include "PtySimulator.h"
#include "SocketFaults.h"
#include "WrittenAsBuilt.h"
#include "link/PortName.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

namespace {

const QString kFixtures = QStringLiteral(KORVEXC_FIXTURES);

struct Result {
    int exitCode;
    QString out;
    QString err;
};

// Runs korvexc-cli with its settings in a folder of the test's own.
class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(simulator.Start(), QString());
        WriteSettings("[Delays]\nPTO=5000\n");
    }
    void WriteSettings(const QByteArray& ini) { ASSERT_TRUE(WriteFile(settings.filePath("KORVEXC.ini"), ini)); }
    Result Run(QStringList args, const PtySimulator* target = nullptr)
    {
        args.prepend((target ? target : &simulator)->Path());
        args.prepend(QStringLiteral("--port"));
        return RunBare(args);
    }
    void Start(QProcess& cli, const QStringList& args)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), settings.path());
        cli.setProcessEnvironment(environment);
        cli.start(QStringLiteral(KORVEXC_CLI), args);
    }
    Result RunBare(const QStringList& args)
    {
        QProcess cli;
        Start(cli, args);
        EXPECT_TRUE(cli.waitForFinished(120000));
        return {cli.exitCode(), QString::fromLocal8Bit(cli.readAllStandardOutput()),
                QString::fromLocal8Bit(cli.readAllStandardError())};
    }
    // Reads what the command prints into out until it holds text that many times, for a minute at the most.
    static bool Await(QProcess& cli, QByteArray& out, const QByteArray& text, int times = 1)
    {
        QElapsedTimer waited;
        waited.start();
        while (out.count(text) < times && waited.elapsed() < 60000 && cli.waitForReadyRead(60000))
            out += cli.readAllStandardOutput();
        return out.count(text) >= times;
    }

    PtySimulator simulator;
    QTemporaryDir settings;
    QTemporaryDir files;
};

}  // namespace

TEST_F(Cli, EachCommandAndItsExitCode)
{
    const Result detected = Run({"detect"});
    EXPECT_EQ(detected.exitCode, 0);
    EXPECT_TRUE(detected.out.contains("the ping was answered in")) << detected.out.toStdString();
    EXPECT_EQ(Run({"erase"}).exitCode, 0);
    EXPECT_EQ(Run({"blank-check"}).exitCode, 0);
    ASSERT_EQ(Run({"read", files.filePath("blank.hex")}).exitCode, 0);
    EXPECT_FALSE(FileBytes(files.filePath("blank.hex")).contains(":02000000")) << "erased words are left out";
    const Result programmed = Run({"program", kFixtures + "/gaps.hex"});
    EXPECT_EQ(programmed.exitCode, 0) << programmed.err.toStdString();
    EXPECT_TRUE(programmed.out.contains("Done"));
    EXPECT_TRUE(programmed.out.contains("at 19200 baud (ratio")) << programmed.out.toStdString();
    EXPECT_EQ(Run({"verify", kFixtures + "/gaps.hex"}).exitCode, 0);
    const Result notBlank = Run({"blank-check"});
    EXPECT_EQ(notBlank.exitCode, 5);
    EXPECT_TRUE(notBlank.err.contains("program word 0000 reads 2900")) << notBlank.err.toStdString();

    EXPECT_EQ(Run({"verify", files.filePath("missing.hex")}).exitCode, 4);
    EXPECT_EQ(Run({"read", "/proc/no/such/dir/out.hex"}).exitCode, 4);
    EXPECT_EQ(Run({"--record", "/proc/no/such/dir/line.db", "erase"}).exitCode, 4);
    EXPECT_EQ(RunBare({"--port", "/dev/ttyKORVEXC-none", "detect"}).exitCode, 7);
    EXPECT_EQ(RunBare({"--port", "abc def", "detect"}).exitCode, 7);
    const Result listed = RunBare({"list-ports"});
    for (const QString& line : listed.out.split(u'\n', Qt::SkipEmptyParts))
        EXPECT_FALSE(PortName::Resolve(line.section(u' ', 0, 0)).device.isEmpty()) << "--port takes " << line.toStdString();
    for (const QStringList& usage :
         {QStringList{}, QStringList{"flash"}, QStringList{"verify"}, QStringList{"erase", "x.hex"},
          QStringList{"--on-mismatch", "maybe", "detect"}, QStringList{"--fuse", "xyz", "program", "a.hex"},
          QStringList{"--fuse", "10000", "program", "a.hex"}, QStringList{"--fuse", "3F72", "erase"},
          QStringList{"--bogus", "detect"}, QStringList{"--csv", "detect"}, QStringList{"--port", "a,b", "read", "x.hex"},
          QStringList{"--serial", "1", "--serial-at", "id", "program", "a.hex"},
          // A job fixes every setting of its own.
          QStringList{"--eeprom-layout", "word", "run", "a.kjob"}, QStringList{"--on-mismatch", "continue", "run", "a.kjob"},
          QStringList{"--serial", "1", "--serial-at", "id", "--record", "a.db", "run", "a.kjob"},
          QStringList{"--skip-empty", "run", "a.kjob"}, QStringList{"--check-gaps", "program", "a.hex"},
          QStringList{"--skip-empty", "erase"}, QStringList{"--serial-file", "a.num", "program", "a.hex"},
          QStringList{"--serial-file", "a.num", "--serial", "1", "--record", "a.db", "program", "a.hex"},
          QStringList{"--serial-file", "a.num", "--record", "a.db", "run", "a.kjob"},
          QStringList{"--check", "--csv", "record", "a.db"}, QStringList{"--head", "detect"},
          QStringList{"serials", "make", "a.num", "--count", "3", "--at", "retlw:1FF8:4"},
          QStringList{"serials", "make", "a.num", "--count", "3", "--at", "retlw:1FF8:5", "--random"},
          QStringList{"serials", "make", "a.num", "--count", "3", "--at", "id", "--random", "--sequential", "1"}})
        EXPECT_EQ(RunBare(usage).exitCode, 2) << usage.join(' ').toStdString();
    const Result help = RunBare({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    // The README's table of exit codes is the one that --help prints.
    const QRegularExpression row(QStringLiteral("^\\| (\\d+) \\| (.+) \\|$"), QRegularExpression::MultilineOption);
    int documented = 0;
    for (const QRegularExpressionMatch& code : row.globalMatch(QString::fromUtf8(FileBytes(kFixtures + "/../../README.md")))) {
        EXPECT_TRUE(help.out.contains(code.captured(1) + "  " + code.captured(2))) << code.captured(0).toStdString();
        ++documented;
    }
    EXPECT_EQ(documented, 9);
    EXPECT_TRUE(RunBare({"--version"}).out.contains("1.2.0"));
    EXPECT_TRUE(RunBare({"fuses", "1F72"}).out.contains("Warning: code protection on"));
    EXPECT_TRUE(RunBare({"fuses", kFixtures + "/gaps.hex"}).out.contains("Configuration word 3FB2:"));
    EXPECT_EQ(RunBare({"fuses", "xyz"}).exitCode, 2);

    PtySimulator absent({.neverAnswer = true});
    ASSERT_EQ(absent.Start(), QString());
    EXPECT_EQ(Run({"detect"}, &absent).exitCode, 3);

    PtySimulator dying({.silentAfterBytes = 30});
    ASSERT_EQ(dying.Start(), QString());
    const Result lostInProgram = Run({"program", kFixtures + "/counter.hex"}, &dying);
    EXPECT_EQ(lostInProgram.exitCode, 6);
    EXPECT_TRUE(lostInProgram.err.contains("stopped responding"));
}

TEST_F(Cli, TheStoredPortIsTheDefaultAndTheOptionsShapeTheOutput)
{
    WriteSettings("[Port]\nCom=" + simulator.Path().toLocal8Bit() + "\n[Delays]\nPTO=5000\n");
    const Result quiet = RunBare({"--quiet", "program", kFixtures + "/counter.hex"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_TRUE(quiet.out.isEmpty());

    const Result plain = RunBare({"verify", kFixtures + "/counter.hex"});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_TRUE(plain.out.contains("Verifying EEPROM 50%"));
    EXPECT_FALSE(plain.out.contains(QChar(0x1B))) << "no terminal codes when the output is no terminal";
    EXPECT_FALSE(plain.out.contains(QChar('\r')));

    const Result traced = RunBare({"--trace", "detect"});
    EXPECT_TRUE(traced.err.contains("> 40\n< 5E")) << traced.err.toStdString();
}

TEST_F(Cli, ReadMakesAFileThatVerifiesAndCopiesTheChip)
{
    const Result programmed = Run({"program", kFixtures + "/gaps.hex"});
    ASSERT_EQ(programmed.exitCode, 0);
    EXPECT_TRUE(programmed.err.contains("word layout")) << programmed.err.toStdString();
    const QString copy = files.filePath("copy.hex");
    const Result read = Run({"read", copy});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_EQ(Run({"verify", copy}).exitCode, 0);
    // What program leaves on the chip sums alike from the file and from the copy read back.
    EXPECT_EQ(RunBare({"checksum", kFixtures + "/gaps.hex"}).out, "8490\n");
    EXPECT_EQ(RunBare({"checksum", copy}).out, "8490\n");
    // Other tools check what we write: every record sums to zero.
    for (const QByteArray& line : FileBytes(copy).split('\n')) {
        unsigned sum = 0;
        for (const char c : QByteArray::fromHex(line.mid(1)))
            sum += std::uint8_t(c);
        EXPECT_EQ(sum & 0xFF, 0u) << line.toStdString();
    }

    PtySimulator second;
    ASSERT_EQ(second.Start(), QString());
    ASSERT_EQ(Run({"program", copy}, &second).exitCode, 0);
    FirmwareModel original, copied;
    simulator.WithModel([&](FirmwareModel& model) { original = model; });
    second.WithModel([&](FirmwareModel& model) { copied = model; });
    EXPECT_TRUE(original.program == copied.program && original.eeprom == copied.eeprom && original.config == copied.config);

    // Read one byte per address, the same file fails against the chip.
    EXPECT_EQ(Run({"--eeprom-layout", "byte", "verify", kFixtures + "/gaps.hex"}).exitCode, 5);
    EXPECT_EQ(Run({"--eeprom-layout", "bytes", "verify", kFixtures + "/gaps.hex"}).exitCode, 2);
}

TEST_F(Cli, MismatchesStopOrAreListedWithAddressExpectedAndRead)
{
    PtySimulator faulty({.stuckBit = SimulatorFaults::StuckBit{0x100, 12, 0}});
    ASSERT_EQ(faulty.Start(), QString());
    ASSERT_EQ(Run({"--quiet", "program", kFixtures + "/gaps.hex"}, &faulty).exitCode, 5);
    const Result listed = Run({"--on-mismatch", "continue", "verify", kFixtures + "/gaps.hex"}, &faulty);
    EXPECT_EQ(listed.exitCode, 5);
    EXPECT_TRUE(listed.err.contains("mismatch: program word 0100: expected 305A, read 205A")) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.contains("Verify Complete"));
}

// A serial number file as the chip maker's tool writes it: RETLW words, most significant byte first unless asked,
// the same for a seed each time, and never written over.
TEST_F(Cli, SerialsMakeWritesOneLineAChipAndNeverOverAFile)
{
    const QString numbers = files.filePath("a.num"), lsb = files.filePath("lsb.num");
    EXPECT_EQ(RunBare({"serials", "make", numbers, "--count", "2", "--at", "retlw:1FF8:2", "--sequential", "258:256"}).exitCode,
              0);
    EXPECT_EQ(RunBare({"serials", "make", lsb, "--count", "1", "--at", "retlw:1FF8:2:lsb", "--sequential", "258"}).exitCode, 0);
    EXPECT_EQ(FileBytes(numbers), ":043FF0000134023462\n:043FF0000234023461\n");
    EXPECT_EQ(FileBytes(lsb), ":043FF0000234013462\n");
    EXPECT_EQ(RunBare({"serials", "make", numbers, "--count", "2", "--at", "id", "--sequential", "1"}).exitCode, 4);
    // An ID word holds one hex digit of the number, in the low bits of the image's blank word.
    const QString ids = files.filePath("id.num");
    EXPECT_EQ(RunBare({"serials", "make", ids, "--count", "1", "--at", "id", "--sequential", "4660"}).exitCode, 0);
    EXPECT_EQ(FileBytes(ids), ":08400000F103F203F303F403E2\n");
    for (const char* name : {"p1.num", "p2.num"})
        RunBare({"serials", "make", files.filePath(name), "--count", "50", "--at", "words:0100:4", "--pseudo-random", "9"});
    EXPECT_EQ(FileBytes(files.filePath("p1.num")), FileBytes(files.filePath("p2.num")));
    EXPECT_EQ(FileBytes(files.filePath("p1.num")).count('\n'), 50);
    // Random numbers each once: a byte's every value fits, one more does not.
    const QString bytes = files.filePath("bytes.num");
    EXPECT_EQ(RunBare({"serials", "make", bytes, "--count", "257", "--at", "eeprom:0:1", "--random"}).exitCode, 4);
    EXPECT_EQ(RunBare({"serials", "make", bytes, "--count", "256", "--at", "eeprom:0:1", "--random"}).exitCode, 0);
    const QStringList lines = QString::fromLatin1(FileBytes(bytes)).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(QSet<QString>(lines.begin(), lines.end()).size(), 256);
}

TEST_F(Cli, AGangKeepsEachFaultOnItsPortAndTheRecordGivesEverySerialOnce)
{
    SimulatorFaults silent, stuck;
    silent.silentAfterBytes = 1500;
    stuck.stuckBit = SimulatorFaults::StuckBit{0x10, 12, 1};
    std::vector<std::unique_ptr<PtySimulator>> gang;
    for (const SimulatorFaults& faults : {SimulatorFaults{}, silent, SimulatorFaults{}, stuck}) {
        gang.push_back(std::make_unique<PtySimulator>(faults));
        ASSERT_EQ(gang.back()->Start(), QString());
    }
    WriteSettings("");  // the default ping budget: a loaded machine may answer slowly
    const QString db = files.filePath("line.db");
    const QString ports = gang[0]->Path() + ',' + gang[1]->Path() + ',' + gang[2]->Path();
    const Result run = RunBare({"--port", ports, "--port", gang[3]->Path(), "--record", db, "--serial", "7:2", "--serial-at",
                                "id", "program", kFixtures + "/counter.hex"});
    EXPECT_EQ(run.exitCode, 6) << "the highest: link lost over a mismatch";
    EXPECT_FALSE(run.out.contains(QChar(0x1B))) << "no terminal codes when the output is no terminal";
    EXPECT_TRUE(run.out.contains(gang[0]->Path() + ": Programming 0%\n")) << "each tenth of a pass on a line of its own";
    const QStringList table = run.out.split(u'\n').filter(QRegularExpression(QStringLiteral("^/dev/pts/[0-9]+ ")));
    ASSERT_EQ(table.size(), 4) << run.out.toStdString();
    EXPECT_TRUE(table[0].contains("success") && table[2].contains("success")) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(table[1].contains("link lost"));
    EXPECT_TRUE(table[3].contains("mismatch") && table[3].contains("program word 0010: expected 0000, read 1000"))
        << table[3].toStdString();
    // Each chip that passed holds its own number in the low bits of its ID words.
    for (const int i : {0, 2}) {
        const long long serial = table[i].section(u' ', -2, -2, QString::SectionSkipEmpty).toLongLong();
        gang[size_t(i)]->WithModel([serial](FirmwareModel& model) {
            for (int id = 0; id < 4; ++id)
                EXPECT_EQ(model.config[id] & 0xF, (serial >> (12 - 4 * id)) & 0xF);
        });
    }
    const Result rows = RunBare({"record", db, "--csv"});
    QStringList serials;
    for (const QString& line : rows.out.split(u'\n', Qt::SkipEmptyParts).mid(1))
        serials << line.section(u',', 8, 8);
    serials.sort();
    EXPECT_EQ(serials, (QStringList{"11", "13", "7", "9"}));
    // A field with a comma is quoted, so that a spreadsheet keeps it whole.
    EXPECT_TRUE(rows.out.contains(",\"program word 0010: expected 0000, read 1000\",")) << rows.out.toStdString();
    EXPECT_TRUE(rows.err.contains("4 chips, 2 passed, 2 failed, 0 empty, 0 unfinished")) << rows.err.toStdString();

    // Ctrl-C mid-run stops the chip at its next safe point: its row stays unfinished, and the next run goes on above its number.
    PtySimulator paced({}, SimulatorTiming{{}, true});
    ASSERT_EQ(paced.Start(), QString());
    QProcess interrupted;
    Start(interrupted,
          {"--port", paced.Path(), "--record", db, "--serial", "7:2", "--serial-at", "id", "program", kFixtures + "/gaps.hex"});
    // Once it is programming: its row and its number are written once the chip is identified.
    for (int waited = 0; paced.BytesFromProgram() < 20 && waited < 30000; waited += 10)
        QThread::msleep(10);
    interrupted.terminate();
    ASSERT_TRUE(interrupted.waitForFinished(60000));
    EXPECT_EQ(interrupted.exitCode(), 130);
    // Beyond the file's own EEPROM data (32 bytes); skipping empty blocks, it is written as data the file gives.
    EXPECT_TRUE(
        Run({"--record", db, "--serial", "7:2", "--serial-at", "eeprom:F0", "--skip-empty", "program", kFixtures + "/small.hex"})
            .out.contains("Serial number 17"));
    simulator.WithModel([](FirmwareModel& model) { EXPECT_EQ(model.eeprom[0xF0] * 256 + model.eeprom[0xF1], 17); });
    // A START above the numbers given is taken as it is, and a number too large for its place fails the chip.
    const Result tooLarge = Run({"--record", db, "--serial", "65536", "--serial-at", "id", "program", kFixtures + "/small.hex"});
    EXPECT_EQ(tooLarge.exitCode, 2);
    EXPECT_TRUE(tooLarge.err.contains("serial number 65536 does not fit")) << tooLarge.err.toStdString();
    EXPECT_TRUE(RunBare({"record", db}).out.contains("7 chips, 3 passed, 3 failed, 0 empty, 1 unfinished"));
}

TEST_F(Cli, TheChipsIdIsReadBeforeItIsTouched)
{
    PtySimulator socket(EmptySocket()), odd({.deviceId = 0x1234});
    ASSERT_EQ(socket.Start(), QString());
    ASSERT_EQ(odd.Start(), QString());
    const Result none = Run({"program", kFixtures + "/small.hex"}, &socket);
    EXPECT_EQ(none.exitCode, 8);
    EXPECT_TRUE(none.err.contains("No chip answers: its ID reads 3FFF.")) << none.err.toStdString();
    EXPECT_FALSE(QString::fromLatin1(socket.BytesSent(true)).contains(QRegularExpression(QStringLiteral("[BCEJK]"))));
    EXPECT_EQ(Run({"erase"}, &odd).exitCode, 8);
    EXPECT_EQ(Run({"--force", "program", kFixtures + "/small.hex"}, &odd).exitCode, 0);
    EXPECT_TRUE(Run({"detect"}).out.contains("Chip ID 0E20: 8192 program words, 256 EEPROM bytes, 40 pins, revision 0"));
}

TEST_F(Cli, AJobRunsWithExactlyItsSettingsAndAChangedOneNeverReachesAPort)
{
    const QString job = files.filePath("board.kjob"), db = files.filePath("line.db");
    const Result made = RunBare({"job", "create", job, "--hex", kFixtures + "/gaps.hex", "--fuse", "3F72", "--serial", "100",
                                 "--serial-at", "id", "--name", "Board A"});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_EQ(made.out, "84D0\n") << "the file's checksum with the job's fuse value";
    EXPECT_EQ(Run({"--fuse", "3FFF", "run", job}).exitCode, 2);
    EXPECT_EQ(Run({"--expect-checksum", "8490", "run", job}).exitCode, 4);
    ASSERT_EQ(Run({"--record", db, "--expect-checksum", "84d0", "run", job}).exitCode, 0);
    simulator.WithModel([](FirmwareModel& model) {
        EXPECT_EQ(model.config[7], 0x3F72);
        EXPECT_EQ(model.program[1], 0x03FF) << "a gap in a block written whole: the image's blank";
    });
    // A job that skips empty blocks: its checksum is that of the gaps left erased, as checksum --skip-empty says.
    const QString skipping = files.filePath("skip.kjob");
    const Result skipMade = RunBare({"job", "create", skipping, "--hex", kFixtures + "/gaps.hex", "--skip-empty"});
    const Result skipSum = RunBare({"checksum", "--skip-empty", kFixtures + "/gaps.hex"});
    EXPECT_EQ(skipMade.out, skipSum.out);
    EXPECT_NE(skipSum.out, RunBare({"checksum", kFixtures + "/gaps.hex"}).out);
    EXPECT_TRUE(skipSum.err.contains("skipping empty blocks")) << skipSum.err.toStdString();
    ASSERT_EQ(Run({"run", skipping}).exitCode, 0);
    simulator.WithModel([](FirmwareModel& model) { EXPECT_EQ(model.program[1], 0x3FFF); });
    QByteArray text = FileBytes(job);
    const QString hash = QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
    EXPECT_TRUE(RunBare({"record", db, "--csv"}).out.contains(",3F72,100,success,,")) << "the job's fuse and a serial number";
    EXPECT_TRUE(RunBare({"record", db, "--csv"}).out.contains(",0E20,Board A," + hash + ",1.2.0"));

    // One digit of the HEX text changed: refused with the reason, and the programmer never hears of it.
    const qsizetype at = text.indexOf("\"hex\": \":") + 20;
    text[at] = text[at] == '0' ? '1' : '0';
    ASSERT_TRUE(WriteFile(files.filePath("changed.kjob"), text));
    const long long heard = simulator.BytesFromProgram();
    const Result refused = Run({"--record", db, "run", files.filePath("changed.kjob")});
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_TRUE(refused.err.contains("does not match its SHA-256")) << refused.err.toStdString();
    EXPECT_EQ(simulator.BytesFromProgram(), heard);
}

TEST_F(Cli, RepeatRunsAJobRoundAtEachEnterAndSkipsAnEmptySocket)
{
    PtySimulator second;
    ASSERT_EQ(second.Start(), QString());
    const QString job = files.filePath("board.kjob");
    ASSERT_EQ(RunBare({"job", "create", job, "--hex", kFixtures + "/small.hex"}).exitCode, 0);
    QProcess cli;
    Start(cli, {"--quiet", "--repeat", "--port", simulator.Path() + ',' + second.Path(), "run", job});
    QByteArray out;
    const auto awaitRound = [&](int round) {
        ASSERT_TRUE(Await(cli, out, "After round " + QByteArray::number(round))) << out.toStdString();
    };
    // The second socket is empty in round 2: its chip's ID reads 3FFF.
    for (const int round : {1, 2}) {
        awaitRound(round);
        second.WithModel([round](FirmwareModel& model) { model.config[6] = round == 1 ? 0x3FFF : 0x0E20; });
        cli.write("\n");
    }
    awaitRound(3);
    // q ends the run while the input stays open.
    cli.write(" q\n");
    ASSERT_TRUE(cli.waitForFinished(60000));
    out += cli.readAllStandardOutput();
    EXPECT_EQ(cli.exitCode(), 0);
    EXPECT_TRUE(out.contains("empty"));
    const QRegularExpression counts(QRegularExpression::escape(second.Path())
                                    + " +2 passed +0 failed +1 empty\nAfter round 3: 5 passed, 0 failed, 1 empty.");
    EXPECT_TRUE(QString::fromLatin1(out).contains(counts)) << out.toStdString();

    // So does the end of the input, after the round under way.
    QProcess ended;
    Start(ended, {"--quiet", "--repeat", "--port", simulator.Path(), "run", job});
    ended.closeWriteChannel();
    ASSERT_TRUE(ended.waitForFinished(60000));
    const QByteArray once = ended.readAllStandardOutput();
    EXPECT_TRUE(once.contains("After round 1") && !once.contains("After round 2")) << once.toStdString();
}

TEST_F(Cli, TheJsonStreamIsOneObjectALineInOrderAndAgreesWithTheRecord)
{
    PtySimulator faulty({.stuckBit = SimulatorFaults::StuckBit{0x0, 11, 0}}), socket(EmptySocket());
    ASSERT_EQ(faulty.Start(), QString());
    ASSERT_EQ(socket.Start(), QString());
    const QString db = files.filePath("line.db");
    // A port is named as it was given, in the events as in the record.
    const QString given = simulator.Path().mid(QStringLiteral("/dev/").size());
    const Result run = RunBare({"--json", "--port", given + ',' + faulty.Path() + ',' + socket.Path(), "--record", db, "--serial",
                                "5", "--serial-at", "id", "program", kFixtures + "/eeprom-full.hex"});
    EXPECT_EQ(run.exitCode, 8) << "the highest: an empty socket over a mismatch";
    QStringList events;
    QMap<QString, QString> results;
    QMap<QString, int> progressPerPass;
    for (const QString& line : run.out.split(u'\n', Qt::SkipEmptyParts)) {
        const QJsonObject event = QJsonDocument::fromJson(line.toUtf8()).object();
        ASSERT_EQ(event.value("v").toInt(), 1) << line.toStdString();
        events << event.value("event").toString();
        if (events.back().endsWith("-finished") && event.contains("tally")) {
            EXPECT_EQ(event.value("exit").toInt(), run.exitCode) << line.toStdString();
        }
        if (events.back() == "progress")
            ++progressPerPass[event.value("port").toString() + event.value("pass").toString()];
        if (events.back() == "chip-finished")
            results[event.value("port").toString()] =
                event.value("result").toString() + ',' + event.value("serial").toVariant().toString();
    }
    EXPECT_EQ(events.first(), "run-started");
    EXPECT_EQ(events.mid(events.size() - 2), (QStringList{"round-finished", "run-finished"}));
    EXPECT_EQ(events.count("chip-started"), 2) << "none for the empty socket";
    EXPECT_EQ(events.count("chip-identified"), 3);
    ASSERT_FALSE(progressPerPass.isEmpty());
    for (const int told : progressPerPass)
        EXPECT_LE(told, 11) << "one at each tenth of a pass";
    const Result rows = RunBare({"record", db, "--csv"});
    QMap<QString, QString> recorded;
    for (const QString& line : rows.out.split(u'\n', Qt::SkipEmptyParts).mid(1))
        recorded[line.section(u',', 3, 3)] = line.section(u',', 9, 9) + ',' + line.section(u',', 8, 8);
    EXPECT_EQ(results, recorded);
    EXPECT_EQ(recorded[socket.Path()], "empty,");
    EXPECT_TRUE(recorded[given].startsWith("success,")) << recorded.keys().join(u' ').toStdString();
}

TEST_F(Cli, SocketsOnTheirOwnRunUntilQuitAndCtrlCStopsAtOnce)
{
    PtySimulator second;
    ASSERT_EQ(second.Start(), QString());
    for (PtySimulator* each : {&simulator, &second})
        each->WithModel([](FirmwareModel& model) { model.Seat(false); });
    QProcess cli;
    Start(cli, {"--json", "--repeat", "auto", "--port", simulator.Path() + ',' + second.Path(), "erase"});
    QByteArray out;
    ASSERT_TRUE(Await(cli, out, "\"waiting-for-chip\"", 2)) << out.toStdString();
    simulator.WithModel([](FirmwareModel& model) { model.Seat(true); });
    ASSERT_TRUE(Await(cli, out, "\"waiting-for-removal\"")) << out.toStdString();
    EXPECT_EQ(out.count("\"chip-finished\""), 1);
    // Ctrl-C while the sockets wait: the run ends at once, with its last event.
    cli.terminate();
    ASSERT_TRUE(cli.waitForFinished(10000));
    out += cli.readAllStandardOutput();
    EXPECT_EQ(cli.exitCode(), 130);
    EXPECT_TRUE(out.trimmed().endsWith("}") && out.contains("\"run-finished\"")) << out.toStdString();
    EXPECT_EQ(second.EraseCommands(), 0) << "an empty socket is never erased";
}

TEST_F(Cli, WatchProgramsAtOnceThenAtEachNewWriteAndCtrlCWhileWaitingEndsAtOnce)
{
    const QString watched = files.filePath("build.hex");
    const auto writeAs = [&](const QString& fixture, int pieces, int gap = 30) {
        ASSERT_TRUE(WriteAsBuilt(kFixtures + fixture, watched, pieces, gap));
    };
    writeAs("/small.hex", 1);
    QProcess cli;
    Start(cli, {"--json", "--port", simulator.Path(), "--watch", "program", watched});
    QByteArray out;
    const auto await = [&](int runs) {
        return Await(cli, out, "\"run-finished\"", runs) && out.count("\"chip-finished\"") == runs
               && out.count("\"run-finished\"") == runs;
    };
    ASSERT_TRUE(await(1)) << out.toStdString();
    writeAs("/counter.hex", 3);
    ASSERT_TRUE(await(2)) << out.toStdString();
    QThread::msleep(1000);
    // A pause inside a write shorter than the 250 ms that a file must hold still is still one write.
    writeAs("/gaps.hex", 2, 150);
    ASSERT_TRUE(await(3)) << out.toStdString();
    // Ctrl-C while it waits, not as the last run winds up.
    QThread::msleep(500);
    cli.terminate();
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitCode(), 0) << "the last run's";
    EXPECT_EQ(simulator.EraseCommands(), 3) << "one run for each write, however many pieces it came in";
    EXPECT_EQ(Run({"verify", kFixtures + "/gaps.hex"}).exitCode, 0);
}
