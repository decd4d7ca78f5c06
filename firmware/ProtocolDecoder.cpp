#include "ProtocolDecoder.h"

namespace {

constexpr uint8_t kPing = '@';
constexpr uint8_t kPrompt = '^';
constexpr uint8_t kRefused = '!';
constexpr uint8_t kBlock = 8;

// Data bytes after the letter: the table's are echoed one by one, the
// firmware's own (from 'L') come as a burst ending in its check byte.
uint8_t DataBytesOf(uint8_t letter)
{
    switch (letter) {
    case 'C':
    case 'D':
    case 'E':
        return 2;
    case 'L':
        return 3;
    case 'M':
        return 2 * kBlock + 1;
    case 'P':
        return kBlock + 2;
    case 'R':
        return 2;
    default:
        return 0;
    }
}

bool Known(uint8_t letter)
{
    return (letter >= 'A' && letter <= 'N') || (letter >= 'P' && letter <= 'R');
}

}  // namespace

uint8_t ProtocolDecoder::Check(const uint8_t* bytes, uint8_t count)
{
    uint8_t crc = 0;
    for (uint8_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (uint8_t bit = 0; bit < 8; ++bit)
            crc = uint8_t(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

void ProtocolDecoder::Take(uint8_t byte)
{
    if (command_ == 0) {
        if (byte == kPing) {
            out_.Send(kPrompt);
            return;
        }
        if (!Known(byte))
            return;
        out_.Send(byte);
        command_ = byte;
        received_ = 0;
    } else {
        if (command_ <= 'K')
            out_.Send(byte);
        data_[received_++] = byte;
    }
    if (received_ == DataBytesOf(command_)) {
        Execute();
        command_ = 0;
    }
}

void ProtocolDecoder::SendWord(uint16_t word)
{
    out_.Send(uint8_t(word >> 8));
    out_.Send(uint8_t(word));
}

void ProtocolDecoder::Answer(const uint8_t* bytes, uint8_t count)
{
    for (uint8_t i = 0; i < count; ++i)
        out_.Send(bytes[i]);
    out_.Send(Check(bytes, count));
}

bool ProtocolDecoder::DataIntact() const
{
    const uint8_t count = uint8_t(DataBytesOf(command_) - 1);
    return Check(data_, count) == data_[count];
}

void ProtocolDecoder::Execute()
{
    if (command_ > 'K') {
        ExecuteOwn();
        return;
    }
    switch (command_) {
    case 'A':
        chip_.Restart();
        break;
    case 'B':
        chip_.Erase();
        break;
    case 'C':
        chip_.LoadWord(uint16_t(data_[0] << 8 | data_[1]));
        break;
    case 'D':
        chip_.ToConfiguration();
        break;
    case 'E':
        chip_.LoadEepromByte(data_[1]);
        break;
    case 'F':
    case 'G':
        SendWord(command_ == 'F' && chip_.Counter() == kProbeLocation ? kSignature : chip_.ReadWord());
        return;
    case 'H':
        SendWord(chip_.ReadEepromByte());
        return;
    case 'I':
        chip_.Advance();
        break;
    case 'J':
        chip_.WriteLoaded();
        break;
    default:
        chip_.WriteConfigurationWord();
        break;
    }
    out_.Send(kPrompt);
}

void ProtocolDecoder::ExecuteOwn()
{
    uint8_t reply[2 * kBlock];
    switch (command_) {
    case 'L': {
        if (DataIntact())
            chip_.Move(uint16_t(data_[0] << 8 | data_[1]));
        const uint16_t counter = chip_.Counter();
        reply[0] = uint8_t(counter >> 8);
        reply[1] = uint8_t(counter);
        Answer(reply, 2);
        return;
    }
    case 'M':
        WriteBlock();
        return;
    case 'N':
        for (uint8_t k = 0; k < kBlock; ++k, chip_.Advance()) {
            const uint16_t word = chip_.ReadWord();
            reply[2 * k] = uint8_t(word >> 8);
            reply[2 * k + 1] = uint8_t(word);
        }
        Answer(reply, 2 * kBlock);
        return;
    case 'P':
        WriteEeprom();
        return;
    case 'Q':
        for (uint8_t k = 0; k < kBlock; ++k, chip_.Advance())
            reply[k] = chip_.ReadEepromByte();
        Answer(reply, kBlock);
        return;
    default:
        if (!DataIntact() || data_[0] > 1) {
            out_.Send(kRefused);
            return;
        }
        out_.Send(kPrompt);
        out_.SetRate(data_[0]);
        return;
    }
}

void ProtocolDecoder::WriteBlock()
{
    if (!DataIntact()) {
        out_.Send(kRefused);
        return;
    }
    for (uint8_t k = 0; k < kBlock; ++k) {
        if (k > 0)
            chip_.Advance();
        chip_.LoadWord(uint16_t(data_[2 * k] << 8 | data_[2 * k + 1]));
    }
    chip_.WriteLoaded();
    chip_.Advance();
    out_.Send(kPrompt);
}

void ProtocolDecoder::WriteEeprom()
{
    if (!DataIntact()) {
        out_.Send(kRefused);
        return;
    }
    for (uint8_t k = 0; k < kBlock; ++k, chip_.Advance()) {
        if (data_[0] & (1u << k)) {
            chip_.LoadEepromByte(data_[1 + k]);
            chip_.WriteLoaded();
        }
    }
    out_.Send(kPrompt);
}
