#include "production/LineSetup.h"

#include "image/HexLoader.h"
#include "image/HexText.h"
#include "ops/ChipOperations.h"
#include "production/LineEvents.h"
#include "production/NumberFile.h"
#include "production/ProductionJob.h"
#include "production/ProductionRecord.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

// The job's file and settings in the plan; the refusal when it is not whole or not the one expected.
std::optional<SetupRefusal> TakeJob(const LinePlan& request, LinePlan& plan)
{
    const std::variant<ProductionJob, QString> opened = ProductionJob::Open(request.jobPath);
    if (const QString* refusal = std::get_if<QString>(&opened))
        return SetupRefusal{SetupRefusal::Kind::JobRefused, *refusal, std::nullopt};
    const ProductionJob& job = std::get<ProductionJob>(opened);
    if (!request.expectChecksum.isEmpty() && request.expectChecksum.compare(HexText::Word(job.checksum), Qt::CaseInsensitive))
        return SetupRefusal{SetupRefusal::Kind::UnexpectedChecksum, request.expectChecksum, job.checksum};
    if (!job.settings.serial.isEmpty()) {
        plan.serials = SerialSequence::Parse(job.settings.serial);
        plan.serialPlace = SerialPlace::Parse(job.settings.serialAt);
    }
    plan.serialFile = job.settings.serialFile;
    plan.command = ChipCommand::Program;
    plan.image = job.image;
    plan.file = job.settings.hexName;
    plan.layout = job.settings.layout;
    plan.sha256 = job.hexSha256;
    plan.fuse = job.image.ConfigWord(MemoryImage::kConfigWordOffset);
    plan.checksum = job.checksum;
    plan.job = job.settings.name;
    plan.jobSha256 = job.jobSha256;
    plan.continueOnMismatch = job.settings.continueOnMismatch;
    plan.scope = job.settings.scope;
    return std::nullopt;
}

// The file loaded once, with its hash and the fuse value it gives; false when it does not load.
bool LoadFile(LinePlan& plan, LineEvents& events)
{
    MemoryImage image;
    if (!HexLoader::LoadHexFile(
            plan.file, image,
            [&events](const HexNotice& notice) {
                events.Tell(LineEvent::NoticeGiven{QString(), notice});
            },
            plan.layout))
        return false;
    QFile file(plan.file);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QCryptographicHash sha256(QCryptographicHash::Sha256);
    sha256.addData(&file);
    plan.sha256 = QString::fromLatin1(sha256.result().toHex());
    if (plan.command == ChipCommand::Program) {
        plan.fuse = plan.fuse.value_or(image.ConfigWord(MemoryImage::kConfigWordOffset));
        image.SetConfigWord(MemoryImage::kConfigWordOffset, *plan.fuse);
    }
    plan.checksum = ChipOperations::Checksum(image, plan.scope);
    if (plan.serialPlace && plan.serialPlace->CoversFileData(image))
        events.Tell(LineEvent::NoticeGiven{QString(), SerialOverFileData{}});
    plan.image = std::move(image);
    return true;
}

// Refused when a chip's own data would replace the file's code, or its file cannot be read.
std::optional<SetupRefusal> CheckChipData(const LinePlan& plan)
{
    if ((plan.serials || !plan.serialFile.isEmpty()) && plan.recordAddress.isEmpty())
        return SetupRefusal{SetupRefusal::Kind::SerialNeedsRecord, QString(), std::nullopt};
    if (!plan.image)
        return std::nullopt;
    std::optional<int> code = plan.serialPlace ? plan.serialPlace->CodeUnder(*plan.image) : std::nullopt;
    if (!plan.serialFile.isEmpty()) {
        const std::variant<NumberFile, QString> file = NumberFile::Read(plan.serialFile);
        if (const QString* problem = std::get_if<QString>(&file))
            return SetupRefusal{SetupRefusal::Kind::SerialFileUnreadable, *problem, std::nullopt};
        code = std::get<NumberFile>(file).CodeUnder(*plan.image);
    }
    if (code)
        return SetupRefusal{SetupRefusal::Kind::ChipDataOverCode, QString(), std::nullopt, *code};
    return std::nullopt;
}

// The record's chain as it stands, told before any chip; read on the line's own thread.
void TellChain(const QString& address, LineEvents& events)
{
    ProductionRecord record(address, QStringLiteral("korvexc-chain"));
    if (const std::optional<ProductionRecord::Table> table = record.Rows())
        events.Tell(LineEvent::RecordChecked{RecordChain::Walk(table->columns, table->rows)});
}

}  // namespace

std::variant<LinePlan, SetupRefusal> LineSetup::Prepare(const LinePlan& request, LineEvents& events)
{
    LinePlan plan = request;
    if (!request.jobPath.isEmpty()) {
        if (std::optional<SetupRefusal> refusal = TakeJob(request, plan))
            return *refusal;
    } else if (ChipCommands::LoadsImage(plan.command) && !LoadFile(plan, events)) {
        return SetupRefusal{SetupRefusal::Kind::FileNotLoaded, request.file, std::nullopt};
    }
    if (std::optional<SetupRefusal> refusal = CheckChipData(plan))
        return *refusal;
    if (!plan.recordAddress.isEmpty()) {
        if (const QString problem = ProductionRecord::Create(plan.recordAddress); !problem.isEmpty())
            return SetupRefusal{SetupRefusal::Kind::RecordUnwritable, problem, std::nullopt};
        if (plan.checkChain)
            TellChain(plan.recordAddress, events);
    }
    return plan;
}
