#include "ops/CommandFlows.h"

#include "image/HexLoader.h"
#include "ops/ChipOperations.h"
#include "ops/CommandEnvelope.h"
#include "ops/FuseAnswer.h"
#include "ops/OperatorInterface.h"

namespace {

CommandOutcome Judged(const ChipOperations& operations, CommandResult& result)
{
    result.mismatches = operations.Mismatches();
    result.firstMismatch = operations.FirstMismatch();
    return operations.Mismatches() > 0 ? CommandOutcome::Mismatch : CommandOutcome::Completed;
}

// Whether the request's runner takes the chip, once nothing else stands in the way.
bool Accepted(const CommandRequest& request, MemoryImage* image)
{
    return !request.accepted || request.accepted(image);
}

}  // namespace

CommandFlows::CommandFlows(CommandEnvelope& envelope, OperatorInterface& ui) : envelope_(envelope), ui_(ui) {}

bool CommandFlows::Load(const CommandRequest& request, MemoryImage& image)
{
    if (request.image) {
        image = *request.image;
        return true;
    }
    return HexLoader::LoadHexFile(
        request.file, image, [this](const HexNotice& notice) { ui_.HexFileNotice(notice); }, request.layout);
}

ChipIdentity CommandFlows::ReadIdentity(ProgrammerProtocol& protocol)
{
    ChipOperations operations(protocol, ui_);
    ChipIdentity chip(operations.ReadDeviceId());
    LinkFacts& facts = protocol.Facts();
    if (!facts.probed) {
        facts.companion = operations.ProbeCompanion();
        facts.probed = true;
    }
    chip.fastPath = facts.FastPath();
    return chip;
}

std::optional<CommandOutcome> CommandFlows::Identify(const CommandRequest& request, ProgrammerProtocol& protocol,
                                                     CommandResult& result)
{
    result.chip = ReadIdentity(protocol);
    if (request.identified)
        request.identified(*result.chip);
    const std::optional<ChipDoubt> doubt = result.chip->Doubt();
    if (!doubt || ui_.GoOnDespite(*doubt))
        return std::nullopt;
    return doubt->kind == ChipDoubt::Kind::NoChip ? CommandOutcome::NoChip : CommandOutcome::WrongChip;
}

CommandResult CommandFlows::DoDetect(const CommandRequest& request)
{
    CommandResult result;
    result.outcome = envelope_.Run(request, [&](ProgrammerProtocol& protocol) {
        result.pingRoundTrip = protocol.PingRoundTrip();
        result.chip = ReadIdentity(protocol);
        if (request.identified)
            request.identified(*result.chip);
        return CommandOutcome::Completed;
    });
    return result;
}

CommandResult CommandFlows::DoErase(const CommandRequest& request)
{
    CommandResult result;
    result.outcome = envelope_.Run(
        request,
        [&](ProgrammerProtocol& protocol) {
            if (const std::optional<CommandOutcome> stop = Identify(request, protocol, result))
                return *stop;
            if (!Accepted(request, nullptr))
                return CommandOutcome::Declined;
            ui_.SetStatus(QStringLiteral("Erasing..."));
            ChipOperations(protocol, ui_).EraseChip();
            return CommandOutcome::Completed;
        },
        [this] { ui_.SetStatus(QStringLiteral("Erase complete")); });
    return result;
}

CommandResult CommandFlows::RunOnImage(const CommandRequest& request, const ImageBody& body)
{
    CommandResult result;
    result.outcome = envelope_.Run(request, [&](ProgrammerProtocol& protocol) {
        if (const std::optional<CommandOutcome> stop = Identify(request, protocol, result))
            return *stop;
        MemoryImage image;
        result.fileLoaded = Load(request, image);
        if (!result.fileLoaded)
            return CommandOutcome::FileNotLoaded;
        result.checksum = ChipOperations::Checksum(image, request.scope);
        if (const std::optional<ChipDoubt> misfit = result.chip->Misfit(image); misfit && !ui_.GoOnDespite(*misfit))
            return CommandOutcome::WrongChip;
        if (!Accepted(request, &image))
            return CommandOutcome::Declined;
        const CommandOutcome outcome = body(protocol, image, result);
        // With the configuration word that Program! wrote.
        result.checksum = ChipOperations::Checksum(image, request.scope);
        return outcome;
    });
    return result;
}

CommandResult CommandFlows::DoVerify(const CommandRequest& request)
{
    return RunOnImage(request, [&](ProgrammerProtocol& protocol, const MemoryImage& image, CommandResult& result) {
        ChipOperations operations(protocol, image, ui_, request.scope);
        if (operations.VerifyMemory())
            operations.VerifyConfiguration();
        ui_.SetStatus(QStringLiteral("Verify Complete"));
        return Judged(operations, result);
    });
}

CommandResult CommandFlows::DoProgram(const CommandRequest& request)
{
    return RunOnImage(request, [&](ProgrammerProtocol& protocol, MemoryImage& image, CommandResult& result) {
        const QString answer = ui_.PromptFuse(image.ConfigWord(MemoryImage::kConfigWordOffset));
        if (answer.isEmpty())
            return CommandOutcome::Cancelled;
        const FuseAnswer::Reading reading = FuseAnswer::Read(answer);
        if (!reading.value) {
            ui_.ShowMessage(reading.refusal);
            return CommandOutcome::FuseRefused;
        }
        image.SetConfigWord(MemoryImage::kConfigWordOffset, *reading.value);
        ChipOperations operations(protocol, image, ui_, request.scope);
        operations.ProgramChip();
        return Judged(operations, result);
    });
}

CommandResult CommandFlows::DoRead(const CommandRequest& request, ChipContents& chip)
{
    CommandResult result;
    result.outcome = envelope_.Run(request, [&](ProgrammerProtocol& protocol) {
        result.chip = ReadIdentity(protocol);
        chip = ChipOperations(protocol, ui_).ReadChip();
        return CommandOutcome::Completed;
    });
    return result;
}
