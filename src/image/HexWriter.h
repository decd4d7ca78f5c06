#pragma once

#include <QByteArray>
#include <cstdint>
#include <map>

// Writes bytes placed at 16-bit HEX addresses as Intel HEX records of up to
// sixteen bytes, in address order, with an end record.
class HexWriter {
public:
    void Add(int address, std::uint8_t byte);
    QByteArray Text() const;
    // One data record of the bytes from the address, with its line end.
    static QByteArray DataRecord(int address, const QByteArray& data);

private:
    std::map<int, std::uint8_t> bytes_;
};
