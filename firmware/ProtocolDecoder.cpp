#include "ProtocolDecoder.h"

namespace {

constexpr uint8_t kPing = '@';
constexpr uint8_t kPrompt = '^';

uint8_t DataBytesOf(uint8_t letter)
{
    return letter == 'C' || letter == 'D' || letter == 'E' ? 2 : 0;
}

}  // namespace

void ProtocolDecoder::Take(uint8_t byte)
{
    if (command_ == 0) {
        if (byte == kPing) {
            out_.Send(kPrompt);
            return;
        }
        if (byte < 'A' || byte > 'K')
            return;
        out_.Send(byte);
        command_ = byte;
        received_ = 0;
    } else {
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

void ProtocolDecoder::Execute()
{
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
        SendWord(chip_.ReadWord());
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
