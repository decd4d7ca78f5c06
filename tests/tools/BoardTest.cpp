#include "BoardProcess.h"
#include "image/HexLoader.h"
#include "image/MemoryImage.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <array>
#include <atomic>
#include <thread>

namespace {

struct Cli {
    int exitCode = -1;
    QString output;
};

Cli RunCli(const QStringList& arguments)
{
    QProcess cli;
    cli.start(QStringLiteral(KORVEXC_CLI), arguments);
    cli.waitForFinished(600000);
    return {cli.exitCode(), QString::fromLocal8Bit(cli.readAllStandardOutput() + cli.readAllStandardError())};
}

// The chip a HEX file describes when it lies over an erased chip: words and
// ID words from their bytes, the EEPROM as the program reads it.
struct Chip {
    std::array<int, 8192> program{};
    std::array<int, 4> ids{};
    int configuration = 0x3FFF;
    std::array<int, 256> eeprom{};
    bool operator==(const Chip&) const = default;
};

Chip ChipOf(const QString& path)
{
    Chip chip;
    chip.program.fill(0x3FFF);
    chip.ids.fill(0x3FFF);
    chip.eeprom.fill(0xFF);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine()) {
        const QByteArray record = QByteArray::fromHex(line.trimmed().mid(1));
        const int start = std::uint8_t(record[1]) << 8 | std::uint8_t(record[2]);
        for (int k = 0; record[3] == 0 && k < std::uint8_t(record[0]); ++k) {
            const int address = start + k;
            int* word = address < 0x4000        ? &chip.program[std::size_t(address / 2)]
                        : address < 0x4008      ? &chip.ids[std::size_t((address - 0x4000) / 2)]
                        : address / 2 == 0x2007 ? &chip.configuration
                                                : nullptr;
            const int byte = std::uint8_t(record[4 + k]);
            if (word)
                *word = address % 2 ? (*word & 0xFF) | (byte & 0x3F) << 8 : (*word & 0x3F00) | byte;
        }
    }
    MemoryImage image;
    EXPECT_TRUE(HexLoader::LoadHexFile(path, image, [](const HexNotice&) {}));
    for (int i = 0; i <= std::min<int>(image.EepromTop, 255); ++i)
        chip.eeprom[std::size_t(i)] = image.EepromImage[std::size_t(i)];
    return chip;
}

// The first place where two chips differ, or nothing.
std::string Difference(const Chip& got, const Chip& expected)
{
    char text[64] = "";
    for (std::size_t i = 0; i < got.program.size() && !*text; ++i) {
        if (got.program[i] != expected.program[i])
            std::snprintf(text, sizeof text, "word %zX: %04X, not %04X", i, got.program[i], expected.program[i]);
    }
    for (std::size_t i = 0; i < got.eeprom.size() && !*text; ++i) {
        if (got.eeprom[i] != expected.eeprom[i])
            std::snprintf(text, sizeof text, "EEPROM %zX: %02X, not %02X", i, got.eeprom[i], expected.eeprom[i]);
    }
    for (std::size_t i = 0; i < got.ids.size() && !*text; ++i) {
        if (got.ids[i] != expected.ids[i])
            std::snprintf(text, sizeof text, "ID %zu: %04X, not %04X", i, got.ids[i], expected.ids[i]);
    }
    if (!*text && got.configuration != expected.configuration)
        std::snprintf(text, sizeof text, "configuration %04X, not %04X", got.configuration, expected.configuration);
    return text;
}

// What programming leaves on a chip: the image's words in every block up
// to its last word, blank or not, and its ID and configuration words, these
// read back with the unimplemented bits and LVP set; and, when read back,
// what the chip's protection hides as zeros.
Chip Programmed(const QString& path, bool readBack)
{
    MemoryImage image;
    EXPECT_TRUE(HexLoader::LoadHexFile(path, image, [](const HexNotice&) {}));
    Chip chip;
    chip.program.fill(0x3FFF);
    for (int word = 0; word < (image.ProgramReadWords() + 7) / 8 * 8; ++word)
        chip.program[std::size_t(word)] = image.ProgramWord(2 * word) & 0x3FFF;
    for (int i = 0; i < 4; ++i)
        chip.ids[std::size_t(i)] = image.ConfigWord(2 * i) & 0x3FFF;
    chip.configuration = (image.ConfigWord(MemoryImage::kConfigWordOffset) & 0x3FFF) | 0x10B0;
    chip.eeprom.fill(0xFF);
    for (int i = 0; i <= std::min<int>(image.EepromTop, 255); ++i)
        chip.eeprom[std::size_t(i)] = image.EepromImage[std::size_t(i)];
    if (readBack && !(chip.configuration & 0x2000))
        chip.program.fill(0);
    if (readBack && !(chip.configuration & 0x0100))
        chip.eeprom.fill(0);
    return chip;
}

// A pseudo-terminal opened raw, for the exchange byte by byte.
class RawPort {
public:
    explicit RawPort(const QString& path, speed_t rate = B19200) : fd_(open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY))
    {
        termios settings{};
        tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        cfsetspeed(&settings, rate);
        tcsetattr(fd_, TCSANOW, &settings);
    }
    ~RawPort() { close(fd_); }
    // Sends the bytes and reads what comes back within the time given.
    QByteArray Exchange(const QByteArray& bytes, int answerBytes)
    {
        EXPECT_EQ(write(fd_, bytes.constData(), std::size_t(bytes.size())), bytes.size());
        QByteArray answer;
        pollfd ready{fd_, POLLIN, 0};
        while (answer.size() < answerBytes && poll(&ready, 1, 5000) == 1) {
            char byte = 0;
            if (read(fd_, &byte, 1) == 1)
                answer.append(byte);
        }
        return answer;
    }

private:
    int fd_;
};

// A noisy line between the host and a board: every byte passes, but the
// fifth after the host's first toBoard letter and the fifth after the board's
// first toHost letter are spoilt: in the first block the host writes, and the
// first it reads.
class SpoilingLine {
public:
    SpoilingLine(const QString& board, char toBoard, char toHost)
        : host_(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK)),
          board_(open(board.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        grantpt(host_);
        unlockpt(host_);
        path_ = QString::fromLocal8Bit(ptsname(host_));
        for (const int fd : {kept_ = open(ptsname(host_), O_RDWR | O_NOCTTY), board_}) {
            termios settings{};
            tcgetattr(fd, &settings);
            cfmakeraw(&settings);
            tcsetattr(fd, TCSANOW, &settings);
        }
        relay_ = std::thread([this, toBoard, toHost] {
            pollfd ready[2] = {{host_, POLLIN, 0}, {board_, POLLIN, 0}};
            int spoilToBoard = -1;
            int spoilToHost = -1;
            while (!stop_) {
                if (poll(ready, 2, 20) > 0) {
                    FollowRate();
                    Pass(host_, board_, toBoard, spoilToBoard);
                    Pass(board_, host_, toHost, spoilToHost);
                }
            }
        });
    }
    ~SpoilingLine()
    {
        stop_ = true;
        relay_.join();
        for (const int fd : {host_, kept_, board_})
            close(fd);
    }
    const QString& Path() const { return path_; }

private:
    // The board's end of the line runs at the rate the host set on its own.
    void FollowRate() const
    {
        termios host{}, board{};
        if (tcgetattr(host_, &host) == 0 && tcgetattr(board_, &board) == 0 && cfsetspeed(&board, cfgetospeed(&host)) == 0)
            tcsetattr(board_, TCSANOW, &board);
    }
    // countdown: -1 until the letter passes, then the bytes left to the one spoilt, 0 once done.
    static void Pass(int from, int to, char letter, int& countdown)
    {
        char byte = 0;
        while (read(from, &byte, 1) == 1) {
            if (countdown > 0 && --countdown == 0)
                byte ^= 0x01;
            else if (countdown < 0 && byte == letter)
                countdown = 5;
            EXPECT_EQ(write(to, &byte, 1), 1);
        }
    }

    int host_;
    int board_;
    int kept_ = -1;
    QString path_;
    std::atomic<bool> stop_{false};
    std::thread relay_;
};

// The table's exchanges: bytes sent, and how many come back.
// clang-format off
const std::vector<std::pair<QByteArray, int>> kExchanges = {
    {"@", 1}, {"Z", 0}, {"A", 2}, {"B", 2}, {QByteArray("C\x12\x34", 3), 4}, {"I", 2}, {QByteArray("C\0\x01", 3), 4},
    {"J", 2}, {"A", 2}, {"G", 3}, {"I", 2}, {"G", 3}, {"A", 2}, {QByteArray("E\0\x5A", 3), 4}, {"J", 2}, {"H", 3},
    {"A", 2}, {QByteArray("D\0\0", 3), 4}, {"I", 2}, {"I", 2}, {"I", 2}, {"I", 2}, {"I", 2}, {"I", 2}, {"F", 3},
    {"I", 2}, {"F", 3}, {"K", 2}};
// clang-format on

QList<QByteArray> Converse(const QString& port)
{
    RawPort raw(port);
    QList<QByteArray> answers;
    for (const auto& [sent, answerBytes] : kExchanges)
        answers << raw.Exchange(sent, answerBytes);
    return answers;
}

}  // namespace

// Byte by byte, the firmware answers the table as the protocol simulator
// does: only the byte an EEPROM read puts before its data may differ.
TEST(Board, AnswersTheTableByteByByteAsTheProtocolSimulatorDoes)
{
    BoardProcess board;
    ASSERT_EQ(board.Ports().size(), 1);
    QProcess simulator;
    simulator.start(QStringLiteral(KORVEXC_SIM));
    ASSERT_TRUE(simulator.waitForReadyRead(10000));
    const QString simulated = QString::fromLocal8Bit(simulator.readLine()).trimmed();

    QList<QByteArray> fromBoard = Converse(board.Ports()[0]);
    QList<QByteArray> fromSimulator = Converse(simulated);
    simulator.terminate();
    simulator.waitForFinished();
    ASSERT_EQ(fromBoard.size(), fromSimulator.size());
    EXPECT_EQ(fromBoard[15], QByteArray("H\0\x5A", 3));
    for (int i = 0; i < fromBoard.size(); ++i) {
        if (kExchanges[std::size_t(i)].first == "H")
            fromBoard[i][1] = fromSimulator[i][1];
        EXPECT_EQ(fromBoard[i].toHex(' '), fromSimulator[i].toHex(' ')) << "exchange " << i;
    }
    EXPECT_EQ(fromBoard[9], QByteArray("G\x12\x34", 3));
    EXPECT_EQ(fromBoard[24], QByteArray("F\x0E\x20", 3));
    // At a rate other than the firmware's, the board hears another byte, and the ping goes unanswered.
    EXPECT_NE(RawPort(board.Ports()[0], B9600).Exchange("@", 1), QByteArray("^"));
    EXPECT_EQ(board.Stop(), 0) << board.Told().toStdString();
}

// Every fixture through the firmware: programmed, verified and read back,
// the chip model holding exactly what programming leaves, and no rule of the
// chip broken on the way. A file without a configuration word leaves its
// program protected, and a verify of it fails.
class BoardFixture : public testing::TestWithParam<const char*> {};

TEST_P(BoardFixture, GoesInAndComesBackWithinTheChipsTimes)
{
    QTemporaryDir dir;
    const QString file = QStringLiteral(KORVEXC_FIXTURES "/") + QLatin1String(GetParam());
    const QString saved = dir.filePath(QStringLiteral("chip.hex"));
    const QString back = dir.filePath(QStringLiteral("back.hex"));
    BoardProcess board({"--save", saved});
    const QStringList port{"--port", board.Ports().value(0)};
    EXPECT_EQ(RunCli(port + QStringList{"program", file}).exitCode, 0);
    const Chip written = Programmed(file, false);
    // Programming writes block 0 whenever the file gives any program word.
    const bool hidden = !(written.configuration & 0x2000) && written.program[0] != 0x3FFF;
    EXPECT_EQ(RunCli(port + QStringList{"verify", file}).exitCode, hidden ? 5 : 0);
    EXPECT_EQ(RunCli(port + QStringList{"read", back}).exitCode, 0);
    EXPECT_EQ(Difference(ChipOf(back), Programmed(file, true)), "");
    EXPECT_EQ(board.Stop(), 0) << board.Told().toStdString();
    EXPECT_EQ(Difference(ChipOf(saved), written), "");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BoardFixture,
                         testing::Values("byte-layout.hex", "counter.hex", "eeprom-full.hex", "eeprom-upper-linked.hex",
                                         "gaps.hex", "small.hex", "topbits.hex"));

// The whole chip, every word and every EEPROM byte, in and back out; then
// erased, and blank.
TEST(Board, AFullChipGoesInComesBackWordForWordAndErasesToBlank)
{
    QTemporaryDir dir;
    const QString file = QStringLiteral(KORVEXC_FIXTURES "/full.hex");
    const QString back = dir.filePath(QStringLiteral("back.hex"));
    BoardProcess board;
    const QStringList port{"--port", board.Ports().value(0)};
    EXPECT_EQ(RunCli(port + QStringList{"program", file}).exitCode, 0);
    EXPECT_EQ(RunCli(port + QStringList{"read", back}).exitCode, 0);
    EXPECT_EQ(Difference(ChipOf(back), Programmed(file, true)), "");
    EXPECT_EQ(RunCli(port + QStringList{"blank-check"}).exitCode, 5);
    EXPECT_EQ(RunCli(port + QStringList{"erase"}).exitCode, 0);
    EXPECT_EQ(RunCli(port + QStringList{"blank-check"}).exitCode, 0);
    EXPECT_EQ(board.Stop(), 0) << board.Told().toStdString();
}

// A chip saved by one board and loaded by the next is the one the host finds; a file that is no HEX file is refused.
TEST(Board, AChipSavedAndLoadedAgainIsTheOneTheHostFinds)
{
    QTemporaryDir dir;
    const QString file = QStringLiteral(KORVEXC_FIXTURES "/small.hex"), saved = dir.filePath(QStringLiteral("chip.hex"));
    BoardProcess first({"--save", saved});
    EXPECT_EQ(RunCli({"--port", first.Ports().value(0), "program", file}).exitCode, 0);
    EXPECT_EQ(first.Stop(), 0) << first.Told().toStdString();
    BoardProcess next({"--load", saved, "--stats"});
    EXPECT_EQ(RunCli({"--port", next.Ports().value(0), "verify", file}).exitCode, 0);
    // The firmware answers each byte within three byte times at 19200 baud, 8334 cycles each.
    EXPECT_EQ(next.Stop(), 0);
    const QRegularExpressionMatch slowest = QRegularExpression(QStringLiteral("came (\\d+) cycles")).match(next.Told());
    EXPECT_TRUE(slowest.hasMatch() && slowest.captured(1).toULongLong() < 3 * 8334) << next.Told().toStdString();
    BoardProcess refused({"--load", QStringLiteral(KORVEXC_FIXTURES "/../../README.md")});
    EXPECT_TRUE(refused.Ports().isEmpty());
    EXPECT_NE(refused.Stop(), 0);
    EXPECT_TRUE(refused.Told().contains(QStringLiteral("is not valid"))) << refused.Told().toStdString();
    EXPECT_TRUE(BoardProcess({"--help"}).Ports().value(0).startsWith(QStringLiteral("Usage:")));
    EXPECT_EQ(BoardProcess({"--version"}).Ports().value(0), QStringLiteral("korvexc-board 1.2.0"));
}

// No chip, no power or LVP off: the host says that no chip answers, nothing
// hangs, and the firmware answers the next ping.
TEST(Board, AChipThatCannotAnswerIsToldAndTheFirmwareStaysReady)
{
    const QString file = QStringLiteral(KORVEXC_FIXTURES "/small.hex");
    for (const char* fault : {"--no-chip", "--unpowered", "--lvp-off"}) {
        SCOPED_TRACE(fault);
        BoardProcess board({fault});
        const QStringList port{"--port", board.Ports().value(0)};
        const Cli program = RunCli(port + QStringList{"program", file});
        EXPECT_EQ(program.exitCode, 8);
        EXPECT_TRUE(program.output.contains(QStringLiteral("No chip answers"))) << program.output.toStdString();
        EXPECT_TRUE(RunCli(port + QStringList{"detect"}).output.contains(QStringLiteral("Programmer detected")));
        EXPECT_EQ(board.Stop(), 0) << board.Told().toStdString();
    }
}

// Four boards at once, one record.
TEST(Board, AGangOfFourProgramsIntoOneRecord)
{
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("line.db"));
    BoardProcess boards({}, 4);
    ASSERT_EQ(boards.Ports().size(), 4);
    const Cli gang = RunCli(
        {"--port", boards.Ports().join(u','), "--record", record, "program", QStringLiteral(KORVEXC_FIXTURES "/small.hex")});
    EXPECT_EQ(gang.exitCode, 0) << gang.output.toStdString();
    const Cli rows = RunCli({"record", record});
    EXPECT_EQ(rows.exitCode, 0);
    EXPECT_EQ(rows.output.count(QStringLiteral(" success ")), 4) << rows.output.toStdString();
    EXPECT_EQ(boards.Stop(), 0) << boards.Told().toStdString();
}

// Skipping empty blocks, through the companion firmware's blocks: the chip
// holds the file over an erased chip, and a verify of the gaps agrees.
class BoardSkip : public testing::TestWithParam<const char*> {};

TEST_P(BoardSkip, TheChipHoldsTheFileOverAnErasedChip)
{
    QTemporaryDir dir;
    const QString file = QStringLiteral(KORVEXC_FIXTURES "/") + QLatin1String(GetParam());
    const QString back = dir.filePath(QStringLiteral("back.hex"));
    BoardProcess board;
    const QStringList port{"--port", board.Ports().value(0)};
    const Cli traced = RunCli(port + QStringList{"--trace", "program", "--skip-empty", file});
    EXPECT_EQ(traced.exitCode, 0);
    // Every "A" starts a pass of the firmware's own letters, or the configuration
    // area's: none is a fall back to the table's after a check that failed.
    const QStringList sent = traced.output.split(u'\n').filter(QRegularExpression(QStringLiteral("^> ")));
    const QStringList passStarts{"> 41", "> 44", "> 4C", "> 4D", "> 4E", "> 50", "> 51", "> 52"};
    for (qsizetype i = 0; i + 1 < sent.size(); ++i) {
        if (sent[i] == QLatin1String("> 41")) {
            EXPECT_TRUE(passStarts.contains(sent[i + 1].left(4))) << sent[i + 1].toStdString();
        }
    }
    EXPECT_EQ(RunCli(port + QStringList{"verify", "--skip-empty", "--check-gaps", file}).exitCode, 0);
    EXPECT_EQ(RunCli(port + QStringList{"read", back}).exitCode, 0);
    Chip expected = ChipOf(file);
    const Chip whole = Programmed(file, true);
    expected.ids = whole.ids;
    expected.configuration = whole.configuration;
    EXPECT_EQ(Difference(ChipOf(back), expected), "");
    EXPECT_EQ(board.Stop(), 0) << board.Told().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BoardSkip,
                         testing::Values("only-word0.hex", "only-block-end.hex", "only-chip-end.hex", "two-far.hex",
                                         "eeprom-only.hex", "xc8-layout.hex"));

// A block spoilt on the line, either way, is found by its check byte and
// carried again with the letters: the chip is programmed and verified good,
// and holds exactly the file.
TEST(Board, ABlockSpoiltOnTheLineIsCarriedAgainWithTheLetters)
{
    QTemporaryDir dir;
    const QString file = QStringLiteral(KORVEXC_FIXTURES "/small.hex");
    const QString back = dir.filePath(QStringLiteral("back.hex"));
    BoardProcess board;
    {
        // The first EEPROM block written, and the first read back.
        const QString eeprom = QStringLiteral(KORVEXC_FIXTURES "/eeprom-only.hex");
        SpoilingLine line(board.Ports().value(0), 'P', 'Q');
        const Cli traced = RunCli({"--port", line.Path(), "--trace", "program", eeprom});
        EXPECT_EQ(traced.exitCode, 0);
        // The faster rate asked for at the first block, the table's again at the end.
        const qsizetype raised = traced.output.indexOf(QStringLiteral("> 52\n< 52\n> 01 07\n"));
        EXPECT_GE(raised, 0);
        EXPECT_GT(traced.output.indexOf(QStringLiteral("> 52\n< 52\n> 00 00\n")), raised);
        EXPECT_EQ(RunCli({"--port", line.Path(), "verify", eeprom}).exitCode, 0);
    }
    {
        SpoilingLine line(board.Ports().value(0), 'M', 'N');
        const QStringList port{"--port", line.Path()};
        EXPECT_TRUE(RunCli(port + QStringList{"detect"}).output.contains(QStringLiteral("companion firmware")));
        EXPECT_EQ(RunCli(port + QStringList{"program", file}).exitCode, 0);
        EXPECT_EQ(RunCli(port + QStringList{"verify", file}).exitCode, 0);
    }
    EXPECT_EQ(RunCli({"--port", board.Ports().value(0), "read", back}).exitCode, 0);
    EXPECT_EQ(Difference(ChipOf(back), Programmed(file, true)), "");
    EXPECT_EQ(board.Stop(), 0) << board.Told().toStdString();
}
