#include "production/ProductionJob.h"

#include "image/HexLoader.h"
#include "image/HexText.h"
#include "ops/ChipOperations.h"
#include "ops/FuseAnswer.h"
#include "production/SerialPlace.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryFile>

namespace {

constexpr QLatin1String kFormat{"korvexc-job 1"};

QString Sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString LayoutName(EepromLayout layout)
{
    return layout == EepromLayout::Word   ? QStringLiteral("word")
           : layout == EepromLayout::Byte ? QStringLiteral("byte")
                                          : QStringLiteral("auto");
}

}  // namespace

bool ProductionJob::Load()
{
    // The loader reads files: the text goes through one of its own.
    QTemporaryFile file;
    if (!file.open() || file.write(settings.hex) != settings.hex.size() || !file.flush())
        return false;
    bool clean = true;
    const auto notice = [&clean](const HexNotice& told) { clean = clean && told.kind == HexNotice::Kind::EepromLayoutUsed; };
    if (!HexLoader::LoadHexFile(file.fileName(), image, notice, settings.layout) || !clean)
        return false;
    if (settings.fuse)
        image.SetConfigWord(MemoryImage::kConfigWordOffset, *settings.fuse);
    checksum = ChipOperations::Checksum(image, settings.scope);
    hexSha256 = Sha256(settings.hex);
    return true;
}

QString ProductionJob::Create(const QString& path, const Settings& settings)
{
    ProductionJob job;
    job.settings = settings;
    if (!job.Load())
        return QStringLiteral("the HEX file %1 does not load without a problem").arg(settings.hexName);
    const std::optional<SerialPlace> place = SerialPlace::Parse(settings.serialAt);
    if (const std::optional<int> code = place ? place->CodeUnder(job.image) : std::nullopt)
        return QStringLiteral("the serial number at %1 would replace the file's code at %2")
            .arg(settings.serialAt, HexText::Word(*code));
    QJsonObject json{{"format", kFormat},
                     {"name", settings.name},
                     {"hexName", QFileInfo(settings.hexName).fileName()},
                     {"hex", QString::fromLatin1(settings.hex)},
                     {"sha256", job.hexSha256},
                     {"checksum", HexText::Word(job.checksum)},
                     {"eepromLayout", LayoutName(settings.layout)},
                     {"onMismatch", settings.continueOnMismatch ? "continue" : "stop"}};
    if (settings.fuse)
        json.insert("fuse", HexText::Word(*settings.fuse));
    // Only when chosen, so that a job made before the choice existed reads the same.
    if (settings.scope.skipEmpty)
        json.insert("skipEmpty", true);
    if (settings.scope.checkGaps)
        json.insert("checkGaps", true);
    if (!settings.serial.isEmpty()) {
        json.insert("serial", settings.serial);
        json.insert("serialAt", settings.serialAt);
    }
    if (!settings.serialFile.isEmpty())
        json.insert("serialFile", settings.serialFile);
    QSaveFile out(path);
    const QByteArray text = QJsonDocument(json).toJson();
    if (out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit())
        return QString();
    return out.errorString();
}

std::variant<ProductionJob, QString> ProductionJob::Open(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const QByteArray text = file.readAll();
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(text, &error).object();
    if (error.error != QJsonParseError::NoError || json.value("format").toString() != kFormat)
        return QStringLiteral("it is not a job file (%1)").arg(error.error ? error.errorString() : QStringLiteral("no format"));
    ProductionJob job;
    Settings& settings = job.settings;
    settings.name = json.value("name").toString();
    settings.hexName = json.value("hexName").toString();
    settings.hex = json.value("hex").toString().toLatin1();
    settings.layout = HexLoader::LayoutNamed(json.value("eepromLayout").toString()).value_or(EepromLayout::Auto);
    settings.serial = json.value("serial").toString();
    settings.serialAt = json.value("serialAt").toString();
    settings.serialFile = json.value("serialFile").toString();
    settings.continueOnMismatch = json.value("onMismatch").toString() == QLatin1String("continue");
    settings.scope.skipEmpty = json.value("skipEmpty").toBool();
    settings.scope.checkGaps = json.value("checkGaps").toBool();
    if (json.contains("fuse")) {
        settings.fuse = FuseAnswer::Read(json.value("fuse").toString()).value;
        if (!settings.fuse)
            return QStringLiteral("its fuse value is not a number");
    }
    if (Sha256(settings.hex) != json.value("sha256").toString())
        return QStringLiteral("its HEX text does not match its SHA-256: it was changed after it was made");
    if (!job.Load() || HexText::Word(job.checksum) != json.value("checksum").toString())
        return QStringLiteral("its HEX text does not give the checksum it names");
    job.jobSha256 = Sha256(text);
    return job;
}
