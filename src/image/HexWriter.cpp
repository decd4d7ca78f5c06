#include "image/HexWriter.h"

namespace {

constexpr int kRecordBytes = 16;

void AppendRecord(QByteArray& out, int address, int type, const QByteArray& data)
{
    QByteArray record;
    record.append(char(data.size()));
    record.append(char(address >> 8));
    record.append(char(address & 0xFF));
    record.append(char(type));
    record.append(data);
    unsigned sum = 0;
    for (const char c : record)
        sum += static_cast<unsigned char>(c);
    record.append(char((0x100 - (sum & 0xFF)) & 0xFF));
    out.append(':');
    out.append(record.toHex().toUpper());
    out.append('\n');
}

}  // namespace

void HexWriter::Add(int address, std::uint8_t byte)
{
    bytes_[address] = byte;
}

QByteArray HexWriter::Text() const
{
    QByteArray out;
    QByteArray data;
    int start = 0;
    for (const auto& [address, byte] : bytes_) {
        const bool continues = !data.isEmpty() && address == start + data.size() && address % kRecordBytes != 0;
        if (!data.isEmpty() && !continues) {
            AppendRecord(out, start, 0x00, data);
            data.clear();
        }
        if (data.isEmpty())
            start = address;
        data.append(char(byte));
    }
    if (!data.isEmpty())
        AppendRecord(out, start, 0x00, data);
    AppendRecord(out, 0, 0x01, QByteArray());
    return out;
}

QByteArray HexWriter::DataRecord(int address, const QByteArray& data)
{
    QByteArray out;
    AppendRecord(out, address, 0x00, data);
    return out;
}
