#include "PinChip.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kMicrosecond = 1000;

// A programmer at the pins, with the half clock and the waits it is given.
struct Pins {
    PinChip chip;
    std::uint64_t now = 0;
    PinChip::Pins level;
    std::uint64_t halfClock = 2 * kMicrosecond;

    explicit Pins(PinChip::Options options = {}) : chip(options) {}

    void Set(std::uint64_t after, bool PinChip::Pins::*pin, bool value)
    {
        now += after;
        level.*pin = value;
        chip.Apply(now, level);
    }
    void Enter()
    {
        Set(20 * kMicrosecond, &PinChip::Pins::pgm, true);
        Set(10 * kMicrosecond, &PinChip::Pins::mclr, true);
        now += 10 * kMicrosecond;
    }
    void Bits(std::uint32_t bits, int count)
    {
        for (int i = 0; i < count; ++i, bits >>= 1) {
            Set(0, &PinChip::Pins::pgd, bits & 1);
            Set(0, &PinChip::Pins::pgc, true);
            Set(halfClock, &PinChip::Pins::pgc, false);
            now += halfClock;
        }
        Set(0, &PinChip::Pins::pgd, false);
        now += 2 * kMicrosecond;
    }
    void Command(int code, int data = -1)
    {
        Bits(std::uint32_t(code), 6);
        if (data >= 0)
            Bits(std::uint32_t(data & 0x3FFF) << 1, 16);
    }
    int Read(int code)
    {
        Bits(std::uint32_t(code), 6);
        int bits = 0;
        for (int i = 0; i < 16; ++i) {
            Set(0, &PinChip::Pins::pgc, true);
            now += halfClock;
            const PinChip::Drive drive = chip.PgdAt(now);
            bits |= (drive.driving ? drive.level : 1) << i;
            Set(0, &PinChip::Pins::pgc, false);
            now += halfClock;
        }
        return (bits >> 1) & 0x3FFF;
    }
    void Wait(std::uint64_t microseconds) { now += microseconds * kMicrosecond; }
    // A block's write, begun and ended after that long.
    void WriteFor(std::uint64_t microseconds)
    {
        Command(0x18);
        Wait(microseconds);
        Command(0x17);
        Wait(200);
    }
};

}  // namespace

// What keeps the chip's rules writes and reads as it should; what breaks
// one is recorded and spoils the write it touched.
TEST(PinChip, KeepsItsTimesAndSpoilsWhatBreaksThem)
{
    Pins good;
    good.Enter();
    good.Command(0x02, 0x1234);
    good.WriteFor(1100);
    EXPECT_EQ(good.Read(0x04), 0x1234);
    good.Command(0x03, 0xA5);
    good.Command(0x08);
    good.Wait(10100);
    EXPECT_EQ(good.Read(0x05), 0xA5);
    good.Command(0x00, 0x3FFF);
    for (int i = 0; i < 6; ++i)
        good.Command(0x06);
    EXPECT_EQ(good.Read(0x04), 0x0E20);
    // The configuration block's write takes the four ID words and no more.
    good.Command(0x00, 0x3FFF);
    for (int i = 0; i < 5; ++i) {
        good.Command(0x02, 0x0A0 + i);
        good.Command(0x06);
    }
    good.WriteFor(1100);
    EXPECT_EQ(good.chip.ids, (std::array<std::uint16_t, 4>{0x0A0, 0x0A1, 0x0A2, 0x0A3}));
    EXPECT_EQ(good.chip.configuration, 0x3FFF);
    EXPECT_TRUE(good.chip.Violations().empty());
    // The block's write ended before its time.
    Pins early;
    early.Enter();
    early.Command(0x02, 0x1234);
    early.WriteFor(500);
    EXPECT_NE(early.chip.program[0], 0x1234);
    EXPECT_EQ(early.chip.Violations().size(), 1u);
    // The EEPROM clocked again during its self-timed write.
    Pins busy;
    busy.Enter();
    busy.Command(0x03, 0x5A);
    busy.Command(0x08);
    busy.Wait(5000);
    busy.Command(0x06);
    EXPECT_NE(busy.chip.eeprom[0], 0x5A);
    EXPECT_FALSE(busy.chip.Violations().empty());
    // Data that changes too close to the edge that takes it; exactly at its times is in time.
    for (const std::uint64_t halfClock : {kMicrosecond / 2, kMicrosecond}) {
        Pins hurried;
        hurried.halfClock = halfClock;
        hurried.Enter();
        hurried.Command(0x02, 0x1234);
        EXPECT_EQ(hurried.chip.Violations().empty(), halfClock == kMicrosecond) << halfClock;
    }
}

// A chip entered without PGM, with LVP cleared, without power or absent
// says nothing; code protection reads back zeros until a chip erase.
TEST(PinChip, SilentUnlessEnteredAsItAllowsAndProtectedUntilErased)
{
    Pins noPgm;
    noPgm.Set(10 * kMicrosecond, &PinChip::Pins::mclr, true);
    noPgm.Wait(20);
    EXPECT_EQ(noPgm.Read(0x04), 0x3FFF);

    // PGM dropped takes the chip out of programming mode.
    Pins dropped;
    dropped.chip.program[0] = 0x1234;
    dropped.Enter();
    dropped.Set(0, &PinChip::Pins::pgm, false);
    EXPECT_EQ(dropped.Read(0x04), 0x3FFF);

    Pins lvpOff;
    lvpOff.chip.configuration = 0x3F7F;
    lvpOff.Enter();
    EXPECT_EQ(lvpOff.Read(0x04), 0x3FFF);

    for (const PinChip::Options options : {PinChip::Options{0x0E20, false, true}, PinChip::Options{0x0E20, true, false}}) {
        Pins away(options);
        away.Enter();
        EXPECT_EQ(away.Read(0x04), 0x3FFF);
    }

    Pins guarded;
    guarded.chip.program[0] = 0x2805;
    guarded.chip.eeprom[0] = 0x42;
    guarded.chip.configuration = 0x1EFF;  // CP and CPD on
    guarded.Enter();
    EXPECT_EQ(guarded.Read(0x04), 0);
    EXPECT_EQ(guarded.Read(0x05), 0);
    guarded.Command(0x00, 0x3FFF);
    guarded.Command(0x1F);
    guarded.Wait(10100);
    guarded.Command(0x06);
    EXPECT_EQ(guarded.chip.configuration, 0x3FFF);
    EXPECT_EQ(guarded.chip.program[0], 0x3FFF);
    EXPECT_TRUE(guarded.chip.Violations().empty());
    EXPECT_EQ(PinChip({0x0E40}).ProgramWords(), 4096);
}
