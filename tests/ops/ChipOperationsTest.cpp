#include "AssemblerListing.h"
#include "ChipBench.h"

#include "image/HexLoader.h"
#include "ops/SharedWords.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <algorithm>
#include <map>
#include <set>

namespace {

const QString kFixtures = QStringLiteral(KORVEXC_FIXTURES);

void SetWord(MemoryImage& image, int word, int value)
{
    image.ProgramImage[2 * word] = std::uint8_t(value & 0xFF);
    image.ProgramImage[2 * word + 1] = std::uint8_t(value >> 8);
}

QStringList Texts(const QString& label, int step, int last)
{
    QStringList texts;
    for (int value = 0; value <= last; value += step)
        texts << label + QString::number(value, 16).toUpper();
    return texts;
}

// The mismatches the operator was asked about, where each lies.
std::vector<std::pair<Memory, int>> Asked(const RecordingOperator& ui)
{
    std::vector<std::pair<Memory, int>> asked;
    for (const Mismatch& mismatch : ui.mismatches) {
        if (mismatch.memory != Memory::ConfigurationWord)
            asked.emplace_back(mismatch.memory, mismatch.address);
    }
    return asked;
}

// What an assembler listing puts over an erased chip, and how many blocks
// of eight words and EEPROM bytes it gives.
struct Listed {
    std::array<int, 8192> words{};
    std::array<int, 256> eeprom{};
    int blocks = 0;
    int eepromBytes = 0;
};

Listed ListedOverErased(const QString& listing)
{
    Listed listed;
    listed.words.fill(0x3FFF);
    listed.eeprom.fill(0xFF);
    std::set<int> blocks;
    for (const auto& [address, byte] : AssemblerListing::Bytes(listing)) {
        if (address < 0x4000) {
            int& word = listed.words.at(std::size_t(address / 2));
            word = address % 2 ? (word & 0xFF) | (byte & 0x3F) << 8 : (word & 0x3F00) | byte;
            blocks.insert(address / 16);
        } else if (address >= 0x4200 && address % 2 == 0) {
            listed.eeprom.at(std::size_t((address - 0x4200) / 2)) = byte;
            ++listed.eepromBytes;
        }
    }
    listed.blocks = int(blocks.size());
    return listed;
}

bool Program(ChipOperations& operations)
{
    operations.ProgramChip();
    return true;
}

}  // namespace

TEST(ProgramChip, HundredWordsGoOutInWholeBlocksAndEverythingIsVerified)
{
    ChipBench bench;
    for (int w = 0; w < 100; ++w)
        SetWord(bench.image, w, (w * 37 + 5) & 0x3FFF);
    bench.image.ProgramTop = 199;
    for (int i = 0; i < 256; ++i)
        bench.image.EepromImage[i] = std::uint8_t(i ^ 0x5A);
    bench.image.EepromTop = 255;
    for (int id = 0; id < 4; ++id)
        bench.image.SetConfigWord(2 * id, id + 1);
    bench.image.SetConfigWord(MemoryImage::kConfigWordOffset, 0x3F72);
    ASSERT_EQ(bench.Run(Program), true);

    const QStringList expected = Texts("Programming ", 0x20, 0x60) + Texts("EEPROM Programming ", 0x10, 0xF0)
                                 + QStringList{"Verifying Program Memory"} + Texts("Verifying ", 0x20, 0x60)
                                 + Texts("Verifying EEPROM ", 0x10, 0xF0)
                                 + QStringList{"Programming Configuration", "Final Verify", "Done"};
    EXPECT_EQ(bench.ui.statuses, expected);
    QStringList safePoints = expected;
    safePoints.removeAll("Verifying Program Memory");
    safePoints.removeAll("Done");
    EXPECT_EQ(bench.ui.safePointsAfterStatus, safePoints) << "one safe point after each progress text";
    EXPECT_EQ(bench.ui.completed, (std::vector<Pass>{Pass::Program, Pass::Eeprom, Pass::VerifyProgram, Pass::VerifyEeprom}));
    EXPECT_TRUE(bench.ui.messages.isEmpty() && bench.ui.mismatches.empty());

    const QStringList commands = bench.Commands();
    EXPECT_EQ(commands.mid(0, 5), (QStringList{"@", "A", "D 00 00", "B", "A"}));
    const int programEnd = ChipBench::Find(commands, "A", 2);
    EXPECT_EQ(ChipBench::Count(commands, "J", 5, programEnd), 13);
    EXPECT_EQ(ChipBench::Count(commands, "C", 5, programEnd), 104);
    EXPECT_EQ(ChipBench::Count(commands, "I", 5, programEnd), 103);
    EXPECT_EQ(commands.mid(5, 4), (QStringList{"C 00 05", "I", "C 00 2A", "I"})) << "high byte first, I between words";
    const int configuration = ChipBench::Find(commands, "D", 1) - 1;
    EXPECT_EQ(commands.mid(configuration, 15), (QStringList{"A", "D 00 00", "C 00 01", "I", "C 00 02", "I", "C 00 03", "I",
                                                            "C 00 04", "I", "J", "I", "I", "I", "C 3F 72"}));
    EXPECT_EQ(commands.mid(configuration + 15, 3), (QStringList{"K", "A", "D 00 00"}));
    EXPECT_EQ(commands.back(), "A");

    const FirmwareModel chip = bench.Chip();
    for (int w = 0; w < 100; ++w)
        ASSERT_EQ(chip.program[w], (w * 37 + 5) & 0x3FFF) << w;
    EXPECT_EQ(chip.program[100], 0x03FF) << "the last block is filled with the blank value";
    EXPECT_EQ(chip.program[104], 0x3FFF);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(chip.eeprom[i], i ^ 0x5A) << i;
    EXPECT_EQ(chip.config[7], 0x3F72);
    EXPECT_EQ(chip.config[3], 4);
}

TEST(ProgramChip, BlocksAndReadsFollowProgramTop)
{
    struct Case {
        int top, blocks, reads;
    };
    for (const Case& c :
         {Case{-1, 0, 0}, Case{1, 1, 1}, Case{14, 1, 8}, Case{15, 1, 8}, Case{16, 2, 9}, Case{16384, 1024, 8192}}) {
        ChipBench bench;
        bench.image.ProgramTop = std::int16_t(c.top);
        ASSERT_EQ(bench.Run(Program), true);
        const QStringList commands = bench.Commands();
        const int programEnd = ChipBench::Find(commands, "A", 2);
        EXPECT_EQ(ChipBench::Count(commands, "J", 5, programEnd), c.blocks) << c.top;
        EXPECT_EQ(ChipBench::Count(commands, "C", 5, programEnd), 8 * c.blocks) << c.top;
        EXPECT_EQ(ChipBench::Count(commands, "G"), c.reads) << c.top;
        EXPECT_EQ(bench.ui.statuses.back(), "Done") << c.top;
    }
}

TEST(VerifyMemory, MismatchesAreAskedAboutAndNoStopsAtOnce)
{
    ChipBench empty;
    EXPECT_EQ(empty.Run([](ChipOperations& operations) { return operations.VerifyMemory(); }), true);
    EXPECT_EQ(empty.Commands(), (QStringList{"@", "A", "A"}));
    EXPECT_EQ(empty.ui.statuses, QStringList{"Verifying Program Memory"});
    EXPECT_TRUE(empty.ui.completed.empty()) << "a pass with no locations does not fill the bar";

    for (const bool yes : {true, false}) {
        ChipBench bench;
        for (int w = 0; w < 32; ++w)
            SetWord(bench.image, w, w == 0x1A ? 0x1234 : 0x3FFF);
        bench.image.ProgramTop = 63;
        bench.image.EepromTop = 15;
        bench.image.EepromImage[5] = 0x00;
        bench.ui.answers = {yes, yes};
        EXPECT_EQ(bench.Run([](ChipOperations& operations) { return operations.VerifyMemory(); }), yes);
        const QStringList commands = bench.Commands();
        if (yes) {
            EXPECT_EQ(Asked(bench.ui),
                      (std::vector<std::pair<Memory, int>>{{Memory::ProgramWord, 0x1A}, {Memory::EepromByte, 5}}));
            EXPECT_EQ(bench.ui.mismatches.at(0).expected, 0x1234);
            EXPECT_EQ(bench.ui.mismatches.at(0).read, 0x3FFF);
            EXPECT_EQ(bench.ui.mismatches.at(1).read, 0xFF) << "only the EEPROM byte of the reply counts";
            EXPECT_EQ(ChipBench::Count(commands, "G"), 32);
            EXPECT_EQ(ChipBench::Count(commands, "H"), 16);
        } else {
            EXPECT_EQ(Asked(bench.ui), (std::vector<std::pair<Memory, int>>{{Memory::ProgramWord, 0x1A}}));
            EXPECT_EQ(ChipBench::Count(commands, "G"), 0x1B);
            EXPECT_EQ(commands.back(), "G") << "no I after the mismatch, no EEPROM pass";
            EXPECT_TRUE(bench.ui.completed.empty());
        }
    }
}

TEST(VerifyConfiguration, IdWordsAreAskedAboutAndTheFuseOnlyReported)
{
    // ID words that differ from the erased chip in their upper byte only.
    for (const bool yes : {true, false}) {
        ChipBench bench;
        for (int id = 0; id < 4; ++id)
            bench.image.SetConfigWord(2 * id, id == 0 ? 0x3FFF : 0x00FF);
        bench.image.SetConfigWord(MemoryImage::kConfigWordOffset, 0x3FFF);
        bench.ui.answers = {yes, yes, yes};
        EXPECT_EQ(bench.Run([](ChipOperations& operations) { return operations.VerifyConfiguration(); }), yes);
        const QStringList commands = bench.Commands();
        if (yes) {
            EXPECT_EQ(Asked(bench.ui).size(), 3);
            EXPECT_EQ(bench.ui.mismatches.at(0).address, 1) << "the ID word's number";
            EXPECT_EQ(ChipBench::Count(commands, "F"), 5);
            EXPECT_EQ(ChipBench::Count(commands, "I"), 7);
            EXPECT_EQ(commands.back(), "F");
        } else {
            EXPECT_EQ(Asked(bench.ui), (std::vector<std::pair<Memory, int>>{{Memory::IdWord, 1}}));
            EXPECT_EQ(commands.mid(3), (QStringList{"F", "I", "F"}));
        }
        EXPECT_TRUE(bench.ui.messages.isEmpty());
    }

    // The read-back bits are set on the image's side only; 0x2F4A has all of them clear.
    struct Case {
        int image, stored;
        bool raw, fails;
    };
    for (const Case& c :
         {Case{0x3F72, 0x3F72, false, false}, Case{0x3F72, 0x3F72, true, true}, Case{0x2F4A, 0x2F4A, false, false},
          Case{0x3FFF, 0x3FFF, false, false}, Case{0x3FFF, 0x3F7F, true, true}}) {
        ChipBench bench({.rawConfigReadBack = c.raw});
        for (int id = 0; id < 4; ++id)
            bench.image.SetConfigWord(2 * id, 0x3FFF);
        bench.image.SetConfigWord(MemoryImage::kConfigWordOffset, c.image);
        bench.simulator.WithModel([&](FirmwareModel& model) { model.config[7] = std::uint16_t(c.stored); });
        EXPECT_EQ(bench.Run([](ChipOperations& operations) { return operations.VerifyConfiguration(); }), true);
        EXPECT_EQ(bench.ui.messages, c.fails ? QStringList{"Fuse verify failure."} : QStringList{}) << std::hex << c.image;
    }
}

TEST(DoProgram, TheFuseAnswerDecidesWhatIsWritten)
{
    struct Case {
        std::optional<QString> answer;
        int programmed;  // -1: nothing beyond the detection is sent
        CommandOutcome outcome;
    };
    for (const Case& c :
         {Case{QString(), -1, CommandOutcome::Cancelled}, Case{QStringLiteral("3f72"), 0x3F72, CommandOutcome::Completed},
          Case{QStringLiteral(" 3F 72 "), 0x3F72, CommandOutcome::Completed},
          Case{QStringLiteral("0x3F72"), 0x3F72, CommandOutcome::Completed},
          Case{QStringLiteral("3f7zz"), 0x03F7, CommandOutcome::Completed}, Case{std::nullopt, 0x3F71, CommandOutcome::Completed},
          Case{QStringLiteral("FFFF"), 0x3FFF, CommandOutcome::Completed},
          Case{QStringLiteral("xyz"), -1, CommandOutcome::FuseRefused},
          Case{QStringLiteral("10000"), -1, CommandOutcome::FuseRefused}}) {
        ChipBench bench;
        bench.file = kFixtures + "/counter.hex";
        bench.ui.promptAnswer = c.answer;
        const std::string label = c.answer.value_or("(default)").toStdString();
        EXPECT_EQ(bench.Do(&CommandFlows::DoProgram), c.outcome) << label;
        EXPECT_EQ(bench.ui.prompts, QStringList{"3F71"});
        if (c.programmed < 0) {
            EXPECT_EQ(bench.Commands(), ChipBench::kDetectAndIdentify) << label;
        } else {
            EXPECT_EQ(bench.Chip().config.at(7), c.programmed) << label;
            EXPECT_EQ(bench.ui.statuses.back(), "Done") << label;
        }
        EXPECT_EQ(bench.ui.messages.filter(QStringLiteral("fuse value")).size(), c.outcome == CommandOutcome::FuseRefused)
            << label;
    }
}

TEST(DoProgram, FilesFromToolchainsProgramAndVerifyAsTheirMakersMeant)
{
    ChipBench bench;
    bench.file = kFixtures + "/eeprom-full.hex";
    ASSERT_EQ(bench.Do(&CommandFlows::DoProgram), CommandOutcome::Completed);
    const FirmwareModel chip = bench.Chip();
    for (const auto& [address, byte] : AssemblerListing::Bytes(kFixtures + "/eeprom-full.lst")) {
        if (address >= 0x4200 && address % 2 == 0) {
            ASSERT_EQ(chip.eeprom.at((address - 0x4200) / 2), byte) << address;
        }
    }
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(chip.eeprom.data()), 6), QByteArray("HELLO\x7F"));

    // Bits 14 and 15 are the file's, not the chip's: they take no part in the verify.
    ChipBench top;
    top.file = kFixtures + "/topbits.hex";
    EXPECT_EQ(top.Do(&CommandFlows::DoProgram), CommandOutcome::Completed);
    EXPECT_EQ(top.ui.prompts, QStringList{"FF18"});
    EXPECT_EQ(top.Chip().config.at(7), 0x3F18);
    EXPECT_EQ(top.Chip().program.at(0), 0x0123);
    EXPECT_EQ(top.Do(&CommandFlows::DoVerify), CommandOutcome::Completed);
    EXPECT_TRUE(top.ui.messages.isEmpty());
    top.simulator.WithModel([](FirmwareModel& model) {
        model.program[2] ^= 0x2000;
        model.config[7] ^= 0x0001;
    });
    EXPECT_EQ(top.Do(&CommandFlows::DoVerify), CommandOutcome::Mismatch);
    EXPECT_EQ(Asked(top.ui), (std::vector<std::pair<Memory, int>>{{Memory::ProgramWord, 2}}));
    EXPECT_EQ(top.ui.messages, QStringList{"Fuse verify failure."});
}

TEST(ChipIdentity, AMissingUnknownOrTooSmallChipIsAskedAboutBeforeItIsTouched)
{
    using Kind = ChipDoubt::Kind;
    struct Case {
        std::uint16_t id;
        bool empty;
        const char* file;
        std::optional<Kind> doubt;
        Memory memory = Memory::ProgramWord;
        int address = 0;
    };
    // Revision 5 of the 8K-word, 40-pin member is known; the 4K-word members take neither gaps.hex nor 256 EEPROM bytes.
    for (const Case& c : {Case{0x0E25, false, "/gaps.hex", {}}, Case{0x0E20, true, "/small.hex", Kind::NoChip},
                          Case{0x0000, false, "/small.hex", Kind::NoChip}, Case{0x1234, false, "/small.hex", Kind::UnknownDevice},
                          Case{0x0E40, false, "/gaps.hex", Kind::FileTooLarge, Memory::ProgramWord, 0x1FFE},
                          Case{0x0E60, false, "/eeprom-full.hex", Kind::FileTooLarge, Memory::EepromByte, 0x80}}) {
        for (const bool goOn : {false, true}) {
            ChipBench bench({.deviceId = c.id, .noChip = c.empty});
            bench.file = kFixtures + c.file;
            bench.ui.goOnDespite = goOn;
            const CommandOutcome outcome = bench.Do(&CommandFlows::DoProgram);
            const std::string label = QString::number(c.id, 16).toStdString() + (goOn ? " yes" : " no");
            ASSERT_EQ(bench.ui.doubts.size(), c.doubt ? 1u : 0u) << label;
            if (!c.doubt) {
                EXPECT_EQ(outcome, CommandOutcome::Completed) << label;
                continue;
            }
            const ChipDoubt& asked = bench.ui.doubts.front();
            EXPECT_EQ(asked.kind, *c.doubt) << label;
            EXPECT_EQ(asked.idWord, c.empty ? 0x3FFF : c.id) << label;
            if (asked.kind == Kind::FileTooLarge) {
                EXPECT_EQ(std::pair(asked.memory, asked.address), std::pair(c.memory, c.address)) << label;
                const char* where = c.memory == Memory::EepromByte ? "at EEPROM byte 80." : "at program word 1FFE.";
                EXPECT_TRUE(SharedWords::DoubtText(asked).endsWith(QLatin1String(where))) << label;
            }
            if (goOn) {
                EXPECT_TRUE(outcome == CommandOutcome::Completed || outcome == CommandOutcome::Mismatch) << label;
            } else {
                EXPECT_EQ(outcome, asked.kind == Kind::NoChip ? CommandOutcome::NoChip : CommandOutcome::WrongChip) << label;
                EXPECT_EQ(bench.Commands(), ChipBench::kDetectAndIdentify) << label;
            }
        }
    }
}

TEST(ChipIdentity, AnErasedByteTheFileGivesJustBeyondASmallerChipIsBeyondIt)
{
    MemoryImage edge;
    edge.EepromTop = 0x80;
    const std::optional<ChipDoubt> beyond = ChipIdentity(0x0E60).Misfit(edge);
    ASSERT_TRUE(beyond);
    EXPECT_EQ(std::pair(beyond->memory, beyond->address), std::pair(Memory::EepromByte, 0x80));
    edge.EepromTop = 0x7F;
    EXPECT_FALSE(ChipIdentity(0x0E60).Misfit(edge));
}

// Skipping empty blocks, the chip holds the file over an erased chip, as its
// listing gives it: every block the file touches is written whole with the
// erased word in its gaps, nothing else is written, and the checksum is the
// sum of what the chip then holds. The verify reads what the file gives, and
// the gaps only when asked to.
TEST(SkipEmpty, TheChipHoldsTheFileOverAnErasedChipAndTheChecksumSaysSo)
{
    for (const char* name : {"only-word0", "only-block-end", "only-chip-end", "two-far", "eeprom-only", "xc8-layout", "gaps"}) {
        SCOPED_TRACE(name);
        ChipBench bench;
        bench.file = kFixtures + "/" + name + ".hex";
        bench.scope.skipEmpty = true;
        ASSERT_EQ(bench.Do(&CommandFlows::DoProgram), CommandOutcome::Completed);
        const Listed listed = ListedOverErased(kFixtures + "/" + name + ".lst");
        const auto& words = listed.words;
        const FirmwareModel chip = bench.Chip();
        unsigned sum = chip.config.at(7) | ChipGeometry::kConfigReadBackBits;
        for (int w = 0; w < 8192; ++w) {
            ASSERT_EQ(chip.program.at(std::size_t(w)), words.at(std::size_t(w))) << w;
            sum += chip.program.at(std::size_t(w));
        }
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(chip.eeprom.at(std::size_t(i)), listed.eeprom.at(std::size_t(i))) << i;
        const QStringList sent = bench.Commands();
        EXPECT_EQ(ChipBench::Count(sent, "J"), listed.blocks + listed.eepromBytes + 1);
        EXPECT_EQ(ChipBench::Count(sent, "C"), 8 * listed.blocks + 5);
        MemoryImage image;
        ASSERT_TRUE(HexLoader::LoadHexFile(bench.file, image, [](const HexNotice&) {}));
        EXPECT_EQ(ChipOperations::Checksum(image, bench.scope), std::uint16_t(sum));

        // A gap spoilt: seen only by --check-gaps, and only below the file's last word.
        const int gap = int(std::find(words.begin(), words.end(), 0x3FFF) - words.begin());
        bench.simulator.WithModel([gap](FirmwareModel& model) { model.program[std::size_t(gap)] = 0x1234; });
        EXPECT_EQ(bench.Do(&CommandFlows::DoVerify), CommandOutcome::Completed);
        bench.scope.checkGaps = true;
        const bool seen = gap < image.ProgramReadWords();
        EXPECT_EQ(bench.Do(&CommandFlows::DoVerify), seen ? CommandOutcome::Mismatch : CommandOutcome::Completed);
        // A word the file gives, spoilt: always seen.
        const auto given = std::find_if(words.rbegin(), words.rend(), [](int w) { return w != 0x3FFF; });
        if (given != words.rend()) {
            const std::size_t w = std::size_t(words.rend() - given - 1);
            bench.simulator.WithModel([w](FirmwareModel& model) { model.program[w] ^= 1; });
            bench.scope.checkGaps = false;
            EXPECT_EQ(bench.Do(&CommandFlows::DoVerify), CommandOutcome::Mismatch);
            bench.simulator.WithModel([w](FirmwareModel& model) { model.program[w] ^= 1; });
        }
        // The file's last EEPROM byte, spoilt: always seen.
        const auto last = std::find_if(listed.eeprom.rbegin(), listed.eeprom.rend(), [](int b) { return b != 0xFF; });
        if (last != listed.eeprom.rend()) {
            const std::size_t i = std::size_t(listed.eeprom.rend() - last - 1);
            bench.simulator.WithModel([i](FirmwareModel& model) { model.eeprom[i] ^= 1; });
            bench.scope.checkGaps = false;
            EXPECT_EQ(bench.Do(&CommandFlows::DoVerify), CommandOutcome::Mismatch);
        }
    }
}

// The wire of Program! by default, byte for byte, on every fixture: the
// table's letters as they always went, with the probe after the chip's ID.
TEST(DefaultScope, TheWireOfEveryFixtureIsAsItWas)
{
    // clang-format off
    const std::map<QString, std::string> digests{
        {"byte-layout", "0c74b3ac9ca2ddf6"}, {"counter", "6d33a36f79efc03b"}, {"eeprom-full", "1d7134ac3b9f7b0a"},
        {"eeprom-only", "4d72fc2c44066ab3"}, {"eeprom-upper-linked", "01d2e47ae56b4373"}, {"gaps", "3bb3d320def4f9c3"},
        {"only-block-end", "2bfa89670f8b0061"}, {"only-chip-end", "4b07576e5e5e5552"},
        {"only-word0", "125e9c0cda4b3d70"}, {"small", "6895075ec586a5db"}, {"topbits", "9966a11bcb29f71e"},
        {"two-far", "361fdefad7a59f58"}, {"xc8-layout", "4c8c2d06afe5a0a1"}};
    // clang-format on
    for (const auto& [name, digest] : digests) {
        ChipBench bench;
        bench.file = kFixtures + "/" + name + ".hex";
        ASSERT_EQ(bench.Do(&CommandFlows::DoProgram), CommandOutcome::Completed) << name.toStdString();
        EXPECT_EQ(QCryptographicHash::hash(bench.FromProgram(), QCryptographicHash::Sha1).toHex().left(16).toStdString(), digest)
            << name.toStdString();
    }
}
