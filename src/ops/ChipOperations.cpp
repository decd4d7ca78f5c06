#include "ops/ChipOperations.h"

#include "image/HexText.h"
#include "image/MemoryImage.h"
#include "link/ProgrammerProtocol.h"
#include "ops/OperatorInterface.h"

namespace {

constexpr int kBlockBytes = 16;

}  // namespace

ChipOperations::ChipOperations(ProgrammerProtocol& protocol, MemoryImage& image, OperatorInterface& ui)
    : protocol_(protocol), image_(image), ui_(ui)
{
}

void ChipOperations::EraseChip()
{
    protocol_.SendCommand('A');
    protocol_.SendCommandWord('D', 0, 0);
    protocol_.SendCommand('B');
}

bool ChipOperations::VerifyMemory()
{
    ui_.SetStatus(QStringLiteral("Verifying Program Memory"));
    protocol_.SendCommand('A');
    for (int i = 0; i <= image_.ProgramReadTop(); i += 2) {
        if (i % 64 == 0) {
            ui_.SetStatus(QStringLiteral("Verifying ") + HexText::Number(i / 2));
            ui_.YieldToEvents();
        }
        if (protocol_.ReadWord('G') != image_.ProgramWord(i)
            && !ui_.AskYesNo(QStringLiteral("Verify error @") + HexText::Number(i / 2) + QStringLiteral(" Continue?")))
            return false;
        protocol_.SendCommand('I');
    }

    protocol_.SendCommand('A');
    for (int i = 0; i <= image_.EepromTop; ++i) {
        if (i % 16 == 0) {
            ui_.SetStatus(QStringLiteral("Verifying EEPROM ") + HexText::Number(i));
            ui_.YieldToEvents();
        }
        if ((protocol_.ReadWord('H') & 0xFF) != image_.EepromImage[i]
            && !ui_.AskYesNo(QStringLiteral("EEPROM Verify error @") + HexText::Number(i) + QStringLiteral(" Continue?")))
            return false;
        protocol_.SendCommand('I');
    }
    return true;
}

bool ChipOperations::VerifyConfiguration()
{
    ui_.SetStatus(QStringLiteral("Final Verify"));
    ui_.YieldToEvents();
    protocol_.SendCommand('A');
    protocol_.SendCommandWord('D', 0, 0);
    for (int i = 0; i <= 6; i += 2) {
        if (protocol_.ReadWord('F') != image_.ConfigWord(i)
            && !ui_.AskYesNo(QStringLiteral("Configuration verify failure. Continue?")))
            return false;
        protocol_.SendCommand('I');
    }
    for (int step = 0; step < 3; ++step)
        protocol_.SendCommand('I');
    // The chip reads its unimplemented bits back as ones: set them on the image side only.
    if (protocol_.ReadWord('F') != (image_.ConfigWord(MemoryImage::kConfigWordOffset) | kConfigReadBackBits))
        ui_.ShowMessage(QStringLiteral("Fuse verify failure."));
    return true;
}

void ChipOperations::ProgramChip()
{
    EraseChip();
    protocol_.SendCommand('A');
    // Blocks are sent whole, up to the one that holds ProgramReadTop; a block
    // never starts at the lone offset 16384.
    for (int b = 0; b <= image_.ProgramReadTop(); b += kBlockBytes) {
        for (int j = 0; j < kBlockBytes; j += 2) {
            if (b + j > 0)
                protocol_.SendCommand('I');
            protocol_.SendCommandWord('C', image_.ProgramImage[b + j], image_.ProgramImage[b + j + 1]);
        }
        if (b % 64 == 0) {
            ui_.SetStatus(QStringLiteral("Programming ") + HexText::Number(b / 2));
            ui_.YieldToEvents();
        }
        protocol_.SendCommand('J');
    }

    protocol_.SendCommand('A');
    for (int i = 0; i <= image_.EepromTop; ++i) {
        if (i % 16 == 0) {
            ui_.SetStatus(QStringLiteral("EEPROM Programming ") + HexText::Number(i));
            ui_.YieldToEvents();
        }
        protocol_.SendCommandWord('E', image_.EepromImage[i], 0);
        protocol_.SendCommand('J');
        protocol_.SendCommand('I');
    }

    if (!VerifyMemory())
        return;

    ui_.SetStatus(QStringLiteral("Programming Configuration"));
    ui_.YieldToEvents();
    protocol_.SendCommand('A');
    protocol_.SendCommandWord('D', 0, 0);
    for (int i = 0; i <= 6; i += 2) {
        protocol_.SendCommandWord('C', image_.ConfigImage[i], image_.ConfigImage[i + 1]);
        protocol_.SendCommand('I');
    }
    protocol_.SendCommand('J');
    for (int step = 0; step < 3; ++step)
        protocol_.SendCommand('I');
    protocol_.SendCommandWord('C', image_.ConfigImage[MemoryImage::kConfigWordOffset],
                              image_.ConfigImage[MemoryImage::kConfigWordOffset + 1]);
    protocol_.SendCommand('K');

    if (!VerifyConfiguration())
        return;
    protocol_.SendCommand('A');
    ui_.SetStatus(QStringLiteral("Done"));
}
