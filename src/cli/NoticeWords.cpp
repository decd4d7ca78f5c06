#include "NoticeWords.h"

#include "ExitCode.h"
#include "image/HexText.h"
#include "ops/SharedWords.h"
#include "production/Overloaded.h"
#include "production/ProductionRecord.h"

std::optional<QString> NoticeWords::Line(const LineNotice& notice) const
{
    return std::visit(
        Overloaded{
            [this](const HexNotice& hex) -> std::optional<QString> {
                if (hex.kind == HexNotice::Kind::EepromLayoutUsed && context_.quiet)
                    return std::nullopt;
                return SharedWords::NoticeText(hex, QStringLiteral("the HEX file"));
            },
            [](const Failure& failure) -> std::optional<QString> {
                return SharedWords::FailureText(failure, QStringLiteral(" "));
            },
            [this](const ChipDoubt& doubt) -> std::optional<QString> {
                return SharedWords::DoubtText(doubt)
                       + (context_.force ? QStringLiteral(" Going on (--force).") : QStringLiteral(" --force goes on anyway."));
            },
            [](const RecordTrouble& trouble) -> std::optional<QString> {
                return QStringLiteral("the production record %1 cannot be written: %2").arg(trouble.address, trouble.problem);
            },
            [](const SerialTooLarge& serial) -> std::optional<QString> {
                return QStringLiteral("serial number %1 does not fit where it goes").arg(serial.serial);
            },
            [](const SerialLineUnmarked& line) -> std::optional<QString> {
                return QStringLiteral("line %1 of %2 is the chip's, as the record says, but could not be marked used: %3")
                    .arg(line.line)
                    .arg(line.file, line.problem);
            },
            [this](const SerialOverFileData&) -> std::optional<QString> {
                return QStringLiteral("the serial number replaces the file's own data at %1").arg(context_.serialAt);
            },
            [](const FileNotWritten& file) -> std::optional<QString> {
                return QStringLiteral("cannot write %1: %2").arg(file.file, file.problem);
            },
            [](const CommandMessage& message) -> std::optional<QString> { return message.text; },
        },
        notice);
}

std::pair<QString, int> NoticeWords::Refusal(const SetupRefusal& refusal, const LinePlan& request)
{
    switch (refusal.kind) {
    case SetupRefusal::Kind::JobRefused:
        return {QStringLiteral("the job %1 is refused: %2").arg(request.jobPath, refusal.detail), kFileError};
    case SetupRefusal::Kind::UnexpectedChecksum:
        return {QStringLiteral("the job's checksum is %1, not %2 as expected")
                    .arg(HexText::Word(refusal.checksum.value_or(0)), refusal.detail),
                kFileError};
    case SetupRefusal::Kind::SerialNeedsRecord:
        return {QStringLiteral("the job gives serial numbers: --record is needed\nTry korvexc-cli --help."), kUsage};
    case SetupRefusal::Kind::FileNotLoaded:
        return {QString(), kFileError};
    case SetupRefusal::Kind::ChipDataOverCode:
        return {QStringLiteral("each chip's own data would replace the file's code at %1: the file must leave those words "
                               "blank or RETLW")
                    .arg(HexText::Word(refusal.word)),
                kFileError};
    case SetupRefusal::Kind::SerialFileUnreadable:
        return {refusal.detail, kFileError};
    case SetupRefusal::Kind::RecordUnwritable:
        break;
    }
    return {QStringLiteral("the production record %1 cannot be written: %2")
                .arg(ProductionRecord::Shown(request.recordAddress), refusal.detail),
            kFileError};
}
