#include "ops/BlockCourier.h"

#include "link/ProgrammerProtocol.h"

namespace {

using P = ProgrammerProtocol;

}  // namespace

BlockCourier::BlockCourier(ProgrammerProtocol& protocol) : protocol_(protocol), commands_(protocol) {}

bool BlockCourier::Fast()
{
    LinkFacts& facts = protocol_.Facts();
    if (!facts.FastPath())
        return false;
    if (facts.rate != CompanionCommands::kFastRate && !facts.rateRefused)
        facts.rateRefused = !commands_.SetRate(CompanionCommands::kFastRate);
    return true;
}

void BlockCourier::Restart()
{
    protocol_.SendCommand(P::Restart);
    counter_ = 0;
}

void BlockCourier::StepOnce()
{
    protocol_.SendCommand(P::Increment);
    ++counter_;
}

void BlockCourier::MoveTo(int location)
{
    if (location == counter_)
        return;
    if (!Fast()) {
        Resync(location);
        return;
    }
    const std::optional<int> reached = commands_.Move(location - counter_);
    if (reached == location)
        counter_ = location;
    else
        Failed(location);
}

void BlockCourier::Resync(int location)
{
    if (location < counter_)
        Restart();
    while (counter_ < location)
        StepOnce();
}

void BlockCourier::Failed(int location)
{
    protocol_.Facts().companionFailed = true;
    Restart();
    Resync(location);
}

void BlockCourier::WriteWords(int first, const Words& words)
{
    MoveTo(first);
    if (Fast()) {
        if (commands_.WriteBlock(words)) {
            counter_ += CompanionCommands::kBlockWords;
            return;
        }
        Failed(first);
    }
    for (int k = 0; k < CompanionCommands::kBlockWords; ++k) {
        if (k > 0)
            StepOnce();
        protocol_.SendCommandWord(P::LoadWord, words[k] & 0xFF, words[k] >> 8);
    }
    protocol_.SendCommand(P::Write);
}

BlockCourier::Words BlockCourier::ReadWords(int first)
{
    MoveTo(first);
    if (Fast()) {
        if (const std::optional<Words> words = commands_.ReadBlock()) {
            counter_ += CompanionCommands::kBlockWords;
            return *words;
        }
        Failed(first);
    }
    Words words{};
    for (std::uint16_t& word : words) {
        word = std::uint16_t(protocol_.ReadWord(P::ReadProgram));
        StepOnce();
    }
    return words;
}

void BlockCourier::WriteEeprom(int first, std::uint8_t mask, const Bytes& bytes)
{
    MoveTo(first);
    if (Fast()) {
        if (commands_.WriteEeprom(mask, bytes)) {
            counter_ += CompanionCommands::kBlockWords;
            return;
        }
        Failed(first);
    }
    for (int k = 0; k < CompanionCommands::kBlockWords; ++k) {
        if (mask & (1u << k)) {
            protocol_.SendCommandWord(P::LoadEepromByte, bytes[k], 0);
            protocol_.SendCommand(P::Write);
        }
        StepOnce();
    }
}

BlockCourier::Bytes BlockCourier::ReadEeprom(int first)
{
    MoveTo(first);
    if (Fast()) {
        if (const std::optional<Bytes> bytes = commands_.ReadEeprom()) {
            counter_ += CompanionCommands::kBlockWords;
            return *bytes;
        }
        Failed(first);
    }
    Bytes bytes{};
    for (std::uint8_t& byte : bytes) {
        byte = std::uint8_t(protocol_.ReadWord(P::ReadEeprom) & 0xFF);
        StepOnce();
    }
    return bytes;
}
