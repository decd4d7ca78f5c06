#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>

class ProgrammerProtocol;

// The companion firmware's own exchanges, for a programmer whose probe found
// it: a letter echoed as the table's are, then its data in one burst and the
// reply, each closed by a check byte. A reply that fails its check is
// reported, never taken.
class CompanionCommands {
public:
    // A configuration-area read at this location, which the chip does not
    // implement, answers the signature: more than 14 bits, so no chip gives it.
    static constexpr int kProbeLocation = 8;
    static constexpr int kSignatureHigh = 0x4B;
    static constexpr int kFastRate = 500000;
    static constexpr int kBlockWords = 8;

    using Words = std::array<std::uint16_t, kBlockWords>;
    using Bytes = std::array<std::uint8_t, kBlockWords>;

    explicit CompanionCommands(ProgrammerProtocol& protocol) : protocol_(protocol) {}

    // The version a probe's reply names, or 0 when a chip answered it.
    static int VersionIn(int probeReply);
    // Moves the counter by step locations; the counter the firmware then holds,
    // or nothing when its reply fails the check.
    std::optional<int> Move(int step);
    // Loads and writes the block at the counter; false when the firmware
    // found the data spoilt and wrote nothing.
    bool WriteBlock(const Words& words);
    std::optional<Words> ReadBlock();
    // Writes the EEPROM bytes whose bits are set in mask.
    bool WriteEeprom(std::uint8_t mask, const Bytes& bytes);
    std::optional<Bytes> ReadEeprom();
    // Both ends to baud, confirmed by a ping at the new rate; false, with both
    // ends back at the table's rate, when either end refused it.
    bool SetRate(int baud);

    // CRC-8 (polynomial 07), as the firmware computes it.
    static std::uint8_t Check(const QByteArray& bytes);

private:
    // The letter, then data closed by its check byte.
    void SendChecked(char letter, QByteArray data);
    // count bytes of reply and their check byte; nothing when the check fails.
    std::optional<QByteArray> ReadChecked(char letter, int count);
    // SendChecked; true when the firmware took the data.
    bool Deliver(char letter, const QByteArray& data);
    // The letter, then ReadChecked.
    std::optional<QByteArray> Fetch(char letter, int count);
    bool ConfirmRate(int baud);

    ProgrammerProtocol& protocol_;
};
