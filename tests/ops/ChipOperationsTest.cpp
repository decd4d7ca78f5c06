#include "image/HexLoader.h"
#include "image/MemoryImage.h"
#include "link/CommandEnvelope.h"
#include "ops/ChipOperations.h"
#include "ops/CommandFlows.h"
#include "ChipBench.h"
#include "WireCommands.h"

#include <gtest/gtest.h>

using namespace std::chrono;

namespace {

const QString kFixtures = QStringLiteral(KORVEXC_FIXTURES);

void SetWord(MemoryImage& image, int word, int value)
{
    image.ProgramImage[2 * word] = std::uint8_t(value & 0xFF);
    image.ProgramImage[2 * word + 1] = std::uint8_t(value >> 8);
}

void SetConfigWord(MemoryImage& image, int location, int value)
{
    image.ConfigImage[2 * location] = std::uint8_t(value & 0xFF);
    image.ConfigImage[2 * location + 1] = std::uint8_t(value >> 8);
}

// A 100-word program, a full EEPROM, ID words 1 to 4 and the configuration word 0x3F72.
void HundredWords(MemoryImage& image)
{
    image.ClearImage();
    for (int w = 0; w < 100; ++w)
        SetWord(image, w, (w * 37 + 5) & 0x3FFF);
    image.ProgramTop = 199;
    for (int i = 0; i < 256; ++i)
        image.EepromImage[i] = std::uint8_t(i ^ 0x5A);
    image.EepromTop = 255;
    for (int id = 0; id < 4; ++id)
        SetConfigWord(image, id, id + 1);
    SetConfigWord(image, 7, 0x3F72);
}

QStringList Progress(const QString& label, int step, int last)
{
    QStringList texts;
    for (int value = 0; value <= last; value += step)
        texts << label + QString::number(value, 16).toUpper();
    return texts;
}

}  // namespace

TEST(ProgramChip, HundredWordsGoOutInWholeBlocksAndEverythingIsVerified)
{
    ChipBench bench;
    HundredWords(bench.image);
    bench.Run([](ChipOperations& operations) { operations.ProgramChip(); });

    const QStringList expected = Progress("Programming ", 0x20, 0x60) + Progress("EEPROM Programming ", 0x10, 0xF0)
                                 + QStringList{"Verifying Program Memory"} + Progress("Verifying ", 0x20, 0x60)
                                 + Progress("Verifying EEPROM ", 0x10, 0xF0)
                                 + QStringList{"Programming Configuration", "Final Verify", "Done"};
    EXPECT_EQ(bench.ui.statuses, expected);
    QStringList yielded = expected;
    yielded.removeAll("Verifying Program Memory");
    yielded.removeAll("Done");
    EXPECT_EQ(bench.ui.yieldsAfterStatus, yielded) << "one yield after each progress text";
    EXPECT_TRUE(bench.ui.messages.isEmpty());
    EXPECT_TRUE(bench.ui.questions.isEmpty());

    const QStringList commands = bench.Commands();
    EXPECT_EQ(commands.mid(0, 5), (QStringList{"@", "A", "D 00 00", "B", "A"}));
    const int programEnd = WireCommands::Find(commands, "A", 2);
    EXPECT_EQ(WireCommands::Count(commands, "J", 5, programEnd), 13);
    EXPECT_EQ(WireCommands::Count(commands, "C", 5, programEnd), 104);
    EXPECT_EQ(WireCommands::Count(commands, "I", 5, programEnd), 103);
    EXPECT_EQ(commands.mid(5, 4), (QStringList{"C 00 05", "I", "C 00 2A", "I"})) << "high byte first, I between words";
    EXPECT_EQ(commands.back(), "A");

    for (int w = 0; w < 100; ++w)
        ASSERT_EQ(bench.ChipWord(w), (w * 37 + 5) & 0x3FFF) << w;
    EXPECT_EQ(bench.ChipWord(100), 0x03FF) << "the last block is filled with the blank value";
    EXPECT_EQ(bench.ChipWord(104), 0x3FFF);
    EXPECT_EQ(bench.ChipConfig(7), 0x3F72);
    EXPECT_EQ(bench.ChipConfig(3), 4);
}

TEST(ProgramChip, BlocksAndReadsFollowProgramTop)
{
    struct Case {
        int top, blocks, reads;
    };
    for (const Case& c : {Case{-1, 0, 0}, Case{0, 1, 1}, Case{1, 1, 1}, Case{14, 1, 8}, Case{15, 1, 8}, Case{16, 2, 9},
                          Case{16384, 1024, 8192}}) {
        ChipBench bench;
        bench.image.ClearImage();
        bench.image.ProgramTop = std::int16_t(c.top);
        bench.Run([](ChipOperations& operations) { operations.ProgramChip(); });
        const QStringList commands = bench.Commands();
        const int programEnd = WireCommands::Find(commands, "A", 2);
        EXPECT_EQ(WireCommands::Count(commands, "J", 5, programEnd), c.blocks) << c.top;
        EXPECT_EQ(WireCommands::Count(commands, "C", 5, programEnd), 8 * c.blocks) << c.top;
        EXPECT_EQ(WireCommands::Count(commands, "G"), c.reads) << c.top;
        EXPECT_EQ(bench.ui.statuses.back(), "Done") << c.top;
    }
}

TEST(VerifyMemory, NothingLoadedSendsTwoRestartsOnly)
{
    ChipBench bench;
    bench.image.ClearImage();
    bool result = false;
    bench.Run([&](ChipOperations& operations) { result = operations.VerifyMemory(); });
    EXPECT_TRUE(result);
    EXPECT_EQ(bench.Commands(), (QStringList{"@", "A", "A"}));
    EXPECT_EQ(bench.ui.statuses, QStringList{"Verifying Program Memory"});
}

TEST(VerifyMemory, MismatchesAreAskedAboutAndNoStopsAtOnce)
{
    for (const bool yes : {true, false}) {
        ChipBench bench;
        bench.image.ClearImage();
        for (int w = 0; w < 32; ++w)
            SetWord(bench.image, w, w == 0x1A ? 0x1234 : 0x3FFF);
        bench.image.ProgramTop = 63;
        bench.image.EepromTop = 15;
        bench.image.EepromImage[5] = 0x00;
        bench.ui.answers = {yes, yes};
        bool result = !yes;
        bench.Run([&](ChipOperations& operations) { result = operations.VerifyMemory(); });
        EXPECT_EQ(result, yes);
        const QStringList commands = bench.Commands();
        if (yes) {
            EXPECT_EQ(bench.ui.questions, (QStringList{"Verify error @1A Continue?", "EEPROM Verify error @5 Continue?"}));
            EXPECT_EQ(WireCommands::Count(commands, "G"), 32);
            EXPECT_EQ(WireCommands::Count(commands, "H"), 16);
        } else {
            EXPECT_EQ(bench.ui.questions, QStringList{"Verify error @1A Continue?"});
            EXPECT_EQ(WireCommands::Count(commands, "G"), 0x1B);
            EXPECT_EQ(commands.back(), "G") << "no I after the mismatch, no EEPROM pass";
        }
    }

    // The same at the EEPROM alone.
    ChipBench eeprom;
    eeprom.image.ClearImage();
    eeprom.image.EepromTop = 15;
    eeprom.image.EepromImage[5] = 0x00;
    eeprom.ui.answers = {false};
    eeprom.Run([](ChipOperations& operations) { EXPECT_FALSE(operations.VerifyMemory()); });
    EXPECT_EQ(eeprom.Commands().back(), "H");
    EXPECT_EQ(WireCommands::Count(eeprom.Commands(), "H"), 6);
}

TEST(VerifyConfiguration, IdWordsAreAskedAboutAndTheFuseOnlyReported)
{
    // ID words that differ from the erased chip in their upper byte only.
    for (const bool yes : {true, false}) {
        ChipBench bench;
        bench.image.ClearImage();
        for (int id = 0; id < 4; ++id)
            SetConfigWord(bench.image, id, id == 0 ? 0x3FFF : 0x00FF);
        SetConfigWord(bench.image, 7, 0x3FFF);
        bench.ui.answers = {yes, yes, yes};
        bool result = !yes;
        bench.Run([&](ChipOperations& operations) { result = operations.VerifyConfiguration(); });
        EXPECT_EQ(result, yes);
        const QStringList commands = bench.Commands();
        EXPECT_EQ(commands.mid(0, 3), (QStringList{"@", "A", "D 00 00"}));
        if (yes) {
            EXPECT_EQ(bench.ui.questions.size(), 3);
            EXPECT_EQ(WireCommands::Count(commands, "F"), 5);
            EXPECT_EQ(WireCommands::Count(commands, "I"), 7);
            EXPECT_EQ(commands.back(), "F");
        } else {
            EXPECT_EQ(bench.ui.questions, QStringList{"Configuration verify failure. Continue?"});
            EXPECT_EQ(commands.mid(3), (QStringList{"F", "I", "F"}));
        }
        EXPECT_TRUE(bench.ui.messages.isEmpty());
        EXPECT_EQ(bench.ui.statuses, QStringList{"Final Verify"});
    }

    struct Case {
        int image, stored;
        bool raw, fails;
    };
    for (const Case& c : {Case{0x3F72, 0x3F72, false, false}, Case{0x3F72, 0x3F72, true, true}, Case{0x3FFF, 0x3FFF, false, false},
                          Case{0x3FFF, 0x3F7F, true, true}}) {
        SimulatorFaults faults;
        faults.rawConfigReadBack = c.raw;
        ChipBench bench(faults);
        bench.image.ClearImage();
        for (int id = 0; id < 4; ++id)
            SetConfigWord(bench.image, id, 0x3FFF);
        SetConfigWord(bench.image, 7, c.image);
        bench.sim.simulator.WithModel([&](FirmwareModel& model) { model.config[7] = std::uint16_t(c.stored); });
        bench.Run([](ChipOperations& operations) { EXPECT_TRUE(operations.VerifyConfiguration()); });
        EXPECT_EQ(bench.ui.messages, c.fails ? QStringList{"Fuse verify failure."} : QStringList{}) << std::hex << c.image;
    }
}

TEST(DoProgram, TheFuseAnswerDecidesWhatIsWritten)
{
    struct Case {
        std::optional<QString> answer;
        int programmed;  // -1: nothing beyond the detection is sent
        QString message;
    };
    for (const Case& c : {Case{QString(), -1, {}}, Case{QStringLiteral("3f72"), 0x3F72, {}}, Case{QStringLiteral("3F72"), 0x3F72, {}},
                          Case{QStringLiteral(" 3F 72 "), 0x3F72, {}}, Case{QStringLiteral("0x3F72"), 0x3F72, {}},
                          Case{QStringLiteral("3f7zz"), 0x03F7, {}}, Case{std::nullopt, 0x3F71, {}},
                          Case{QStringLiteral("xyz"), -1, QStringLiteral("not a hexadecimal number")},
                          Case{QStringLiteral("10000"), -1, QStringLiteral("does not fit in 16 bits")}}) {
        ChipBench bench;
        bench.file = kFixtures + "/counter.hex";
        bench.ui.promptAnswer = c.answer;
        bench.flows.DoProgram();
        const QString label = c.answer.value_or("(default)");
        EXPECT_EQ(bench.ui.prompts, QStringList{"Fuse select|Adjust current fuse value if desired|3F71"});
        if (c.programmed < 0) {
            EXPECT_EQ(bench.Commands(), QStringList{"@"}) << label.toStdString();
        } else {
            EXPECT_EQ(bench.ChipConfig(7), c.programmed) << label.toStdString();
            EXPECT_EQ(bench.ui.statuses.back(), "Done") << label.toStdString();
        }
        const QStringList messages = bench.ui.messages.filter(QStringLiteral("fuse value"));
        EXPECT_EQ(messages.size(), c.message.isEmpty() ? 0 : 1) << label.toStdString();
        if (!c.message.isEmpty() && !messages.isEmpty()) {
            EXPECT_TRUE(messages.front().contains(c.message)) << messages.front().toStdString();
        }
        EXPECT_FALSE(bench.ui.locked);
    }
}

TEST(DoProgram, ALostLinkStopsTheRunAtOnceWhereverItHappens)
{
    // Where each part of a run begins on the wire, from a whole run.
    ChipBench whole;
    whole.file = kFixtures + "/counter.hex";
    whole.flows.DoProgram();
    ASSERT_EQ(whole.ui.statuses.back(), "Done");
    const QStringList commands = whole.Commands();
    // The byte offset on the wire at which the command with this index starts.
    const auto offsetOf = [&commands](int index) {
        int offset = 0;
        for (int i = 0; i < index; ++i)
            offset += commands[i].size() == 1 ? 1 : 3;
        return offset;
    };
    const int programming = offsetOf(WireCommands::Find(commands, "J")) + 40;
    const int eeprom = offsetOf(WireCommands::Find(commands, "E")) + 300;
    const int idWords = offsetOf(WireCommands::Find(commands, "D", 1)) + 8;
    ASSERT_LT(programming, offsetOf(WireCommands::Find(commands, "E")));
    ASSERT_LT(eeprom, offsetOf(WireCommands::Find(commands, "G")));
    ASSERT_LT(idWords, offsetOf(WireCommands::Find(commands, "K")));
    for (const int silentAfter : {programming, eeprom, idWords}) {
        SimulatorFaults faults;
        faults.silentAfterBytes = silentAfter;
        ChipBench bench(faults);
        bench.file = whole.file;
        const auto start = steady_clock::now();
        bench.flows.DoProgram();
        EXPECT_LT(steady_clock::now() - start, seconds(5));
        EXPECT_EQ(bench.ui.messages.filter("stopped responding").size(), 1) << silentAfter;
        EXPECT_FALSE(bench.ui.statuses.contains("Done"));
        EXPECT_FALSE(bench.sim.link.IsOpen());
        EXPECT_FALSE(bench.ui.locked);
        bench.sim.Settle();
        EXPECT_EQ(bench.sim.FromProgram().size(), silentAfter + 1) << "nothing is sent after the unanswered byte";
    }
}

TEST(DoVerify, AFileThatFailsToLoadSendsNothingBeyondTheDetection)
{
    ChipBench bench;
    bench.file = kFixtures + "/missing.hex";
    bench.flows.DoVerify();
    EXPECT_EQ(bench.Commands(), QStringList{"@"});
    EXPECT_TRUE(bench.ui.statuses.isEmpty());
    EXPECT_EQ(bench.ui.messages.size(), 1);
}
