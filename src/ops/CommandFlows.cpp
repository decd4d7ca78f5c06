#include "ops/CommandFlows.h"

#include "image/HexLoader.h"
#include "image/HexText.h"
#include "image/MemoryImage.h"
#include "link/CommandEnvelope.h"
#include "ops/ChipOperations.h"
#include "ops/FuseAnswer.h"
#include "ops/OperatorInterface.h"

CommandFlows::CommandFlows(CommandEnvelope& envelope, MemoryImage& image, OperatorInterface& ui,
                           std::function<QString()> fileName)
    : envelope_(envelope), image_(image), ui_(ui), fileName_(std::move(fileName))
{
}

void CommandFlows::DoErase()
{
    envelope_.Run(
        [this](ProgrammerProtocol& protocol) {
            ui_.SetStatus(QStringLiteral("Erasing..."));
            ChipOperations(protocol, image_, ui_).EraseChip();
        },
        [this] { ui_.SetStatus(QStringLiteral("Erase complete")); });
}

void CommandFlows::DoVerify()
{
    envelope_.Run([this](ProgrammerProtocol& protocol) {
        if (!HexLoader::LoadHexFile(fileName_(), image_, ui_))
            return;
        ChipOperations operations(protocol, image_, ui_);
        if (operations.VerifyMemory())
            operations.VerifyConfiguration();
        ui_.SetStatus(QStringLiteral("Verify Complete"));
    });
}

void CommandFlows::DoProgram()
{
    envelope_.Run([this](ProgrammerProtocol& protocol) {
        if (!HexLoader::LoadHexFile(fileName_(), image_, ui_))
            return;
        const int fuse = image_.ConfigWord(MemoryImage::kConfigWordOffset);
        const QString answer = ui_.PromptText(QStringLiteral("Adjust current fuse value if desired"),
                                              QStringLiteral("Fuse select"), HexText::Number(fuse));
        if (answer.isEmpty())
            return;
        const FuseAnswer::Reading reading = FuseAnswer::Read(answer);
        if (!reading.value) {
            ui_.ShowMessage(reading.refusal);
            return;
        }
        image_.ConfigImage[MemoryImage::kConfigWordOffset + 1] = static_cast<std::uint8_t>(*reading.value / 256);
        image_.ConfigImage[MemoryImage::kConfigWordOffset] = static_cast<std::uint8_t>(*reading.value & 0xFF);
        ChipOperations(protocol, image_, ui_).ProgramChip();
    });
}
