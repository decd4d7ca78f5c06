#include "ops/CommandFlows.h"

#include "image/HexLoader.h"
#include "image/MemoryImage.h"
#include "ops/ChipOperations.h"
#include "ops/CommandEnvelope.h"
#include "ops/FuseAnswer.h"
#include "ops/OperatorInterface.h"

namespace {

CommandOutcome Judged(const ChipOperations& operations)
{
    return operations.Mismatches() > 0 ? CommandOutcome::Mismatch : CommandOutcome::Completed;
}

}  // namespace

CommandFlows::CommandFlows(CommandEnvelope& envelope, MemoryImage& image, OperatorInterface& ui,
                           std::function<QString()> fileName, std::function<EepromLayout()> eepromLayout)
    : CommandFlows(envelope, image, ui, FileSource(ui, std::move(fileName), std::move(eepromLayout)))
{
}

CommandFlows::ImageSource CommandFlows::FileSource(OperatorInterface& ui, std::function<QString()> fileName,
                                                   std::function<EepromLayout()> eepromLayout)
{
    return [&ui, fileName = std::move(fileName), eepromLayout = std::move(eepromLayout)](MemoryImage& target) {
        return HexLoader::LoadHexFile(fileName(), target, [&ui](const HexNotice& notice) { ui.HexFileNotice(notice); },
                                      eepromLayout ? eepromLayout() : EepromLayout::Auto);
    };
}

CommandFlows::CommandFlows(CommandEnvelope& envelope, MemoryImage& image, OperatorInterface& ui, ImageSource source)
    : envelope_(envelope), image_(image), ui_(ui), source_(std::move(source))
{
}

CommandOutcome CommandFlows::DoErase()
{
    return envelope_.Run(
        [this](ProgrammerProtocol& protocol) {
            ui_.SetStatus(QStringLiteral("Erasing..."));
            ChipOperations(protocol, image_, ui_).EraseChip();
            return CommandOutcome::Completed;
        },
        [this] { ui_.SetStatus(QStringLiteral("Erase complete")); });
}

CommandOutcome CommandFlows::DoVerify()
{
    return envelope_.Run([this](ProgrammerProtocol& protocol) {
        if (!source_(image_))
            return CommandOutcome::FileNotLoaded;
        ChipOperations operations(protocol, image_, ui_);
        if (operations.VerifyMemory())
            operations.VerifyConfiguration();
        ui_.SetStatus(QStringLiteral("Verify Complete"));
        return Judged(operations);
    });
}

CommandOutcome CommandFlows::DoProgram()
{
    return envelope_.Run([this](ProgrammerProtocol& protocol) {
        if (!source_(image_))
            return CommandOutcome::FileNotLoaded;
        const QString answer = ui_.PromptFuse(image_.ConfigWord(MemoryImage::kConfigWordOffset));
        if (answer.isEmpty())
            return CommandOutcome::Cancelled;
        const FuseAnswer::Reading reading = FuseAnswer::Read(answer);
        if (!reading.value) {
            ui_.ShowMessage(reading.refusal);
            return CommandOutcome::FuseRefused;
        }
        image_.SetConfigWord(MemoryImage::kConfigWordOffset, *reading.value);
        ChipOperations operations(protocol, image_, ui_);
        operations.ProgramChip();
        return Judged(operations);
    });
}

CommandOutcome CommandFlows::DoRead(ChipContents& chip)
{
    return envelope_.Run([&](ProgrammerProtocol& protocol) {
        chip = ChipOperations(protocol, image_, ui_).ReadChip();
        return CommandOutcome::Completed;
    });
}
