#pragma once

#include "SimulatorFaults.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <map>
#include <optional>

// The programmer's firmware and its target chip: takes the bytes the program
// sends, one at a time, and gives back what the firmware would answer. It never
// speaks first.
class FirmwareModel {
public:
    // The chip's geometry is kept here on purpose rather than taken from the
    // program's: the simulator checks the program from the firmware's side.
    static constexpr int kProgramWords = 8192;
    static constexpr int kEepromBytes = 256;
    static constexpr int kConfigWords = 8;
    static constexpr int kConfigWordLocation = 7;
    static constexpr int kDeviceIdLocation = 6;
    static constexpr std::uint16_t kConfigReadBackBits = 0x10B0;

    explicit FirmwareModel(SimulatorFaults faults = {});

    QByteArray Receive(std::uint8_t byte);

    // The chip's memory as Intel HEX, in the program's address map.
    QByteArray SaveHex() const;
    // Fills the chip from Intel HEX text in the same map; false on a malformed record.
    bool LoadHex(const QByteArray& text);

    void EraseChip();
    // Seats a fresh chip in the socket, or takes the chip out.
    void Seat(bool seated);
    bool Seated() const { return seated_; }
    void StoreProgramWord(int address, std::uint16_t value);

    std::array<std::uint16_t, kProgramWords> program{};
    std::array<std::uint8_t, kEepromBytes> eeprom{};
    std::array<std::uint16_t, kConfigWords> config{};
    long bytesReceived = 0;
    int eraseCommands = 0;  // every "B" taken, into an empty socket too

private:
    QByteArray Execute();
    // "J": the block of words, the EEPROM byte or the ID words that were loaded.
    void WriteLoaded();
    std::uint16_t ReadLocation(char letter) const;

    SimulatorFaults faults_;
    bool seated_;
    int pings_ = 0;
    char command_ = 0;
    QByteArray data_;
    int counter_ = 0;
    bool inConfig_ = false;
    std::map<int, std::uint16_t> loadedWords_;
    std::optional<std::uint8_t> loadedEeprom_;
};
