#include "ChipSession.h"
#include "IcspCommand.h"
#include "IcspTiming.h"
#include "ProtocolDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The chip's pins as a list of what the firmware did, on a clock that moves a
// tick each time it is read, so that every wait ends.
class RecordingBus : public IcspBus {
public:
    struct Step {
        std::string what;
        int code = -1;
        int data = -1;
        std::uint32_t at = 0;
        bool operator==(const Step& other) const { return what == other.what && code == other.code && data == other.data; }
    };

    void Enter() override { steps.push_back({"enter", -1, -1, ticks}); }
    void Leave() override { steps.push_back({"leave", -1, -1, ticks}); }
    void Command(std::uint8_t code) override { steps.push_back({"command", code, -1, ticks}); }
    void CommandWithData(std::uint8_t code, std::uint16_t data) override { steps.push_back({"command", code, data, ticks}); }
    std::uint16_t CommandReading(std::uint8_t code) override
    {
        steps.push_back({"read", code, -1, ticks});
        return reading;
    }
    std::uint32_t Ticks() override { return ticks++; }

    std::vector<Step> steps;
    std::uint32_t ticks = 1000;
    std::uint16_t reading = 0x2A5C;
};

class ByteRecord : public ByteSink {
public:
    void Send(std::uint8_t byte) override { bytes.push_back(char(byte)); }
    void SetRate(std::uint8_t code) override { rates.push_back(code); }
    std::vector<std::uint8_t> rates;
    std::string bytes;
};

struct Firmware {
    RecordingBus bus;
    ChipSession chip{bus};
    ByteRecord out;
    ProtocolDecoder decoder{chip, out};

    std::string Take(const std::string& bytes)
    {
        out.bytes.clear();
        for (char byte : bytes)
            decoder.Take(std::uint8_t(byte));
        return out.bytes;
    }
    // The steps since the last call.
    std::vector<RecordingBus::Step> Steps()
    {
        std::vector<RecordingBus::Step> steps = bus.steps;
        bus.steps.clear();
        return steps;
    }
};

using Step = RecordingBus::Step;
const Step kEnter{"enter"};
const Step kLeave{"leave"};
Step Command(int code, int data = -1)
{
    return {"command", code, data};
}
const Step kIncrement = Command(IcspCommand::kIncrementAddress);

std::uint32_t TicksOf(std::uint32_t microseconds)
{
    return microseconds / IcspBus::kMicrosecondsPerTick;
}

}  // namespace

// The wire: every byte of a command echoed, the ping answered without its
// echo, anything that is not a letter dropped, a data byte that looks like a
// letter taken as data, and a command whose data stopped coming forgotten.
TEST(FirmwareLogic, EchoesEveryByteOfACommandAndAnswersAsTheTableSays)
{
    Firmware firmware;
    EXPECT_EQ(firmware.Take("@"), "^");
    EXPECT_EQ(firmware.Take("Z\x01"
                            "a^"),
              "");
    EXPECT_EQ(firmware.Take("A"), "A^");
    EXPECT_EQ(firmware.Take(std::string("C\x12\x34", 3)), std::string("C\x12\x34^", 4));
    EXPECT_EQ(firmware.Take(std::string("E\0@", 3)), std::string("E\0@^", 4));
    EXPECT_EQ(firmware.Take("G"), "G\x2A\x5C");
    EXPECT_EQ(firmware.Take("F"), "F\x2A\x5C");
    EXPECT_EQ(firmware.Take("H"), std::string("H\0\x5C", 3));
    for (const char* letter : {"B", "I", "J", "K"})
        EXPECT_EQ(firmware.Take(letter), std::string(letter) + "^");

    EXPECT_EQ(firmware.Take(std::string("D\0", 2)), std::string("D\0", 2));
    EXPECT_TRUE(firmware.decoder.Midway());
    firmware.decoder.Abandon();
    EXPECT_EQ(firmware.Take("@"), "^");
}

// The counter moves freely; the chip follows it only when a command needs the
// chip: forward by its increments, back by a new entry, into the configuration
// area by a Load Configuration.
TEST(FirmwareLogic, TheChipFollowsTheCounterOnlyWhenNeeded)
{
    Firmware firmware;
    firmware.Take("AIIIG");
    const Step read = {"read", IcspCommand::kReadProgram};
    EXPECT_EQ(firmware.Steps(), (std::vector<Step>{kEnter, kIncrement, kIncrement, kIncrement, read}));
    firmware.Take("IG");
    EXPECT_EQ(firmware.Steps(), (std::vector<Step>{kIncrement, read}));
    firmware.Take("AIG");
    EXPECT_EQ(firmware.Steps(), (std::vector<Step>{kLeave, kEnter, kIncrement, read}));
    // Into the configuration area with no new entry: the chip jumps there.
    firmware.Take(std::string("AD\0\0IIIIIIF", 11));
    std::vector<Step> expected{Command(IcspCommand::kLoadConfiguration, 0x3FFF)};
    expected.insert(expected.end(), 6, kIncrement);
    expected.push_back(read);
    EXPECT_EQ(firmware.Steps(), expected);
    // The EEPROM's byte goes in at the write, wherever the counter then stands.
    firmware.Take(std::string("AE\0\x77IJH", 8));
    EXPECT_EQ(firmware.Steps(), (std::vector<Step>{kLeave,
                                                   kEnter,
                                                   kIncrement,
                                                   Command(IcspCommand::kLoadData, 0x77),
                                                   Command(IcspCommand::kBeginEraseProgram),
                                                   {"read", IcspCommand::kReadData}}));
    // Nothing loaded, nothing written.
    firmware.Take("JK");
    EXPECT_TRUE(firmware.Steps().empty());
}

// Each cycle runs its time out before the chip is clocked again: the block's
// write is ended by its command after its time and followed by the discharge,
// the self-timed ones are waited out, and a cycle left alone is ended by the
// idle loop; after half a second without a command the chip leaves
// programming mode.
TEST(FirmwareLogic, EveryCycleRunsItsTimeBeforeTheNextCommand)
{
    Firmware firmware;
    firmware.Take(std::string("AC\x3F\x00J", 5));
    firmware.Take("G");
    std::vector<Step> steps = firmware.Steps();
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[2], Command(IcspCommand::kBeginProgramOnly));
    EXPECT_EQ(steps[3], Command(IcspCommand::kEndProgramming));
    EXPECT_GT(steps[3].at - steps[2].at, TicksOf(IcspTiming::kProgramOnly));
    EXPECT_GT(steps[4].at - steps[3].at, TicksOf(IcspTiming::kDischarge));

    firmware.Take(std::string("AD\0\0B", 5));
    firmware.Take("K");  // nothing loaded, nothing written
    firmware.Take(std::string("IIIIIIIC\x3F\xF2K", 11));
    steps = firmware.Steps();
    ASSERT_EQ(steps.size(), 11u);
    EXPECT_EQ(steps[0], Command(IcspCommand::kLoadConfiguration, 0x3FFF));
    EXPECT_EQ(steps[1], Command(IcspCommand::kChipErase));
    EXPECT_GT(steps[2].at - steps[1].at, TicksOf(IcspTiming::kChipErase));
    EXPECT_EQ(steps[9], Command(IcspCommand::kLoadProgram, 0x3FF2));
    EXPECT_EQ(steps[10], Command(IcspCommand::kBeginEraseProgram));
    firmware.Take("F");
    EXPECT_GT(firmware.Steps().at(0).at - steps[10].at, TicksOf(IcspTiming::kSelfTimedWrite));

    firmware.Take(std::string("C\x3F\x00J", 4));
    firmware.Steps();
    while (firmware.bus.steps.empty())
        firmware.chip.Poll();
    EXPECT_EQ(firmware.Steps(), (std::vector<Step>{Command(IcspCommand::kEndProgramming)}));
    EXPECT_TRUE(firmware.chip.Active());
    while (firmware.chip.Active())
        firmware.chip.Poll();
    steps = firmware.Steps();
    ASSERT_EQ(steps, (std::vector<Step>{kLeave}));
}

// The firmware's own letters: only the letter is echoed; the probe's location
// answers the signature; data whose check byte fails are refused and change
// nothing; answers carry their own check byte; a rate is changed once the
// prompt is out.
TEST(FirmwareLogic, OwnLettersCarryCheckedBlocksAndRefuseSpoiltOnes)
{
    Firmware firmware;
    const std::string probe = firmware.Take(std::string("AD\0\0IIIIIIIIF", 13));
    EXPECT_EQ(probe.substr(probe.size() - 3), "F\x4B\x01");
    const auto checked = [](std::string data) {
        return data + char(ProtocolDecoder::Check(reinterpret_cast<const std::uint8_t*>(data.data()), std::uint8_t(data.size())));
    };
    firmware.Take("A");
    const std::string step = checked(std::string("\x00\x10", 2));
    EXPECT_EQ(firmware.Take("L" + step), "L" + checked(std::string("\x00\x10", 2)));
    std::string spoilt = step;
    spoilt[1] ^= 1;
    EXPECT_EQ(firmware.Take("L" + spoilt), "L" + checked(std::string("\x00\x10", 2))) << "the counter stays";
    std::string block;
    for (int k = 0; k < 8; ++k)
        block += std::string{char(0x10 + k), char(0x20 + k)};
    firmware.Steps();
    EXPECT_EQ(firmware.Take("M" + checked(block)), "M^");
    const std::vector<Step> steps = firmware.Steps();
    EXPECT_EQ(std::count(steps.begin(), steps.end(), Command(IcspCommand::kLoadProgram, 0x1727)), 1);
    EXPECT_EQ(std::count(steps.begin(), steps.end(), Command(IcspCommand::kBeginProgramOnly)), 1);
    std::string spoiltBlock = checked(block);
    spoiltBlock[3] ^= 0x40;
    EXPECT_EQ(firmware.Take("M" + spoiltBlock), "M!");
    EXPECT_TRUE(firmware.Steps().empty());
    EXPECT_EQ(firmware.Take("L" + checked(std::string("\xFF\xF8", 2))), "L" + checked(std::string("\x00\x10", 2)));
    std::string words;
    for (int k = 0; k < 8; ++k)
        words += "\x2A\x5C";
    EXPECT_EQ(firmware.Take("N"), "N" + checked(words));
    EXPECT_EQ(firmware.Take("Q"), "Q" + checked(std::string(8, '\x5C')));
    EXPECT_EQ(firmware.Take("P" + checked(std::string("\x05\x01\x02\x03\x04\x05\x06\x07\x08", 9))), "P^");
    EXPECT_EQ(firmware.Take("R" + checked(std::string(1, '\x02'))), "R!");
    EXPECT_EQ(firmware.Take("R" + checked(std::string(1, '\x01'))), "R^");
    EXPECT_EQ(firmware.out.rates, std::vector<std::uint8_t>{1});
}
