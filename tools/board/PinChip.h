#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The target chip at its pins, in low-voltage programming: it clocks in
// commands and data as the chip does and keeps the chip's minimum times in
// simulated time. What breaks a rule is recorded, and the write it touched is
// corrupted as on a real chip. Written from the chip maker's programming
// document, apart from the protocol simulator's model on purpose.
class PinChip {
public:
    // The chip's minimum times, in nanoseconds.
    struct Timing {
        std::uint64_t pgmBeforeMclr = 5000;
        std::uint64_t mclrBeforeClock = 5000;
        std::uint64_t dataSetup = 1000;  // before the falling edge that takes a bit
        std::uint64_t dataHold = 1000;  // after it
        std::uint64_t betweenCommandAndData = 1000;
        std::uint64_t clockToReadData = 1000;
        std::uint64_t programOnly = 1000000;  // before the end command
        std::uint64_t discharge = 100000;  // after it
        std::uint64_t selfTimedWrite = 10000000;
        std::uint64_t chipErase = 10000000;
    };
    struct Options {
        std::uint16_t deviceId = 0x0E20;
        bool present = true;
        bool powered = true;
    };
    struct Pins {
        bool mclr = false;
        bool pgm = false;
        bool pgc = false;
        bool pgd = false;  // the line as it stands
    };
    struct Drive {
        bool driving = false;
        bool level = false;
    };

    explicit PinChip(Options options);

    void Apply(std::uint64_t ns, Pins pins);
    // What the chip puts on PGD at a time, and when that next changes.
    Drive PgdAt(std::uint64_t ns) const;
    std::optional<std::uint64_t> NextPgdChange(std::uint64_t ns) const;

    const std::vector<std::string>& Violations() const { return violations_; }
    int ProgramWords() const { return programWords_; }
    int EepromBytes() const { return eepromBytes_; }

    std::array<std::uint16_t, 8192> program{};
    std::array<std::uint8_t, 256> eeprom{};
    std::array<std::uint16_t, 4> ids{};
    std::uint16_t configuration = 0x3FFF;
    Timing timing;

private:
    enum class Phase { Off, Command, DataIn, DataOut };
    enum class Cycle { None, SelfTimed, ProgramOnly };
    struct Write {
        Cycle cycle = Cycle::None;
        std::uint64_t until = 0;  // the first moment the chip may be clocked again
        std::vector<std::pair<int, std::uint16_t>> words;  // written into program memory, or -1 - n for ID n
        std::optional<std::pair<int, std::uint8_t>> eepromByte;
        std::optional<std::uint16_t> configuration;
        bool erase = false;
    };

    void Violate(std::uint64_t ns, const std::string& what);
    void MclrChanged(std::uint64_t ns, bool high);
    void Rising(std::uint64_t ns);
    void Falling(std::uint64_t ns);
    void PgdChanged(std::uint64_t ns);
    void Leave(std::uint64_t ns);
    void Enter(std::uint64_t ns);
    void TakeBit(std::uint64_t ns);
    void Execute(std::uint64_t ns);
    void Loaded(std::uint64_t ns);
    void BeginWrite(std::uint64_t ns, bool selfTimed);
    void EraseAll();
    void WriteWords(Write& write, bool selfTimed);
    void Corrupt(std::uint64_t ns, const std::string& why);
    std::uint16_t ReadAt(bool data) const;
    bool Protected(int bit) const { return !(configuration & (1u << bit)); }

    Options options_;
    int programWords_;
    int eepromBytes_;
    Pins pins_;
    std::uint64_t pgmRose_ = 0, mclrRose_ = 0, lastFall_ = 0, lastPgdChange_ = 0, phaseEnd_ = 0, lastRise_ = 0;
    Phase phase_ = Phase::Off;
    int bitCount_ = 0;
    int outIndex_ = -1;  // the bit on PGD since the last rising edge, none before the first
    bool lastFallTook_ = false;
    bool garbled_ = false;
    std::uint32_t shift_ = 0;
    std::uint8_t command_ = 0;
    std::uint16_t pc_ = 0;
    std::uint16_t outWord_ = 0;
    std::array<std::optional<std::uint16_t>, 8> latches_{};
    std::optional<std::uint8_t> dataLatch_;
    Write write_;
    std::vector<std::string> violations_;
};
