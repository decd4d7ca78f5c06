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

template <typename Write, typename ByLetters> void BlockCourier::Send(int first, Write write, ByLetters byLetters)
{
    MoveTo(first);
    if (Fast()) {
        if (write()) {
            counter_ += CompanionCommands::kBlockWords;
            return;
        }
        Failed(first);
    }
    byLetters();
}

template <typename Block, typename Read, typename ReadOne> Block BlockCourier::Fetch(int first, Read read, ReadOne readOne)
{
    MoveTo(first);
    if (Fast()) {
        if (const std::optional<Block> block = read()) {
            counter_ += CompanionCommands::kBlockWords;
            return *block;
        }
        Failed(first);
    }
    Block block{};
    for (auto& location : block) {
        location = readOne();
        StepOnce();
    }
    return block;
}

void BlockCourier::WriteWords(int first, const Words& words)
{
    Send(
        first, [&] { return commands_.WriteBlock(words); },
        [&] {
            for (int k = 0; k < CompanionCommands::kBlockWords; ++k) {
                if (k > 0)
                    StepOnce();
                protocol_.SendCommandWord(P::LoadWord, words[k] & 0xFF, words[k] >> 8);
            }
            protocol_.SendCommand(P::Write);
        });
}

BlockCourier::Words BlockCourier::ReadWords(int first)
{
    return Fetch<Words>(
        first, [this] { return commands_.ReadBlock(); }, [this] { return std::uint16_t(protocol_.ReadWord(P::ReadProgram)); });
}

void BlockCourier::WriteEeprom(int first, std::uint8_t mask, const Bytes& bytes)
{
    Send(
        first, [&] { return commands_.WriteEeprom(mask, bytes); },
        [&] {
            for (int k = 0; k < CompanionCommands::kBlockWords; ++k) {
                if (mask & (1u << k)) {
                    protocol_.SendCommandWord(P::LoadEepromByte, bytes[k], 0);
                    protocol_.SendCommand(P::Write);
                }
                StepOnce();
            }
        });
}

BlockCourier::Bytes BlockCourier::ReadEeprom(int first)
{
    return Fetch<Bytes>(
        first, [this] { return commands_.ReadEeprom(); },
        [this] { return std::uint8_t(protocol_.ReadWord(P::ReadEeprom) & 0xFF); });
}
