#include "ChipSession.h"

#include "IcspCommand.h"
#include "IcspTiming.h"

namespace {

constexpr uint16_t kConfigurationArea = 0x2000;
constexpr uint16_t kAddressMask = 0x3FFF;
constexpr uint16_t kErased = 0x3FFF;
// Without a command for this long the chip leaves programming mode, held in reset.
constexpr uint32_t kIdleMicroseconds = 500000;

}  // namespace

void ChipSession::Restart()
{
    counter_ = 0;
}

void ChipSession::ToConfiguration()
{
    counter_ = kConfigurationArea;
}

void ChipSession::Advance()
{
    Move(1);
}

void ChipSession::Move(uint16_t step)
{
    counter_ = uint16_t(counter_ + step) & kAddressMask;
}

bool ChipSession::Elapsed(uint32_t since, uint32_t microseconds)
{
    // One tick more: the tick under way may have begun just before `since`.
    return bus_.Ticks() - since > microseconds / IcspBus::kMicrosecondsPerTick + 1;
}

void ChipSession::Settle()
{
    while (cycle_ != Cycle::None && !Elapsed(cycleStart_, cycleLength_)) {
    }
    if (cycle_ == Cycle::EndedByCommand) {
        bus_.Command(IcspCommand::kEndProgramming);
        cycle_ = Cycle::None;
        cycleStart_ = bus_.Ticks();
        cycleLength_ = IcspTiming::kDischarge;
        while (!Elapsed(cycleStart_, cycleLength_)) {
        }
    }
    cycle_ = Cycle::None;
    lastUse_ = bus_.Ticks();
}

void ChipSession::Reach()
{
    Settle();
    if (!programming_ || chipAddress_ > counter_) {
        if (programming_)
            bus_.Leave();
        bus_.Enter();
        programming_ = true;
        chipAddress_ = 0;
    }
    if (counter_ >= kConfigurationArea && chipAddress_ < kConfigurationArea) {
        bus_.CommandWithData(IcspCommand::kLoadConfiguration, kErased);
        chipAddress_ = kConfigurationArea;
    }
    for (; chipAddress_ < counter_; ++chipAddress_)
        bus_.Command(IcspCommand::kIncrementAddress);
}

void ChipSession::Begin(uint8_t command, Cycle cycle, uint16_t microseconds)
{
    bus_.Command(command);
    cycle_ = cycle;
    cycleStart_ = bus_.Ticks();
    cycleLength_ = microseconds;
}

void ChipSession::LoadWord(uint16_t word)
{
    Reach();
    bus_.CommandWithData(IcspCommand::kLoadProgram, word);
    wordsLoaded_ = true;
}

void ChipSession::LoadEepromByte(uint8_t value)
{
    // Loaded into the chip by the write, wherever the counter then stands.
    eepromByte_ = value;
    eepromLoaded_ = true;
}

void ChipSession::Erase()
{
    Settle();
    if (!programming_) {
        bus_.Enter();
        programming_ = true;
        chipAddress_ = 0;
    }
    bus_.CommandWithData(IcspCommand::kLoadConfiguration, kErased);
    chipAddress_ = kConfigurationArea;  // wherever the chip stood
    Begin(IcspCommand::kChipErase, Cycle::SelfTimed, IcspTiming::kChipErase);
    wordsLoaded_ = false;
}

void ChipSession::WriteLoaded()
{
    if (eepromLoaded_) {
        Reach();
        bus_.CommandWithData(IcspCommand::kLoadData, eepromByte_);
        Begin(IcspCommand::kBeginEraseProgram, Cycle::SelfTimed, IcspTiming::kSelfTimedWrite);
    } else if (wordsLoaded_) {
        Reach();
        Begin(IcspCommand::kBeginProgramOnly, Cycle::EndedByCommand, IcspTiming::kProgramOnly);
    }
    eepromLoaded_ = false;
    wordsLoaded_ = false;
}

void ChipSession::WriteConfigurationWord()
{
    if (wordsLoaded_) {
        Reach();
        Begin(IcspCommand::kBeginEraseProgram, Cycle::SelfTimed, IcspTiming::kSelfTimedWrite);
    }
    wordsLoaded_ = false;
}

uint16_t ChipSession::ReadWord()
{
    Reach();
    return bus_.CommandReading(IcspCommand::kReadProgram);
}

uint8_t ChipSession::ReadEepromByte()
{
    Reach();
    return uint8_t(bus_.CommandReading(IcspCommand::kReadData));
}

void ChipSession::Poll()
{
    if (cycle_ != Cycle::None && Elapsed(cycleStart_, cycleLength_))
        Settle();
    if (programming_ && cycle_ == Cycle::None && Elapsed(lastUse_, kIdleMicroseconds)) {
        bus_.Leave();
        programming_ = false;
    }
}
