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
    outcome_ = envelope_.Run(
        [this](ProgrammerProtocol& protocol) {
            ui_.SetStatus(QStringLiteral("Erasing..."));
            ChipOperations(protocol, image_, ui_).EraseChip();
        },
        [this] { ui_.SetStatus(QStringLiteral("Erase complete")); });
}

void CommandFlows::DoVerify()
{
    CommandOutcome body = CommandOutcome::Completed;
    const CommandOutcome envelope = envelope_.Run([&](ProgrammerProtocol& protocol) {
        if (!HexLoader::LoadHexFile(fileName_(), image_, ui_)) {
            body = CommandOutcome::FileNotLoaded;
            return;
        }
        ChipOperations operations(protocol, image_, ui_);
        if (operations.VerifyMemory())
            operations.VerifyConfiguration();
        ui_.SetStatus(QStringLiteral("Verify Complete"));
    });
    outcome_ = envelope == CommandOutcome::Completed ? body : envelope;
}

void CommandFlows::DoProgram()
{
    CommandOutcome body = CommandOutcome::Completed;
    const CommandOutcome envelope = envelope_.Run([&](ProgrammerProtocol& protocol) {
        if (!HexLoader::LoadHexFile(fileName_(), image_, ui_)) {
            body = CommandOutcome::FileNotLoaded;
            return;
        }
        const int fuse = image_.ConfigWord(MemoryImage::kConfigWordOffset);
        const QString answer = ui_.PromptText(QStringLiteral("Adjust current fuse value if desired"),
                                              QStringLiteral("Fuse select"), HexText::Number(fuse));
        if (answer.isEmpty()) {
            body = CommandOutcome::Cancelled;
            return;
        }
        const FuseAnswer::Reading reading = FuseAnswer::Read(answer);
        if (!reading.value) {
            ui_.ShowMessage(reading.refusal);
            body = CommandOutcome::FuseRefused;
            return;
        }
        image_.ConfigImage[MemoryImage::kConfigWordOffset + 1] = static_cast<std::uint8_t>(*reading.value / 256);
        image_.ConfigImage[MemoryImage::kConfigWordOffset] = static_cast<std::uint8_t>(*reading.value & 0xFF);
        ChipOperations(protocol, image_, ui_).ProgramChip();
    });
    outcome_ = envelope == CommandOutcome::Completed ? body : envelope;
}
