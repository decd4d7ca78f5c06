#include "OfflineCommands.h"

#include "CliWords.h"
#include "ExitCode.h"
#include "image/HexLoader.h"
#include "image/HexText.h"
#include "link/PortList.h"
#include "ops/ChipOperations.h"
#include "ops/FuseAnswer.h"
#include "ops/SharedWords.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

// The loader's problems go to stderr.
std::optional<MemoryImage> LoadImage(const QString& file)
{
    MemoryImage image;
    const auto tell = [](const HexNotice& notice) {
        if (notice.kind != HexNotice::Kind::EepromLayoutUsed)
            Complain(SharedWords::NoticeText(notice, QStringLiteral("the HEX file")));
    };
    if (!HexLoader::LoadHexFile(file, image, tell, EepromLayout::Auto))
        return std::nullopt;
    return image;
}

}  // namespace

int OfflineCommands::Fuses(const QString& valueOrFile)
{
    int value = 0;
    if (QFileInfo::exists(valueOrFile)) {
        const std::optional<MemoryImage> image = LoadImage(valueOrFile);
        if (!image)
            return kFileError;
        value = image->ConfigWord(MemoryImage::kConfigWordOffset);
    } else {
        const FuseAnswer::Reading reading = FuseAnswer::Read(valueOrFile);
        if (!reading.value) {
            Complain(reading.refusal + QStringLiteral("\nTry korvexc-cli --help."));
            return kUsage;
        }
        value = *reading.value;
    }
    CliWords::PrintFuseReading(value);
    return kSuccess;
}

int OfflineCommands::Checksum(const QString& file, ProgramScope scope, bool quiet)
{
    std::optional<std::uint16_t> checksum;
    if (file.endsWith(QLatin1String(".kjob"))) {
        const std::variant<ProductionJob, QString> job = ProductionJob::Open(file);
        if (const QString* refusal = std::get_if<QString>(&job)) {
            Complain(QStringLiteral("the job %1 is refused: %2").arg(file, *refusal));
            return kFileError;
        }
        checksum = std::get<ProductionJob>(job).checksum;
        scope = std::get<ProductionJob>(job).settings.scope;
    } else if (const std::optional<MemoryImage> image = LoadImage(file)) {
        checksum = ChipOperations::Checksum(*image, scope);
    }
    if (!checksum)
        return kFileError;
    std::printf("%s\n", qPrintable(HexText::Word(*checksum)));
    if (!quiet)
        std::fprintf(stderr, "%s\n", qPrintable(CliWords::ScopeAssumed(scope)));
    return kSuccess;
}

int OfflineCommands::CreateJob(const QString& path, ProductionJob::Settings settings)
{
    QFile hex(settings.hexName);
    if (!hex.open(QIODevice::ReadOnly)) {
        Complain(QStringLiteral("cannot read %1: %2").arg(settings.hexName, hex.errorString()));
        return kFileError;
    }
    settings.hex = hex.readAll();
    if (const QString problem = ProductionJob::Create(path, settings); !problem.isEmpty()) {
        Complain(QStringLiteral("cannot make the job %1: %2").arg(path, problem));
        return kFileError;
    }
    return Checksum(path, settings.scope, false);
}

int OfflineCommands::MakeSerials(const QString& path, const Invocation::SerialsToMake& make)
{
    if (const QString problem = NumberFile::Make(path, *make.place, make.count, make.numbering); !problem.isEmpty()) {
        Complain(QStringLiteral("cannot make %1: %2").arg(path, problem));
        return kFileError;
    }
    return kSuccess;
}
