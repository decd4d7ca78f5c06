#include "PinChip.h"

#include <cstdio>

namespace {

constexpr std::uint16_t kWord = 0x3FFF;
constexpr std::uint16_t kConfigurationArea = 0x2000;
constexpr std::uint16_t kConfigurationWord = 0x2007;
constexpr std::uint16_t kDeviceIdLocation = 0x2006;
// Bits of the configuration word: the unimplemented ones read 1, and LVP
// cannot be cleared while programming at low voltage.
constexpr std::uint16_t kUnimplemented = 0x1030;
constexpr int kLvpBit = 7;
constexpr int kCodeProtectBit = 13;
constexpr int kDataProtectBit = 8;
// What a write cut short leaves: cells neither old nor new.
constexpr std::uint16_t kCutShort = 0x1555;

enum : std::uint8_t {
    kLoadConfiguration = 0x00,
    kLoadProgram = 0x02,
    kLoadData = 0x03,
    kReadProgram = 0x04,
    kReadData = 0x05,
    kIncrementAddress = 0x06,
    kBeginEraseProgram = 0x08,
    kBeginProgramOnly = 0x18,
    kEndProgramming = 0x17,
    kChipErase = 0x1F,
};

}  // namespace

PinChip::PinChip(Options options)
    : options_(options),
      programWords_((options.deviceId & 0x3FE0) == 0x0E40 || (options.deviceId & 0x3FE0) == 0x0E60 ? 4096 : 8192),
      eepromBytes_(programWords_ / 32)
{
    program.fill(kWord);
    eeprom.fill(0xFF);
    ids.fill(kWord);
}

void PinChip::Violate(std::uint64_t ns, const std::string& what)
{
    char when[32];
    std::snprintf(when, sizeof when, "%.6f s: ", double(ns) / 1e9);
    violations_.push_back(when + what);
}

void PinChip::Apply(std::uint64_t ns, Pins pins)
{
    const Pins old = pins_;
    pins_ = pins;
    if (!options_.present || !options_.powered)
        return;
    if (pins.pgm && !old.pgm)
        pgmRose_ = ns;
    if (!pins.pgm && old.pgm && phase_ != Phase::Off)
        Leave(ns);
    if (pins.mclr != old.mclr) {
        if (pins.mclr)
            Enter(ns);
        else
            Leave(ns);
    }
    if (pins.pgd != old.pgd)
        PgdChanged(ns);
    if (pins.pgc != old.pgc && phase_ != Phase::Off) {
        if (pins.pgc)
            Rising(ns);
        else
            Falling(ns);
    }
}

void PinChip::Enter(std::uint64_t ns)
{
    // Without PGM, or with LVP cleared, the chip runs its program and says nothing.
    if (!pins_.pgm || !(configuration & (1u << kLvpBit)))
        return;
    if (ns - pgmRose_ < timing.pgmBeforeMclr) {
        Violate(ns, "MCLR rose too soon after PGM");
        return;
    }
    phase_ = Phase::Command;
    mclrRose_ = phaseEnd_ = ns;
    bitCount_ = 0;
    shift_ = 0;
    pc_ = 0;
    latches_.fill(std::nullopt);
    dataLatch_.reset();
}

void PinChip::Leave(std::uint64_t ns)
{
    if (phase_ == Phase::Off)
        return;
    if (write_.cycle == Cycle::ProgramOnly || (write_.cycle == Cycle::SelfTimed && ns < write_.until))
        Corrupt(ns, "programming mode left during a write");
    write_ = {};
    phase_ = Phase::Off;
}

void PinChip::PgdChanged(std::uint64_t ns)
{
    if (lastFallTook_ && ns - lastFall_ < timing.dataHold)
        Violate(ns, "PGD changed too soon after the falling edge that took it");
    lastPgdChange_ = ns;
}

void PinChip::Rising(std::uint64_t ns)
{
    if (ns - mclrRose_ < timing.mclrBeforeClock)
        Violate(ns, "clocked too soon after MCLR rose");
    if (write_.cycle != Cycle::None && ns < write_.until)
        Corrupt(ns, write_.erase ? "clocked during the chip erase" : "clocked during a write");
    else if (write_.cycle == Cycle::SelfTimed)
        write_ = {};
    if (bitCount_ == 0 && ns - phaseEnd_ < timing.betweenCommandAndData) {
        Violate(ns, "clocked too soon after the last command");
        garbled_ = phase_ == Phase::DataIn;
    }
    lastRise_ = ns;
    if (phase_ == Phase::DataOut)
        outIndex_ = bitCount_;
}

void PinChip::TakeBit(std::uint64_t ns)
{
    bool level = pins_.pgd;
    if (ns - lastPgdChange_ < timing.dataSetup) {
        Violate(ns, "PGD changed too soon before the falling edge");
        level = !level;
    }
    shift_ |= std::uint32_t(level) << bitCount_;
    ++bitCount_;
}

void PinChip::Falling(std::uint64_t ns)
{
    lastFall_ = ns;
    lastFallTook_ = phase_ != Phase::DataOut;
    if (phase_ == Phase::DataOut) {
        if (++bitCount_ == 16) {
            phase_ = Phase::Command;
            bitCount_ = 0;
            outIndex_ = -1;
            phaseEnd_ = ns;
        }
        return;
    }
    TakeBit(ns);
    if (phase_ == Phase::Command && bitCount_ == 6) {
        command_ = std::uint8_t(shift_);
        phaseEnd_ = ns;
        bitCount_ = 0;
        shift_ = 0;
        Execute(ns);
    } else if (phase_ == Phase::DataIn && bitCount_ == 16) {
        phaseEnd_ = ns;
        Loaded(ns);
    }
}

void PinChip::Execute(std::uint64_t ns)
{
    // The upper bit of the simple commands is not looked at.
    const std::uint8_t code = (command_ & 0x1F) <= kIncrementAddress ? command_ & 0x1F : command_;
    if (write_.cycle == Cycle::ProgramOnly && code != kEndProgramming)
        Corrupt(ns, "a command other than the end of a write");
    switch (code) {
    case kLoadConfiguration:
    case kLoadProgram:
    case kLoadData:
        phase_ = Phase::DataIn;
        garbled_ = false;
        return;
    case kReadProgram:
    case kReadData:
        outWord_ = ReadAt(code == kReadData);
        phase_ = Phase::DataOut;
        return;
    case kIncrementAddress:
        pc_ = (pc_ + 1) & kWord;
        return;
    case kBeginEraseProgram:
    case kBeginProgramOnly:
        BeginWrite(ns, code == kBeginEraseProgram);
        return;
    case kEndProgramming:
        if (write_.cycle == Cycle::ProgramOnly)
            write_ = {Cycle::SelfTimed, ns + timing.discharge, {}, {}, {}, false};
        return;
    case kChipErase:
        EraseAll();
        write_ = {Cycle::SelfTimed, ns + timing.chipErase, {}, {}, {}, true};
        return;
    default:
        return;
    }
}

void PinChip::Loaded(std::uint64_t)
{
    std::uint16_t data = std::uint16_t(shift_ >> 1) & kWord;
    if (garbled_)
        data ^= kCutShort;
    phase_ = Phase::Command;
    bitCount_ = 0;
    shift_ = 0;
    if (command_ == kLoadConfiguration) {
        pc_ = kConfigurationArea;
        latches_[0] = data;
    } else if ((command_ & 0x1F) == kLoadProgram) {
        latches_[pc_ & 7] = data;
    } else {
        dataLatch_ = std::uint8_t(data);
    }
}

void PinChip::WriteWords(Write& write, bool selfTimed)
{
    const auto store = [selfTimed](std::uint16_t& cell, std::uint16_t value) {
        // A write without its erase can only clear bits.
        cell = selfTimed ? value : std::uint16_t(cell & value);
        return cell;
    };
    if (pc_ < kConfigurationArea) {
        for (int i = 0; i < 8; ++i) {
            const int address = ((pc_ & ~7) + i) & (programWords_ - 1);
            if (latches_[i])
                write.words.emplace_back(address, store(program[address], *latches_[i]));
        }
    } else if (selfTimed && pc_ == kConfigurationWord && latches_[7]) {
        configuration = std::uint16_t(*latches_[7] | kUnimplemented | (1u << kLvpBit));
        write.configuration = configuration;
    } else {
        for (int i = 0; i < 4; ++i) {
            if (latches_[i] && (!selfTimed || pc_ == kConfigurationArea + i))
                write.words.emplace_back(-1 - i, store(ids[i], *latches_[i]));
        }
    }
}

void PinChip::BeginWrite(std::uint64_t ns, bool selfTimed)
{
    Write write;
    write.cycle = selfTimed ? Cycle::SelfTimed : Cycle::ProgramOnly;
    write.until = ns + (selfTimed ? timing.selfTimedWrite : timing.programOnly);
    if (dataLatch_) {
        const int address = pc_ & (eepromBytes_ - 1);
        eeprom[address] = selfTimed ? *dataLatch_ : std::uint8_t(eeprom[address] & *dataLatch_);
        write.eepromByte = std::make_pair(address, eeprom[address]);
    } else {
        WriteWords(write, selfTimed);
    }
    latches_.fill(std::nullopt);
    dataLatch_.reset();
    write_ = write;
}

void PinChip::EraseAll()
{
    program.fill(kWord);
    eeprom.fill(0xFF);
    ids.fill(kWord);
    configuration = kWord;
}

void PinChip::Corrupt(std::uint64_t ns, const std::string& why)
{
    Violate(ns, why);
    if (write_.erase) {
        for (std::uint16_t& word : program)
            word ^= kCutShort;
        configuration ^= kCutShort;
    }
    for (const auto& [address, value] : write_.words) {
        std::uint16_t& cell = address >= 0 ? program[address] : ids[-1 - address];
        cell = value ^ kCutShort;
    }
    if (write_.eepromByte)
        eeprom[write_.eepromByte->first] = std::uint8_t(write_.eepromByte->second ^ 0x55);
    if (write_.configuration)
        configuration = *write_.configuration ^ kCutShort;
    write_ = {};
}

std::uint16_t PinChip::ReadAt(bool data) const
{
    if (data)
        return Protected(kDataProtectBit) ? 0 : eeprom[pc_ & (eepromBytes_ - 1)];
    if (pc_ < kConfigurationArea)
        return Protected(kCodeProtectBit) ? 0 : program[pc_ & (programWords_ - 1)];
    if (pc_ < kConfigurationArea + 4)
        return ids[pc_ - kConfigurationArea];
    if (pc_ == kDeviceIdLocation)
        return options_.deviceId;
    return pc_ == kConfigurationWord ? configuration : kWord;
}

PinChip::Drive PinChip::PgdAt(std::uint64_t ns) const
{
    if (phase_ != Phase::DataOut || outIndex_ < 0)
        return {};
    const bool bit = (std::uint32_t(outWord_) << 1 >> outIndex_) & 1;
    // Until the data is valid the line shows anything but the bit.
    return {true, ns >= lastRise_ + timing.clockToReadData ? bit : !bit};
}

std::optional<std::uint64_t> PinChip::NextPgdChange(std::uint64_t ns) const
{
    if (phase_ == Phase::DataOut && outIndex_ >= 0 && ns < lastRise_ + timing.clockToReadData)
        return lastRise_ + timing.clockToReadData;
    return std::nullopt;
}
