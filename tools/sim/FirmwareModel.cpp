#include "FirmwareModel.h"

#include "image/HexWriter.h"

#include <QList>

namespace {

constexpr std::uint16_t kWordMask = 0x3FFF;
constexpr char kPrompt = '^';
// What an EEPROM read sends before the data byte: a value the program must ignore.
constexpr std::uint16_t kEepromReadFiller = 0xA500;

int DataBytesOf(char letter)
{
    return letter == 'C' || letter == 'D' || letter == 'E' ? 2 : 0;
}

bool IsCommand(char letter)
{
    return letter >= 'A' && letter <= 'K';
}

}  // namespace

FirmwareModel::FirmwareModel(SimulatorFaults faults) : faults_(faults), seated_(!faults.noChip)
{
    EraseChip();
}

void FirmwareModel::Seat(bool seated)
{
    // A chip seated anew is a fresh one, erased.
    if (seated && !seated_)
        EraseChip();
    seated_ = seated;
}

void FirmwareModel::EraseChip()
{
    for (int address = 0; address < kProgramWords; ++address)
        StoreProgramWord(address, kWordMask);
    eeprom.fill(0xFF);
    config.fill(kWordMask);
    // Read-only: no erase or write changes it.
    config[kDeviceIdLocation] = faults_.deviceId;
}

void FirmwareModel::StoreProgramWord(int address, std::uint16_t value)
{
    value &= kWordMask;
    if (faults_.stuckBit && faults_.stuckBit->wordAddress == address) {
        const std::uint16_t bit = std::uint16_t(1u << faults_.stuckBit->bit);
        value = faults_.stuckBit->level ? value | bit : value & ~bit;
    }
    program[address] = value;
}

QByteArray FirmwareModel::Receive(std::uint8_t byte)
{
    ++bytesReceived;
    if (faults_.neverAnswer || (faults_.silentAfterBytes >= 0 && bytesReceived > faults_.silentAfterBytes))
        return {};
    const char c = char(byte);
    const QByteArray echo(1, faults_.garbleEchoes ? char(byte ^ 0x55) : c);

    if (command_ == 0) {
        if (c == '@')
            return ++pings_ >= faults_.answerFromPing ? QByteArray(1, kPrompt) : QByteArray();
        if (!IsCommand(c))
            return {};
        command_ = c;
        data_.clear();
        return DataBytesOf(c) == 0 ? echo + Execute() : echo;
    }
    data_.append(c);
    return data_.size() < DataBytesOf(command_) ? echo : echo + Execute();
}

std::uint16_t FirmwareModel::ReadLocation(char letter) const
{
    if (!seated_)
        return kWordMask;
    if (letter == 'H')
        return kEepromReadFiller | eeprom[counter_ % kEepromBytes];
    if (letter == 'F' && inConfig_) {
        if (counter_ >= kConfigWords)
            return kWordMask;
        const std::uint16_t value = config[counter_];
        return counter_ == kConfigWordLocation && !faults_.rawConfigReadBack ? value | kConfigReadBackBits : value;
    }
    return program[counter_ % kProgramWords];
}

QByteArray FirmwareModel::Execute()
{
    const char letter = command_;
    command_ = 0;
    eraseCommands += letter == 'B';
    // An empty socket takes the commands, and nothing happens.
    if (!seated_ && (letter == 'B' || letter == 'J' || letter == 'K'))
        return QByteArray(1, kPrompt);
    switch (letter) {
    case 'A':
        counter_ = 0;
        inConfig_ = false;
        break;
    case 'B':
        EraseChip();
        break;
    case 'C':
        loadedWords_[counter_] = std::uint16_t((std::uint8_t(data_[0]) << 8) | std::uint8_t(data_[1]));
        break;
    case 'D':
        counter_ = 0;
        inConfig_ = true;
        break;
    case 'E':
        // Latched now, written by "J" wherever the counter stands then.
        loadedEeprom_ = std::uint8_t(data_[1]);
        break;
    case 'F':
    case 'G':
    case 'H': {
        const std::uint16_t value = ReadLocation(letter);
        return QByteArray(1, char(value >> 8)) + QByteArray(1, char(value & 0xFF));
    }
    case 'I':
        ++counter_;
        break;
    case 'J':
        WriteLoaded();
        break;
    case 'K':
        if (inConfig_ && loadedWords_.count(kConfigWordLocation))
            config[kConfigWordLocation] = loadedWords_[kConfigWordLocation] & kWordMask;
        loadedWords_.clear();
        break;
    default:
        break;
    }
    return QByteArray(1, kPrompt);
}

void FirmwareModel::WriteLoaded()
{
    for (const auto& [location, value] : loadedWords_) {
        if (!inConfig_)
            StoreProgramWord(location % kProgramWords, value);
        else if (location < 4)
            config[location] = value & kWordMask;
    }
    if (loadedEeprom_)
        eeprom[counter_ % kEepromBytes] = *loadedEeprom_;
    loadedWords_.clear();
    loadedEeprom_.reset();
}

QByteArray FirmwareModel::SaveHex() const
{
    HexWriter writer;
    const auto addWords = [&writer](int base, const auto& words) {
        for (std::size_t i = 0; i < words.size(); ++i) {
            writer.Add(base + int(2 * i), std::uint8_t(words[i] & 0xFF));
            writer.Add(base + int(2 * i + 1), std::uint8_t(words[i] >> 8));
        }
    };
    addWords(0x0000, program);
    addWords(0x4000, config);
    for (int i = 0; i < kEepromBytes; ++i)
        writer.Add(0x4200 + i, eeprom[i]);
    return writer.Text();
}

bool FirmwareModel::LoadHex(const QByteArray& text)
{
    std::map<int, std::uint8_t> bytes;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        const QByteArray record = QByteArray::fromHex(line.mid(1));
        if (line[0] != ':' || record.size() < 5 || record.size() != 5 + std::uint8_t(record[0]))
            return false;
        const int type = std::uint8_t(record[3]);
        if (type == 1)
            break;
        const int start = (std::uint8_t(record[1]) << 8) | std::uint8_t(record[2]);
        for (int k = 0; type == 0 && k < std::uint8_t(record[0]); ++k)
            bytes[start + k] = std::uint8_t(record[4 + k]);
    }
    // EEPROM data one byte to a word, as tools write it, when every high byte is 00.
    bool wordLayout = true;
    for (const auto& [address, byte] : bytes)
        wordLayout = wordLayout && !(address >= 0x4200 && address % 2 == 1 && byte != 0);
    for (const auto& [address, byte] : bytes) {
        const bool high = address & 1;
        const auto merge = [high, byte = byte](std::uint16_t word) {
            return high ? std::uint16_t((word & 0x00FF) | (byte << 8)) : std::uint16_t((word & 0xFF00) | byte);
        };
        const int location = wordLayout ? (address - 0x4200) / 2 : address - 0x4200;
        if (address < 0x4000)
            StoreProgramWord(address / 2, merge(program[address / 2]));
        else if (address < 0x4000 + 2 * kConfigWords)
            config[(address - 0x4000) / 2] = merge(config[(address - 0x4000) / 2]) & kWordMask;
        else if (address >= 0x4200 && location < kEepromBytes && !(wordLayout && high))
            eeprom[location] = byte;
    }
    return true;
}
